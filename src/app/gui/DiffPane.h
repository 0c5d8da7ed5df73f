// The project page's diff pane: the changes of the selected project file as a unified diff, with
// removed lines on a red background, added lines on a green one and, within a changed line, the
// changed part in a stronger shade; after an undo, what the undo did. Read-only text; its object
// name is "SourceDiff".
#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <string_view>

#include "app/FileChanges.h"

namespace kv {
struct TUndoReport;
}

namespace kv::gui {

class TDiffPane : public QPlainTextEdit {
  Q_OBJECT

 public:
  // The backgrounds of removed and added lines, and of the changed part within them.
  static inline const QColor RemovedLine{0xFF, 0xEB, 0xE9};
  static inline const QColor AddedLine{0xE6, 0xFF, 0xEC};
  static inline const QColor RemovedPart{0xFF, 0xA8, 0xA0};
  static inline const QColor AddedPart{0x8C, 0xE8, 0x9A};
  // The diff lines shown at most; a longer diff ends with a line that says how many are left out.
  static constexpr int MaxLines = 20000;

  explicit TDiffPane(QWidget* parent = nullptr);

  // Shows the changes of a file; an empty path: no row is selected.
  // codePage: that of the files' texts and the notes.
  void ShowChanges(const TFileChanges& changes, int codePage);
  // Shows what an undo did: the run and its journal, the summary, then one line per file
  // handled (status, path and, for a refused file, why), refused files on the removed lines'
  // background.
  void ShowUndo(const TUndoReport& report, int codePage);
};

// A line of a file's text (system code page) as it is shown: control characters other than the
// tab become their visible symbols, so that no byte breaks or hides a line.
QString ShownLine(std::string_view bytes, int codePage);

}  // namespace kv::gui
