// Thumbnails of a report's pages and the window of one page at full size.
#include "app/gui/PageStrip.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/RunSummary.h"
#include "app/gui/QtText.h"
#include "qtdraw/PagePainter.h"

namespace kv::gui {

namespace {

constexpr int ThumbnailHeight = 100;

QImage Draw(const TPagePicture& picture, double scale) {
  const QSizeF extent = draw::PageExtent(picture, scale);
  QImage image(std::max(1, static_cast<int>(std::ceil(extent.width()))),
               std::max(1, static_cast<int>(std::ceil(extent.height()))), QImage::Format_RGB32);
  if (image.isNull()) return image;
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  draw::PaintPage(picture, painter, scale);
  return image;
}

}  // namespace

TPageStrip::TPageStrip(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("ReportPages"));
  setViewMode(QListView::IconMode);
  setFlow(QListView::LeftToRight);
  setWrapping(false);
  setMovement(QListView::Static);
  setIconSize(QSize(ThumbnailHeight, ThumbnailHeight));
  setSpacing(4);
  // As high as a row of thumbnails where there is room; a small window shrinks it (it scrolls).
  setMinimumHeight(2 * fontMetrics().height());
  setMaximumHeight(ThumbnailHeight + 2 * fontMetrics().height() + 16);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  setToolTip(QStringLiteral("The report's pages: click one (or press Enter) to see it at full size"));
  connect(this, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { OpenPage(row(item)); });
  connect(this, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { OpenPage(row(item)); });
}

void TPageStrip::ShowReport(const std::string& path, int codePage, char decimalSeparator,
                            const TConversionOutcome* outcome) {
  // The page view shows pages of this list: it goes before the list changes.
  if (PageView) {
    PageView->close();
    delete PageView;
    PageView = nullptr;
  }
  clear();
  Pictures.clear();
  ShownPath = path;
  if (path.empty()) return;
  std::string problem;
  Pictures = ReadPagePictures(path, codePage, decimalSeparator, outcome, problem);
  if (!problem.empty()) {
    auto* item = new QListWidgetItem(QStringLiteral("No pictures: ") + QString::fromStdString(problem));
    item->setFlags(Qt::NoItemFlags);
    addItem(item);
    return;
  }
  for (const TPagePicture& picture : Pictures) {
    const QSizeF unit = draw::PageExtent(picture, 1.0);
    const double scale = unit.height() > 0 ? ThumbnailHeight / unit.height() : 0.1;
    const QImage thumbnail = Draw(picture, scale);
    auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(thumbnail)),
                                     QStringLiteral("Page %1").arg(picture.Number));
    item->setToolTip(QStringLiteral("Page %1: click to see it at full size").arg(picture.Number));
    addItem(item);
  }
}

void TPageStrip::OpenPage(int index) {
  if (index < 0 || index >= static_cast<int>(Pictures.size())) return;
  if (!PageView) {
    PageView = new TPageView(Pictures, this);
    PageView->setWindowTitle(PathToQt(ShownPath));
  }
  PageView->ShowPage(index);
  PageView->show();
  PageView->raise();
  PageView->activateWindow();
}

TPageView::TPageView(const std::vector<TPagePicture>& pages, QWidget* parent)
    : QDialog(parent), Pages(pages) {
  setObjectName(QStringLiteral("PageView"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QToolBar(this);
  const auto add = [&](const QString& text, const QKeySequence& key, auto slot) {
    QAction* action = bar->addAction(text);
    action->setShortcut(key);
    action->setToolTip(text + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) +
                       QLatin1Char(')'));
    connect(action, &QAction::triggered, this, slot);
  };
  add(QStringLiteral("Previous Page"), QKeySequence(Qt::Key_PageUp), [this] { ShowPage(Index - 1); });
  add(QStringLiteral("Next Page"), QKeySequence(Qt::Key_PageDown), [this] { ShowPage(Index + 1); });
  add(QStringLiteral("Zoom In"), QKeySequence(QKeySequence::ZoomIn), [this] { Zoom(1.25); });
  add(QStringLiteral("Zoom Out"), QKeySequence(QKeySequence::ZoomOut), [this] { Zoom(0.8); });
  add(QStringLiteral("Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_0), [this] { Zoom(1 / Factor); });
  layout->addWidget(bar);
  Area = new QScrollArea(this);
  Picture = new QLabel;
  Picture->setObjectName(QStringLiteral("PagePicture"));
  Area->setWidget(Picture);
  Area->setAlignment(Qt::AlignCenter);
  Area->setBackgroundRole(QPalette::Dark);
  layout->addWidget(Area, 1);
  resize(820, 900);
}

void TPageView::ShowPage(int index) {
  if (Pages.empty()) return;
  Index = std::clamp(index, 0, static_cast<int>(Pages.size()) - 1);
  Render();
}

void TPageView::Zoom(double factor) {
  Factor = std::clamp(Factor * factor, 0.25, 4.0);
  Render();
}

QSize TPageView::PictureSize() const {
  return Picture->pixmap().size();
}

void TPageView::Render() {
  const TPagePicture& picture = Pages[static_cast<std::size_t>(Index)];
  // Full size: the page at the screen's 96 dots per inch, times the zoom.
  Picture->setPixmap(QPixmap::fromImage(Draw(picture, draw::ScaleForDpi(picture, 96) * Factor)));
  Picture->adjustSize();
  setWindowTitle(QStringLiteral("Page %1 of %2 (%3 %)")
                     .arg(picture.Number)
                     .arg(Pages.size())
                     .arg(static_cast<int>(std::lround(Factor * 100))));
}

}  // namespace kv::gui
