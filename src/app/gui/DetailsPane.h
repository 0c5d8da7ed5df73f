// The report page's details pane: for the selected report row, the path of the document its
// conversion writes, the report library's messages, the conversion notes and, for a conversion
// that wrote no document, why. Read-only text; its object name is "ReportDetails".
#pragma once

#include <QTextEdit>

#include "app/FileList.h"

namespace kv::gui {

class TDetailsPane : public QTextEdit {
  Q_OBJECT

 public:
  explicit TDetailsPane(QWidget* parent = nullptr);

  // Shows a row of the report list; nullptr: no row is selected.
  // codePage: that of the report's texts.
  void ShowRow(const TFileRow* row, int codePage);
};

}  // namespace kv::gui
