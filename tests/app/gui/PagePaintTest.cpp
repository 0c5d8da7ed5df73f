// Page pictures drawn with Qt and read back by independent readers: memo texts by the OCR program
// tesseract (each word inside its memo's box), barcodes by zbarimg (each symbol decoded from its
// own box), lines, frames and fills by the colour of their pixels; every file version draws in
// every format, and kv3conv preview writes the files it names.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStringList>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DialogReport.h"
#include "FamilyReports.h"
#include "base/Stream.h"
#include "legacy/Context.h"
#include "legacy/Printer.h"
#include "legacy/Report.h"
#include "objects/BarCode.h"
#include "objects/Memo.h"
#include "qtdraw/PagePainter.h"
#include "support/TempDir.h"
#include "writer/PagePicture.h"
#include "writer/Registration.h"

namespace kv {
namespace {

using test::TTempDir;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Runs a program and returns its standard output; fails the test when it does not end with 0.
QByteArray RunReader(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
    ADD_FAILURE() << program.toStdString() << " did not finish";
    return {};
  }
  return process.readAllStandardOutput();
}

// A report of one page on small custom paper (100 x 60 mm), for readers that take seconds per
// A4 page at 300 dpi.
struct TSmallReport {
  TConversionContext Context{1252, '.'};
  TkvReport Report{Context, "R"};
  TkvPage& Page = Report.Pages.AddPage();
  TSmallReport() {
    Page.Name = "Page1";
    Page.ChangePaper(CustomPaper, 1000, 600, 0, 0);
  }
  template <class TView>
  TView& Add(const std::string& name, std::int64_t left, std::int64_t top, std::int64_t width,
             std::int64_t height) {
    auto view = std::make_unique<TView>(Context);
    view->Name = name;
    view->Left = left;
    view->Top = top;
    view->Width = width;
    view->Height = height;
    TView& added = *view;
    Page.ObjectList.push_back(std::move(view));
    return added;
  }
  TPagePicture Picture() {
    std::vector<TPagePicture> pages = BuildPagePictures(Report);
    EXPECT_EQ(pages.size(), 1u);
    return pages.empty() ? TPagePicture{} : pages.front();
  }
};

class PagePaintTest : public ::testing::Test {
 protected:
  TTempDir Dir;

  // Draws the picture as a PNG at dpi and returns its path.
  std::string Png(const TPagePicture& picture, int dpi, const std::string& name = "page.png") {
    QString error;
    const std::string path = Dir / name;
    EXPECT_TRUE(draw::WritePagePicture(picture, "png", dpi, Q(path), error)) << error.toStdString();
    return path;
  }
};

// tesseract's words (TSV, level 5) with their boxes in the image's pixels.
struct TWord {
  QString Text;
  QRect Box;
};

std::vector<TWord> ReadWords(const std::string& png) {
  const QByteArray tsv = RunReader(KV_TESSERACT, {Q(png), "stdout", "--psm", "11", "tsv"});
  std::vector<TWord> words;
  for (const QByteArray& line : tsv.split('\n')) {
    const QList<QByteArray> f = line.split('\t');
    if (f.size() < 12 || f[0] != "5") continue;
    const QString text = QString::fromUtf8(f[11]).trimmed();
    if (text.isEmpty()) continue;
    words.push_back({text, QRect(f[6].toInt(), f[7].toInt(), f[8].toInt(), f[9].toInt())});
  }
  return words;
}

TEST_F(PagePaintTest, OcrFindsEveryMemoTextInsideItsBox) {
  TSmallReport r;
  const std::map<std::string, std::string> texts = {
      {"Memo1", "INVOICE"}, {"Memo2", "Quantity 42"}, {"Memo3", "Kolvex Total"}};
  const std::map<std::string, std::array<int, 4>> places = {
      {"Memo1", {20, 20, 200, 30}}, {"Memo2", {40, 80, 220, 30}}, {"Memo3", {120, 140, 220, 30}}};
  for (const auto& [name, text] : texts) {
    const auto& p = places.at(name);
    TkvMemoView& memo = r.Add<TkvMemoView>(name, p[0], p[1], p[2], p[3]);
    memo.Memo = {text};
    memo.Font.Size = 14;
    memo.Flags = flStretched;  // one line, no wrapping
  }
  // The second memo centred, the third right-aligned: the words move with the alignment.
  static_cast<TkvMemoView&>(*r.Page.ObjectList[1]).Alignment = 2;
  static_cast<TkvMemoView&>(*r.Page.ObjectList[2]).Alignment = 1;
  const TPagePicture picture = r.Picture();
  ASSERT_LT(picture.PaperWidth, 500);
  constexpr int Dpi = 300;
  const double scale = draw::ScaleForDpi(picture, Dpi);
  const std::vector<TWord> words = ReadWords(Png(picture, Dpi));
  for (const TPictureItem& item : picture.Items) {
    const QRectF box(item.Rect.Left * scale, item.Rect.Top * scale, item.Rect.Width * scale,
                     item.Rect.Height * scale);
    for (const QString& expected : Q(item.Text).split(' ')) {
      bool found = false;
      for (const TWord& word : words) {
        if (word.Text == expected && box.contains(QRectF(word.Box).center())) found = true;
      }
      EXPECT_TRUE(found) << "\"" << expected.toStdString() << "\" of " << item.Name
                         << " not read inside its box";
    }
  }
}

TEST_F(PagePaintTest, ZbarimgDecodesEveryBarcodeFromItsBox) {
  TSmallReport r;
  struct TCase {
    const char* Name;
    TkvBarcodeType Type;
    const char* Code;
    double Rotation;
    const char* Expected;  // zbarimg's symbology and data
  };
  const std::vector<TCase> cases = {
      {"Ean", bcCodeEAN13, "4006381333931", 0, "EAN-13:4006381333931"},
      {"Code128", bcCode128B, "Kolvex-128", 0, "CODE-128:Kolvex-128"},
      {"Code39", bcCode39, "KV39TEST", 0, "CODE-39:KV39TEST"},
      {"Turned", bcCodeEAN13, "4006381333931", 90, "EAN-13:4006381333931"},
  };
  int top = 10;
  for (const TCase& c : cases) {
    const bool turned = c.Rotation != 0;
    TkvBarCodeView& bar = r.Add<TkvBarCodeView>(c.Name, turned ? 300 : 20, turned ? 10 : top,
                                                turned ? 60 : 220, turned ? 180 : 50);
    bar.Memo = {c.Code};
    bar.BarType = static_cast<std::uint8_t>(c.Type);
    bar.CalcCheckSum = c.Type == bcCodeEAN13;
    bar.Rotation = c.Rotation;
    if (!turned) top += 70;
  }
  const TPagePicture picture = r.Picture();
  constexpr int Dpi = 300;
  const double scale = draw::ScaleForDpi(picture, Dpi);
  const QImage page(Q(Png(picture, Dpi)));
  ASSERT_FALSE(page.isNull());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const TPictureItem& item = picture.Items[i];
    ASSERT_TRUE(item.Problem.empty()) << item.Problem;
    // The symbol's box with a white quiet zone of 10 pixels of the model around it.
    const QRect box = QRectF((item.Rect.Left - 10) * scale, (item.Rect.Top - 10) * scale,
                             (item.Rect.Width + 20) * scale, (item.Rect.Height + 20) * scale)
                          .toAlignedRect();
    const std::string crop = Dir / (std::string(cases[i].Name) + ".png");
    ASSERT_TRUE(page.copy(box).save(Q(crop)));
    const QByteArray out = RunReader(KV_ZBARIMG, {"-q", Q(crop)}).trimmed();
    EXPECT_EQ(out.toStdString(), cases[i].Expected) << cases[i].Name;
  }
}

QColor Pixel(const QImage& image, double x, double y) {
  return image.pixelColor(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

// Lines, frames, fills, check marks, shapes and decoded bitmaps by the colour of pixels at known
// places; the marked corner of an item with notes and the legend under the page.
TEST_F(PagePaintTest, PixelsOfLinesFramesFillsAndPictures) {
  TPagePicture picture;
  picture.PaperWidth = 400;
  picture.PaperHeight = 300;
  picture.MarginRight = 400;
  picture.MarginBottom = 300;
  TPictureItem line;
  line.Kind = TPictureItemKind::Line;
  line.Rect = {10, 20, 180, 0};
  line.FrameWidth = 3;
  line.FrameColor = 0xFF0000;
  picture.Items.push_back(line);
  TPictureItem memo;
  memo.Kind = TPictureItemKind::Memo;
  memo.Rect = {20, 50, 100, 40};
  memo.Filled = true;
  memo.FillColor = 0x00FF00;
  memo.FrameSides = PictureFrameLeft | PictureFrameTop;  // two sides only
  memo.FrameWidth = 2;
  memo.FrameColor = 0x0000FF;
  memo.Notes = {1};
  picture.Items.push_back(memo);
  TPictureItem shape;
  shape.Kind = TPictureItemKind::Shape;
  shape.ShapeKind = 2;  // ellipse
  shape.Rect = {200, 50, 100, 60};
  shape.Filled = true;
  shape.FillColor = 0xFFFF00;
  picture.Items.push_back(shape);
  // A bitmap of a single magenta colour, in its file form.
  QImage source(8, 8, QImage::Format_RGB32);
  source.fill(QColor(0xFF, 0x00, 0xFF));
  QByteArray bmp;
  QBuffer buffer(&bmp);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(source.save(&buffer, "BMP"));
  TPictureItem image;
  image.Kind = TPictureItemKind::Picture;
  image.ImageKind = TPictureImageKind::Bitmap;
  image.ImageBytes = bmp.toStdString();
  image.Rect = {20, 150, 60, 60};
  picture.Items.push_back(image);
  TPictureItem metafile = image;  // bytes Qt cannot decode: a named box instead
  metafile.ImageKind = TPictureImageKind::Metafile;
  metafile.ImageBytes = "\xD7\xCD\xC6\x9A metafile";
  metafile.Rect = {100, 150, 80, 60};
  picture.Items.push_back(metafile);
  TPictureItem check;
  check.Kind = TPictureItemKind::CheckBox;
  check.Checked = true;
  check.CheckColor = 0x000000;
  check.Rect = {200, 150, 40, 40};
  picture.Items.push_back(check);
  picture.Notes = {"Page 1, Memo1: a note"};

  const double scale = 2;
  const QSizeF extent = draw::PageExtent(picture, scale);
  EXPECT_GT(extent.height(), picture.PaperHeight * scale);  // the legend below the page
  QImage out(extent.toSize(), QImage::Format_RGB32);
  out.fill(Qt::black);
  QPainter painter(&out);
  draw::PaintPage(picture, painter, scale);
  painter.end();

  const QColor red(0xFF, 0, 0), green(0, 0xFF, 0), blue(0, 0, 0xFF), white(Qt::white);
  // The line: red on its course, white beside it and beyond its end.
  EXPECT_EQ(Pixel(out, 100 * scale, 20 * scale), red);
  EXPECT_EQ(Pixel(out, 100 * scale, 26 * scale), white);
  EXPECT_EQ(Pixel(out, 195 * scale, 20 * scale), white);
  // The memo: green inside, blue frame on the left and top only.
  EXPECT_EQ(Pixel(out, 70 * scale, 75 * scale), green);
  EXPECT_EQ(Pixel(out, 20 * scale, 70 * scale), blue);
  EXPECT_EQ(Pixel(out, 70 * scale, 50 * scale), blue);
  EXPECT_EQ(Pixel(out, 119.5 * scale, 70 * scale), green);  // no right side
  EXPECT_EQ(Pixel(out, 70 * scale, 89.5 * scale), green);   // no bottom side
  // The note's corner at the memo's top-right.
  EXPECT_EQ(Pixel(out, 118 * scale, 51 * scale).red(), 0xE0);
  // The ellipse: yellow at its centre, white in the rectangle's corner.
  EXPECT_EQ(Pixel(out, 250 * scale, 80 * scale), QColor(0xFF, 0xFF, 0));
  EXPECT_EQ(Pixel(out, 202 * scale, 52 * scale), white);
  // The bitmap decoded and stretched over its box.
  EXPECT_EQ(Pixel(out, 50 * scale, 180 * scale), QColor(0xFF, 0, 0xFF));
  // The metafile: a light named box, neither magenta nor white paper.
  const QColor box = Pixel(out, 103 * scale, 175 * scale);
  EXPECT_NE(box, QColor(0xFF, 0, 0xFF));
  EXPECT_NE(box, white);
  // The check box's cross passes through its centre.
  EXPECT_EQ(Pixel(out, 220 * scale, 170 * scale), QColor(Qt::black));
}

// Every file version, the dialog report and the example reports draw in every format, and the
// picture's JSON form reads back as the picture.
TEST_F(PagePaintTest, EveryVersionDrawsInEveryFormatThroughItsJsonForm) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int version = 21; version <= 25; ++version) {
    files.emplace_back("v" + std::to_string(version), test::TFamilyReport(version).Bytes());
  }
  files.emplace_back("dialog", test::DialogReport());
  for (const auto& [label, bytes] : files) {
    SCOPED_TRACE(label);
    TConversionContext context(1252, '.');
    TkvReport report(context, "R");
    TMemoryStream stream(bytes);
    report.LoadReportStream(stream);
    ASSERT_TRUE(report.LastLoad.Read());
    for (const TPagePicture& page : BuildPagePictures(report)) {
      const std::string json = PagePictureJson(page);
      TPagePicture read;
      QString error;
      ASSERT_TRUE(draw::ReadPagePictureJson(QByteArray::fromStdString(json), read, error))
          << error.toStdString();
      EXPECT_EQ(PagePictureJson(read), json);
      for (const char* format : {"png", "svg", "pdf"}) {
        const std::string path = Dir / (label + "-" + std::to_string(page.Number) + "." + format);
        ASSERT_TRUE(draw::WritePagePicture(read, format, 50, Q(path), error))
            << format << ": " << error.toStdString();
        EXPECT_GT(QFile(Q(path)).size(), 100) << path;
      }
    }
  }
  TPagePicture read;
  QString error;
  EXPECT_FALSE(draw::ReadPagePictureJson("[1, 2", read, error));
  EXPECT_FALSE(error.isEmpty());
  // A file that cannot be written is an error, not a success.
  EXPECT_FALSE(draw::WritePagePicture(read, "png", 50, Q(Dir / "missing/folder/x.png"), error));
  EXPECT_FALSE(draw::WritePagePicture(read, "gif", 50, Q(Dir / "x.gif"), error));
}

// kv3conv preview as a process: a line per file written, the files where it says, exit codes.
TEST_F(PagePaintTest, PreviewWritesThePagesOfAReport) {
  const auto run = [&](const QStringList& args, QByteArray* out = nullptr) {
    QProcess process;
    process.start(KV3CONV_PATH, args);
    EXPECT_TRUE(process.waitForFinished(60000));
    if (out) *out = process.readAllStandardOutput();
    return process.exitCode();
  };
  const QString report = KV_EXAMPLES_DIR "/reports/Sales.kvf";
  QByteArray out;
  ASSERT_EQ(run({"preview", report, "--out", Q(Dir / "pics"), "--dpi", "40"}, &out), 0);
  const QList<QByteArray> lines = out.trimmed().split('\n');
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_EQ(lines[0].toStdString(), Dir / "pics/Sales-page1.png");
  for (const QByteArray& line : lines) EXPECT_FALSE(QImage(QString::fromUtf8(line)).isNull());
  ASSERT_EQ(
      run({"preview", report, "--out", Q(Dir.Path()), "--page", "1", "--format", "svg"}, &out), 0);
  EXPECT_EQ(out.trimmed().toStdString(), Dir / "Sales-page1.svg");
  EXPECT_TRUE(QFile::exists(Q(Dir / "Sales-page1.svg")));
  // No such page, no such format: usage; a file that is no report: failed.
  EXPECT_EQ(run({"preview", report, "--page", "99", "--out", Q(Dir.Path())}), 2);
  EXPECT_EQ(run({"preview", report, "--format", "gif"}), 2);
  const std::string junk = Dir.Write("junk.kvf", "not a report");
  EXPECT_EQ(run({"preview", Q(junk), "--out", Q(Dir.Path())}), 1);
  EXPECT_FALSE(QFile::exists(Q(Dir / "junk-page1.png")));
  // A protected report opens with its password only.
  const QString locked = KV_EXAMPLES_DIR "/reports/Protected.kvf";
  EXPECT_EQ(run({"preview", locked, "--out", Q(Dir.Path())}), 1);
  EXPECT_EQ(run({"preview", locked, "--password", "kolvex", "--out", Q(Dir.Path())}), 0);
}

}  // namespace
}  // namespace kv

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  kv::RegisterReportLibrary();
  return RUN_ALL_TESTS();
}
