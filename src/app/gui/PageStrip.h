// The report page's pictures: a strip of thumbnails of the selected report's pages as the
// report's designer shows them, and a window that shows one page at full size, zoomable. The
// report file is read again for them, without asking for anything: a protected report shows its
// pages once its password is in the conversion (otherwise the strip says why it is empty).
#pragma once

#include <QDialog>
#include <QListWidget>
#include <string>
#include <vector>

#include "app/RunSummary.h"
#include "writer/PagePicture.h"

class QLabel;
class QScrollArea;

namespace kv::gui {

class TPageView;

class TPageStrip : public QListWidget {
  Q_OBJECT

 public:
  explicit TPageStrip(QWidget* parent = nullptr);

  // Shows the pages of the report file at path (UTF-8); an empty path shows none. outcome: what
  // its last conversion gave (its notes are marked on the pages), or nullptr.
  void ShowReport(const std::string& path, int codePage, char decimalSeparator,
                  const TConversionOutcome* outcome);
  // The pages shown, and the window of one page at full size (nullptr until one is opened).
  const std::vector<TPagePicture>& Pages() const { return Pictures; }
  TPageView* View() const { return PageView; }
  void OpenPage(int index);

 private:
  std::vector<TPagePicture> Pictures;
  std::string ShownPath;
  TPageView* PageView = nullptr;
};

// One page at full size in a window of its own: Ctrl++ and Ctrl+- zoom, Ctrl+0 shows it at
// 100 %, Page Up and Page Down go to the other pages.
class TPageView : public QDialog {
  Q_OBJECT

 public:
  TPageView(const std::vector<TPagePicture>& pages, QWidget* parent);
  void ShowPage(int index);
  void Zoom(double factor);
  int Page() const { return Index; }
  double ZoomFactor() const { return Factor; }
  QSize PictureSize() const;

 private:
  void Render();
  const std::vector<TPagePicture>& Pages;
  int Index = 0;
  double Factor = 1.0;
  QScrollArea* Area = nullptr;
  QLabel* Picture = nullptr;
};

}  // namespace kv::gui
