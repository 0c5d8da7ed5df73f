// The pictures of the window: the program's own icon and the icons of the actions.
#pragma once

#include <QIcon>

class QStyle;

namespace kv::gui {

// The program's icon (kv3converter.svg). Drawn from the same shapes when Qt has no SVG support.
QIcon AppIcon();

// One picture per kind of action: actions that do different things never share one.
enum class TActionIcon {
  Scan,
  AddFiles,
  Remove,
  Open,
  Save,
  SaveResults,
  SaveSummary,
  SelectAll,
  Convert,
  Stop,
  Undo,
  About,
  Exit
};
QIcon ActionIcon(const QStyle& style, TActionIcon which);

}  // namespace kv::gui
