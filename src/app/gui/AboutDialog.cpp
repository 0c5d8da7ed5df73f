// The about box of the window, created for each showing.
#include "app/gui/AboutDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/Icons.h"

namespace kv::gui {

TfrmAboutMe::TfrmAboutMe(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAboutMe"));
  setWindowTitle(QStringLiteral("About Me"));
  setModal(true);

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("imgPicture"));
  picture->setPixmap(AppIcon().pixmap(64, 64));
  picture->setAlignment(Qt::AlignTop);

  auto* title = new QLabel(QStringLiteral("Kolvex 3 Converter"), this);
  title->setObjectName(QStringLiteral("lblTitle"));
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  title->setFont(bold);

  auto* credits =
      new QLabel(QStringLiteral("Moves Kolvex 2.5 projects to Kolvex 3:\n"
                                "find/replace migration of Pascal sources and forms,\n"
                                "conversion of .kvf report files into .kv3 documents.\n\n"
                                "Version %1, by the kv3converter team.")
                     .arg(QStringLiteral(KV_VERSION)),
                 this);
  credits->setObjectName(QStringLiteral("lblCredits"));

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  texts->addWidget(title);
  texts->addWidget(credits);
  texts->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(picture);
  top->addSpacing(12);
  top->addLayout(texts, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace kv::gui
