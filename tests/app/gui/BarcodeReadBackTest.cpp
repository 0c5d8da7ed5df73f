// The barcode encoder read back by an independent decoder: every symbology the decoder knows is
// drawn through the Qt canvas into an image with quiet zones, at 0 and 90 degrees and at two and
// three pixels per module, turned into 8-bit grey and scanned; the decoded symbology and text
// must be the ones encoded. (At one pixel per module the decoder misses some symbols of every
// kind; that is its resolution, not the pattern.) The decoder does not read UPC-E of number
// system 1, the supplements nor the 2 of 5 codes other than interleaved, MSI and PostNet; their
// patterns are checked against the published tables in the encoder's unit tests.
#include <gtest/gtest.h>
#include <zbar.h>

#include <QImage>
#include <QPainter>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "app/gui/QtBarcodeCanvas.h"
#include "objects/BarcodeEncoder.h"

namespace kv::gui {
namespace {

// The quiet zone around the symbol and the bar height, in pixels.
constexpr int QuietZone = 40;
constexpr int BarHeight = 80;

// The image of the encoder's drawing: white, with the symbol at the quiet zone's distance from
// every edge.
QImage Render(TkvBarcode& barcode) {
  barcode.SetHeight(BarHeight);
  barcode.SetLeft(QuietZone);
  barcode.SetTop(QuietZone);
  const int length = barcode.Width();
  const bool upright = std::fmod(barcode.Angle(), 180.0) != 0;
  const int width = (upright ? BarHeight : length) + 2 * QuietZone;
  const int height = (upright ? length : BarHeight) + 2 * QuietZone;
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  TQtBarcodeCanvas canvas(painter);
  barcode.DrawBarcode(canvas);
  painter.end();
  return image;
}

struct TDecoded {
  std::string Symbology;
  std::string Data;
  friend bool operator==(const TDecoded&, const TDecoded&) = default;
  friend std::ostream& operator<<(std::ostream& out, const TDecoded& d) {
    return out << d.Symbology << " <" << d.Data << ">";
  }
};

// Every symbol the decoder finds in the image, with all its symbologies on.
std::vector<TDecoded> Decode(const QImage& image) {
  const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
  // The decoder takes rows without padding.
  std::vector<std::uint8_t> pixels;
  pixels.reserve(static_cast<std::size_t>(grey.width()) * grey.height());
  for (int y = 0; y < grey.height(); ++y) {
    const uchar* row = grey.constScanLine(y);
    pixels.insert(pixels.end(), row, row + grey.width());
  }
  zbar::zbar_image_scanner_t* scanner = zbar::zbar_image_scanner_create();
  zbar::zbar_image_scanner_set_config(scanner, zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 1);
  zbar::zbar_image_t* zimage = zbar::zbar_image_create();
  zbar::zbar_image_set_format(zimage, zbar_fourcc('Y', '8', '0', '0'));
  zbar::zbar_image_set_size(zimage, static_cast<unsigned>(grey.width()),
                            static_cast<unsigned>(grey.height()));
  zbar::zbar_image_set_data(zimage, pixels.data(), pixels.size(), nullptr);
  zbar::zbar_scan_image(scanner, zimage);
  std::vector<TDecoded> found;
  for (const zbar::zbar_symbol_t* symbol = zbar::zbar_image_first_symbol(zimage); symbol;
       symbol = zbar::zbar_symbol_next(symbol)) {
    found.push_back({zbar::zbar_get_symbol_name(zbar::zbar_symbol_get_type(symbol)),
                     std::string(zbar::zbar_symbol_get_data(symbol),
                                 zbar::zbar_symbol_get_data_length(symbol))});
  }
  zbar::zbar_image_destroy(zimage);
  zbar::zbar_image_scanner_destroy(scanner);
  return found;
}

struct TCase {
  TkvBarcodeType Typ;
  std::string Text;
  bool Checksum;
  TDecoded Expected;
};

void PrintTo(const TCase& c, std::ostream* out) {
  *out << BCdata[c.Typ].Name << " \"" << c.Text << "\"" << (c.Checksum ? " with check" : "");
}

class BarcodeReadBackTest : public ::testing::TestWithParam<TCase> {};

TEST_P(BarcodeReadBackTest, DecodesToTheEncodedText) {
  const TCase& c = GetParam();
  for (const double angle : {0.0, 90.0}) {
    SCOPED_TRACE(angle);
    for (const int modul : {2, 3}) {
      SCOPED_TRACE(modul);
      TkvBarcode barcode;
      barcode.SetTyp(c.Typ);
      barcode.SetText(c.Text);
      barcode.SetChecksum(c.Checksum);
      barcode.SetModul(modul);
      barcode.SetAngle(angle);
      EXPECT_EQ(Decode(Render(barcode)), std::vector<TDecoded>{c.Expected});
    }
  }
}

const TCase Cases[] = {
    {bcCodeEAN13, "400638133393", true, {"EAN-13", "4006381333931"}},
    {bcCodeEAN13, "5901234123457", false, {"EAN-13", "5901234123457"}},
    {bcCodeEAN8, "9638507", true, {"EAN-8", "96385074"}},
    {bcCodeUPC_A, "03600029145", true, {"UPC-A", "036000291452"}},
    {bcCodeUPC_E0, "425261", true, {"UPC-E", "04252614"}},
    {bcCode39, "CODE 39-$/+%.", false, {"CODE-39", "CODE 39-$/+%."}},
    {bcCode39, "CODE39", true, {"CODE-39", "CODE39W"}},
    // The decoder reports full ASCII Code 39 as the Code 39 characters that carry it.
    {bcCode39Extended, "Hello, World!", false, {"CODE-39", "H+E+L+L+O/L W+O+R+L+D/A"}},
    {bcCode93, "TEST93", false, {"CODE-93", "TEST93"}},
    {bcCode93Extended, "Code 93 ~{}", false, {"CODE-93", "Code 93 ~{}"}},
    {bcCode128A, "CODE 128\tA", false, {"CODE-128", "CODE 128\tA"}},
    {bcCode128B, "Code 128 b~", false, {"CODE-128", "Code 128 b~"}},
    {bcCode128C, "0123456789", false, {"CODE-128", "0123456789"}},
    {bcCode128C, "12345", false, {"CODE-128", "12345"}},
    {bcCodeEAN128A, "0112345678901231", false, {"CODE-128", "0112345678901231"}},
    {bcCodeEAN128B, "10abc", false, {"CODE-128", "10abc"}},
    {bcCodeEAN128C, "00123456789012345675", false, {"CODE-128", "00123456789012345675"}},
    {bcCodeCodabar, "A40156B", false, {"Codabar", "A40156B"}},
    {bcCodeCodabar, "31117013206375", false, {"Codabar", "A31117013206375B"}},
    {bcCode_2_5_interleaved, "1234567890", false, {"I2/5", "1234567890"}},
    {bcCode_2_5_interleaved, "123456789", true, {"I2/5", "1234567895"}},
};

INSTANTIATE_TEST_SUITE_P(Symbologies, BarcodeReadBackTest, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<TCase>& info) {
                           std::string name = BCdata[info.param.Typ].Name;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name + "_" + std::to_string(info.index);
                         });

}  // namespace
}  // namespace kv::gui
