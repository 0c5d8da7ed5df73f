// The about box: the program's picture, its title and a few lines of credits.
#pragma once

#include <QDialog>

namespace kv::gui {

class TfrmAboutMe : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAboutMe(QWidget* parent = nullptr);
};

}  // namespace kv::gui
