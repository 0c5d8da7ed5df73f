// Tests of the printer and paper model: the virtual printer's table and metrics, the rules that
// decide when a setting is already current, the start on a machine without printers, each
// context's own model and, through a scripted driver, the system-printer path with its fallbacks.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <stdexcept>
#include <string>

#include "legacy/Context.h"
#include "legacy/Messages.h"
#include "legacy/Printer.h"

namespace kv {
namespace {

// The metrics a page gets on the virtual printer for a paper of this many pixels.
TPageMetrics VirtualMetrics(std::int32_t widthPx, std::int32_t heightPx) {
  TPageMetrics m;
  m.PaperWidthPx = widthPx;
  m.PaperHeightPx = heightPx;
  m.OffsetXPx = 18;
  m.OffsetYPx = 18;
  m.PrintableWidthPx = widthPx - 36;
  m.PrintableHeightPx = heightPx - 36;
  return m;
}

// A printer model attached to no system printers, as a machine without printers starts it.
class PrinterVirtualTest : public ::testing::Test {
 protected:
  void SetUp() override { DefaultPaperId = StartPrinter(Printer, NoSystemPrinters()); }

  TkvPrinter Printer;
  std::int32_t DefaultPaperId = 0;
};

TEST(PrinterConstantTest, VirtualScaleIsNinetySixTimes775Over812) {
  EXPECT_EQ(VirtualPixelsPerInch, 96.0 * 775 / 812);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(VirtualPixelsPerInch), 0x4056E80A16B312EBull);
}

TEST_F(PrinterVirtualTest, StartsWithTheVirtualPrinterAloneAndNoDefaultPaper) {
  EXPECT_EQ(Printer.Printers, std::vector<std::string>{"Virtual printer"});
  EXPECT_EQ(Printer.PrinterIndex, 0);
  EXPECT_EQ(Printer.VirtualIndex, 0);
  EXPECT_TRUE(Printer.VirtualCurrent());
  EXPECT_FALSE(Printer.DeviceMode.has_value());
  EXPECT_EQ(DefaultPaperId, -1);
  EXPECT_EQ(Printer.CurrentPaper, -1);
  // Creation selected A4 through the table before the paper id was cleared.
  EXPECT_EQ(Printer.CurrentWidth, 2100);
  EXPECT_EQ(Printer.CurrentHeight, 2970);
  EXPECT_EQ(Printer.PaperIds.size(), 67u);
  EXPECT_EQ(Printer.PaperNames.size(), 67u);
  EXPECT_EQ(Printer.PaperNames[8], "A4 210 x 297 mm");

  // A new page with the default paper keeps that size and asks for the default source.
  const TPaperResult page = Printer.TakePaper(DefaultPaperId, 0, 0, -1, 0);
  EXPECT_EQ(page.Size, -1);
  EXPECT_EQ(page.Width, 2100);
  EXPECT_EQ(page.Height, 2970);
  EXPECT_EQ(page.Bin, 0xFFFF);
  EXPECT_EQ(page.Metrics, VirtualMetrics(758, 1071));
}

TEST_F(PrinterVirtualTest, PaperTableHasItsIdsSizesAndMessageNames) {
  ASSERT_EQ(Printer.PaperTable.size(), 67u);
  for (int row = 0; row < 67; ++row) {
    const TPaperInfo& paper = Printer.PaperTable[row];
    EXPECT_EQ(paper.Name, MessageText(55008 + row)) << "row " << row;
    EXPECT_FALSE(paper.Name.empty()) << "row " << row;
    EXPECT_NE(paper.Id, 48);
    EXPECT_NE(paper.Id, 49);
    EXPECT_EQ(Printer.PaperIds[row], paper.Id);
  }
  struct TRow {
    int Row, Id, Width, Height;
  };
  const TRow rows[] = {
      {0, 1, 2159, 2794},    {3, 4, 4318, 2794},   {8, 9, 2100, 2970},   {18, 19, 984, 2254},
      {25, 26, 8636, 11176}, {34, 35, 1760, 1250}, {46, 47, 2200, 2200}, {47, 50, 2355, 3048},
      {65, 68, 3220, 4450},  {66, 256, 0, 0},
  };
  for (const TRow& r : rows) {
    const TPaperInfo& paper = Printer.PaperTable[r.Row];
    EXPECT_EQ(paper.Id, r.Id) << "row " << r.Row;
    EXPECT_EQ(paper.Width, r.Width) << "row " << r.Row;
    EXPECT_EQ(paper.Height, r.Height) << "row " << r.Row;
  }
  EXPECT_EQ(Printer.PaperTable[19].Name, "#10 Envelope, 4 1/8  x 9 1/2\"");
}

TEST_F(PrinterVirtualTest, PaperSettingsBecomePixelsThroughTheFixedScale) {
  struct TCase {
    std::int32_t Size, Width, Height;
    std::uint8_t Orientation;
    std::int32_t ExpectedWidth, ExpectedHeight, WidthPx, HeightPx;
  };
  const TCase cases[] = {
      {9, 0, 0, 0, 2100, 2970, 758, 1071},         // A4 from the table
      {9, 0, 0, 1, 2970, 2100, 1071, 758},         // landscape swaps before converting
      {1, 5, 5, 0, 2159, 2794, 779, 1008},         // the table wins over the request
      {4, 0, 0, 1, 2794, 4318, 1008, 1558},        // a landscape-shaped row, swapped
      {256, 1000, 1500, 0, 1000, 1500, 361, 541},  // custom: the table is not consulted
      {256, 1000, 1500, 1, 1000, 1500, 361, 541},  // nor swapped
      {48, 1234, 2345, 0, 1234, 2345, 445, 846},   // an id the table lacks keeps the request
      {-1, 2100, 2970, 1, 2100, 2970, 758, 1071},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "size " << c.Size << " orientation " << int{c.Orientation});
    Printer.SelectPaper(c.Size, c.Width, c.Height, -1, c.Orientation, true);
    EXPECT_EQ(Printer.CurrentPaper, c.Size);
    EXPECT_EQ(Printer.CurrentWidth, c.ExpectedWidth);
    EXPECT_EQ(Printer.CurrentHeight, c.ExpectedHeight);
    EXPECT_EQ(Printer.CurrentOrientation, c.Orientation);
    TPageMetrics metrics;
    Printer.FillPageMetrics(metrics);
    EXPECT_EQ(metrics, VirtualMetrics(c.WidthPx, c.HeightPx));
  }
}

TEST_F(PrinterVirtualTest, VirtualPrinterLeavesTheDeviceFieldsAlone) {
  TPageMetrics metrics;
  metrics.DevicePaperWidth = 11;
  metrics.DeviceOffsetY = 12;
  metrics.DevicePrintableHeight = 13;
  const TPaperResult page = Printer.TakePaper(9, 0, 0, -1, 0, metrics);
  EXPECT_EQ(page.Metrics.DevicePaperWidth, 11);
  EXPECT_EQ(page.Metrics.DeviceOffsetY, 12);
  EXPECT_EQ(page.Metrics.DevicePrintableHeight, 13);
  EXPECT_EQ(page.Metrics.PaperWidthPx, 758);
}

TEST_F(PrinterVirtualTest, SameSettingsComparesIdOrientationAndSourceOrCustomSizeWithinOne) {
  struct TCase {
    std::int32_t Size, Width, Height, Bin;
    std::uint8_t Orientation;
    bool Same;
  };
  // Current: A4 portrait from source 3.
  Printer.SelectPaper(9, 0, 0, 3, 0, true);
  const TCase table[] = {
      {9, 2100, 2970, 3, 0, true},    {9, 1, 1, 3, 0, true},  // sizes of a table id don't count
      {9, 0, 0, -1, 0, true},         {9, 0, 0, 0xFFFF, 0, true},
      {9, 0, 0, 0x3FFFF, 0, true},  // only the low 16 bits mark the default source
      {9, 0, 0, 4, 0, false},         {9, 0, 0, 0xFFFE, 0, false},
      {9, 0, 0, 3, 1, false},         {10, 2100, 2970, 3, 0, false},
      {256, 2100, 2970, 3, 0, false},
  };
  for (const TCase& c : table) {
    EXPECT_EQ(Printer.SameSettings(c.Size, c.Width, c.Height, c.Bin, c.Orientation), c.Same)
        << "A4: size " << c.Size << " bin " << c.Bin << " orientation " << int{c.Orientation};
  }
  // Current: custom 1000 x 1500 portrait from source 3.
  Printer.SelectPaper(256, 1000, 1500, 3, 0, true);
  const TCase custom[] = {
      {256, 1000, 1500, 3, 0, true},     {256, 1001, 1499, 3, 0, true},
      {256, 999, 1501, -1, 0, true},     {256, 1002, 1500, 3, 0, false},
      {256, 1000, 1498, 3, 0, false},    {256, 1000, 1500, 3, 1, false},
      {256, 1000, 1500, 4, 0, true},  // a custom size is the same paper from any source
      {256, INT_MIN, 1500, 3, 0, false}, {9, 1000, 1500, 3, 0, false},
  };
  for (const TCase& c : custom) {
    EXPECT_EQ(Printer.SameSettings(c.Size, c.Width, c.Height, c.Bin, c.Orientation), c.Same)
        << "custom: " << c.Width << " x " << c.Height << " bin " << c.Bin << " orientation "
        << int{c.Orientation};
  }
  Printer.SelectPaper(256, INT_MAX, 1500, 3, 0, true);
  EXPECT_FALSE(Printer.SameSettings(256, INT_MIN, 1500, 3, 0));
}

TEST_F(PrinterVirtualTest, CurrentSettingsAreKeptUnlessForced) {
  Printer.SelectPaper(256, 1000, 1500, 3, 0, true);
  Printer.SelectPaper(256, 1001, 1499, -1, 0, false);
  EXPECT_EQ(Printer.CurrentWidth, 1000);
  EXPECT_EQ(Printer.CurrentHeight, 1500);
  EXPECT_EQ(Printer.CurrentBin, 3);
  Printer.SelectPaper(256, 1001, 1499, -1, 0, true);
  EXPECT_EQ(Printer.CurrentWidth, 1001);
  EXPECT_EQ(Printer.CurrentHeight, 1499);
  EXPECT_EQ(Printer.CurrentBin, -1);
}

TEST_F(PrinterVirtualTest, PageTakesTheCurrentSourceUnlessItAskedForTheDefault) {
  struct TCase {
    std::int32_t Bin, ExpectedBin;
  };
  const TCase cases[] = {{-1, 0xFFFF}, {0xFFFF, 0xFFFF}, {7, 7}, {0, 0}};
  for (const TCase& c : cases) {
    // Another page left source 3 current with the same paper.
    Printer.SelectPaper(9, 0, 0, 3, 0, true);
    const TPaperResult page = Printer.TakePaper(9, 0, 0, c.Bin, 0);
    EXPECT_EQ(page.Bin, c.ExpectedBin) << "requested " << c.Bin;
    EXPECT_EQ(page.Size, 9);
  }
}

TEST_F(PrinterVirtualTest, PaperIndexFallsBackToTheLastAndBinIndexToTheFirst) {
  EXPECT_EQ(Printer.PaperIndex(1), 0);
  EXPECT_EQ(Printer.PaperIndex(9), 8);
  EXPECT_EQ(Printer.PaperIndex(50), 47);
  EXPECT_EQ(Printer.PaperIndex(256), 66);
  EXPECT_EQ(Printer.PaperIndex(48), 66);
  EXPECT_EQ(Printer.PaperIndex(-1), 66);
  EXPECT_EQ(Printer.BinIndex(-1), 0);
  EXPECT_EQ(Printer.BinIndex(5), 0);
}

TEST_F(PrinterVirtualTest, RefreshNamesReloadsTableNamesAndTheVirtualEntry) {
  Printer.Printers.back() = "Old virtual entry";
  Printer.PaperTable[8].Name = "Old A4";
  Printer.PaperNames[8] = "Old A4";
  Printer.PaperTable[0].Name = "Old Letter";
  Printer.RefreshNames();
  EXPECT_EQ(Printer.Printers.back(), MessageText(55007));
  EXPECT_EQ(Printer.PaperTable[8].Name, MessageText(55016));
  EXPECT_EQ(Printer.PaperNames[8], MessageText(55016));
  EXPECT_EQ(Printer.PaperTable[0].Name, "Letter, 8 1/2 x 11\"");
}

TEST(PrinterContextTest, EachContextHasItsOwnStartedModel) {
  TConversionContext context;
  context.RestartPrinter();
  EXPECT_TRUE(context.PrinterReady());
  EXPECT_EQ(context.DefaultPaper(), -1);
  EXPECT_EQ(context.Printer().Printers, std::vector<std::string>{"Virtual printer"});
  context.Printer().SelectPaper(1, 0, 0, -1, 1, true);

  // Another context starts its own model on first use, from the defaults.
  TConversionContext other;
  EXPECT_NE(&other.Printer(), &context.Printer());
  EXPECT_EQ(other.DefaultPaper(), -1);
  EXPECT_EQ(other.Printer().CurrentWidth, 2100);
  EXPECT_EQ(context.Printer().CurrentWidth, 2794);

  context.RestartPrinter();
  EXPECT_EQ(context.Printer().CurrentWidth, 2100);
}

// A scripted driver with one printer. ReadDevice answers with the last device mode written.
class TFakePrinters : public TSystemPrinters {
 public:
  TFakePrinters() {
    Device.Device = "Office laser";
    Device.Driver = "laser driver";
    Device.Port = "LPT1:";
    TDeviceMode mode;
    mode.HasPaperSize = true;
    mode.PaperSize = 9;
    mode.HasOrientation = true;
    mode.Orientation = 1;
    mode.HasCopies = true;
    mode.Copies = 3;
    mode.HasDefaultSource = true;
    mode.DefaultSource = 7;
    Device.Mode = mode;
    // A4 at 600 dots per inch with a margin of 100 dots.
    Geometry_ = {600, 600, 4960, 7016, 100, 120, 4760, 6776};
  }

  std::vector<std::string> PrinterNames() override { return {"Office laser"}; }
  int PrinterIndex() override { return Index; }
  void SetPrinterIndex(int index) override { Index = index; }
  bool Printing() override { return IsPrinting; }
  TPrinterDevice ReadDevice() override {
    ++Reads;
    return Device;
  }
  void WriteDeviceMode(const TDeviceMode& mode) override {
    if (FailWrite) throw std::runtime_error("driver refused the device mode");
    Written.push_back(mode);
    Device.Mode = mode;
  }
  TDeviceGeometry Geometry() override {
    if (FailGeometry) throw std::runtime_error("driver is gone");
    return Geometry_;
  }
  std::vector<TDriverChoice> Papers() override { return PaperList; }
  std::vector<TDriverChoice> Bins() override { return {{7, "Automatic"}, {15, "Tray 1"}}; }

  TPrinterDevice Device;
  TDeviceGeometry Geometry_;
  std::vector<TDriverChoice> PaperList = {{1, "Letter"}, {9, "A4"}, {256, std::string(70, 'x')}};
  int Index = 0;
  int Reads = 0;
  bool IsPrinting = false;
  bool FailWrite = false;
  bool FailGeometry = false;
  std::vector<TDeviceMode> Written;
};

class PrinterSystemTest : public ::testing::Test {
 protected:
  void Start() { DefaultPaperId = StartPrinter(Printer, Fake); }

  TFakePrinters Fake;
  TkvPrinter Printer;
  std::int32_t DefaultPaperId = 0;
};

TEST_F(PrinterSystemTest, StartReadsTheDriversSettings) {
  Start();
  EXPECT_EQ(Printer.Printers, (std::vector<std::string>{"Office laser", "Virtual printer"}));
  EXPECT_EQ(Printer.PrinterIndex, 0);
  EXPECT_EQ(Printer.VirtualIndex, 1);
  EXPECT_EQ(DefaultPaperId, 9);
  EXPECT_EQ(Printer.Device, "Office laser");
  EXPECT_EQ(Printer.Driver, "laser driver");
  EXPECT_EQ(Printer.Port, "LPT1:");
  EXPECT_EQ(Printer.CurrentPaper, 9);
  EXPECT_EQ(Printer.CurrentWidth, 2100);   // 4960 / 600 * 254 = 2099.73
  EXPECT_EQ(Printer.CurrentHeight, 2970);  // 7016 / 600 * 254 = 2970.11
  EXPECT_EQ(Printer.CurrentOrientation, 0);
  EXPECT_EQ(Printer.CurrentBin, 7);
  EXPECT_EQ(Printer.PaperIds, (std::vector<std::uint16_t>{1, 9, 256}));
  EXPECT_EQ(Printer.PaperNames[2], std::string(64, 'x'));  // a driver name slot holds 64 bytes
  EXPECT_EQ(Printer.BinIds, (std::vector<std::uint16_t>{0xFFFF, 7, 15}));
  EXPECT_EQ(Printer.BinNames, (std::vector<std::string>{"Default", "Automatic", "Tray 1"}));
  EXPECT_EQ(Printer.BinIndex(15), 2);
  EXPECT_EQ(Printer.BinIndex(-1), 0);
  EXPECT_EQ(Printer.BinIndex(99), 0);
  EXPECT_EQ(Printer.PaperIndex(9), 1);
  EXPECT_EQ(Printer.PaperIndex(5), 2);

  TPageMetrics metrics;
  Printer.FillPageMetrics(metrics);
  const TPageMetrics expected = {4960, 7016, 757, 1071, 100, 120, 15, 18, 4760, 6776, 727, 1035};
  EXPECT_EQ(metrics, expected);
}

TEST_F(PrinterSystemTest, SettingsAreWrittenIntoTheDeviceModeAndReadBack) {
  Start();
  Printer.SelectPaper(1, 0, 0, 15, 1, false);
  ASSERT_EQ(Fake.Written.size(), 1u);
  const TDeviceMode& letter = Fake.Written.back();
  EXPECT_EQ(letter.PaperSize, 1);
  EXPECT_EQ(letter.Orientation, 2);
  EXPECT_EQ(letter.Copies, 1);
  EXPECT_EQ(letter.DefaultSource, 15);
  EXPECT_FALSE(letter.HasPaperLength);
  EXPECT_FALSE(letter.HasPaperWidth);
  EXPECT_EQ(Printer.CurrentPaper, 1);
  EXPECT_EQ(Printer.CurrentOrientation, 1);
  EXPECT_EQ(Printer.CurrentBin, 15);

  // A custom size marks length and width; the default source leaves the driver's source alone.
  Printer.SelectPaper(256, 1000, 1500, 0xFFFF, 0, false);
  const TDeviceMode& custom = Fake.Written.back();
  EXPECT_TRUE(custom.HasPaperLength);
  EXPECT_TRUE(custom.HasPaperWidth);
  EXPECT_EQ(custom.PaperLength, 1500);
  EXPECT_EQ(custom.PaperWidth, 1000);
  EXPECT_EQ(custom.PaperSize, 256);
  EXPECT_EQ(custom.Orientation, 1);
  EXPECT_EQ(custom.DefaultSource, 15);

  // A field the driver does not carry is not written.
  Fake.Device.Mode->HasDefaultSource = false;
  Fake.Device.Mode->DefaultSource = 0;
  Printer.SelectPrinter(1);
  Printer.SelectPrinter(0);
  Printer.SelectPaper(9, 0, 0, 15, 0, true);
  EXPECT_EQ(Fake.Written.back().DefaultSource, 0);
}

TEST_F(PrinterSystemTest, PaperListHoldsAtMost256Papers) {
  Fake.PaperList.clear();
  for (int id = 1; id <= 300; ++id) {
    Fake.PaperList.push_back({static_cast<std::uint16_t>(id), "Paper " + std::to_string(id)});
  }
  Start();
  ASSERT_FALSE(Printer.VirtualCurrent());
  ASSERT_EQ(Printer.PaperIds.size(), 256u);
  ASSERT_EQ(Printer.PaperNames.size(), 256u);
  EXPECT_EQ(Printer.PaperIds.back(), 256);
  EXPECT_EQ(Printer.PaperNames.back(), "Paper 256");
  EXPECT_EQ(Printer.PaperIndex(300), 255);
}

TEST_F(PrinterSystemTest, DriverSizesRoundHalvesToEven) {
  // 512 dots per inch make the conversions exact: 384 -> 190.5, 640 -> 317.5, 128 -> 63.5.
  struct TCase {
    std::int32_t Dots, Expected;
  };
  const TCase cases[] = {{384, 190}, {640, 318}, {128, 64}, {385, 191}};
  for (const TCase& c : cases) {
    Fake.Geometry_ = {512, 512, c.Dots, c.Dots, 0, 0, c.Dots, c.Dots};
    Printer.AttachSystemPrinter(&Fake);
    ASSERT_FALSE(Printer.VirtualCurrent());
    EXPECT_EQ(Printer.CurrentWidth, c.Expected) << c.Dots << " dots";
    EXPECT_EQ(Printer.CurrentHeight, c.Expected) << c.Dots << " dots";
  }
}

TEST_F(PrinterSystemTest, AFailingDriverGivesWayToTheVirtualPrinter) {
  struct TCase {
    const char* Name;
    void (*Break)(TFakePrinters&);
  };
  const TCase cases[] = {
      {"no device mode", [](TFakePrinters& f) { f.Device.Mode.reset(); }},
      {"geometry fails", [](TFakePrinters& f) { f.FailGeometry = true; }},
      {"no resolution", [](TFakePrinters& f) { f.Geometry_.DpiX = 0; }},
      {"absurd size", [](TFakePrinters& f) { f.Geometry_ = {1, 1, INT_MAX, 100, 0, 0, 1, 1}; }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFakePrinters fake;
    c.Break(fake);
    TkvPrinter printer;
    const std::int32_t defaultPaper = StartPrinter(printer, fake);
    EXPECT_EQ(printer.Printers, (std::vector<std::string>{"Office laser", "Virtual printer"}));
    EXPECT_TRUE(printer.VirtualCurrent());
    EXPECT_EQ(defaultPaper, -1);
    EXPECT_EQ(printer.PaperIds.size(), 67u);
    const TPaperResult page = printer.TakePaper(9, 0, 0, -1, 1);
    EXPECT_EQ(page.Width, 2970);
    EXPECT_EQ(page.Metrics, VirtualMetrics(1071, 758));
  }
}

TEST_F(PrinterSystemTest, RefusedDeviceModeAppliesTheSettingsToTheVirtualPrinter) {
  Start();
  Fake.FailWrite = true;
  Printer.SelectPaper(1, 0, 0, -1, 0, false);
  EXPECT_TRUE(Printer.VirtualCurrent());
  EXPECT_EQ(Printer.CurrentPaper, 1);
  EXPECT_EQ(Printer.CurrentWidth, 2159);
  EXPECT_EQ(Printer.CurrentHeight, 2794);
}

TEST_F(PrinterSystemTest, PageFallsBackToTheCustomSizeWhenTheDriverFails) {
  Start();
  Fake.FailGeometry = true;
  // The settings are current, so only the metrics reach the failing driver.
  const TPaperResult page = Printer.TakePaper(9, 2100, 2970, 7, 0);
  EXPECT_TRUE(Printer.VirtualCurrent());
  EXPECT_EQ(page.Size, 256);
  EXPECT_EQ(page.Width, 2100);
  EXPECT_EQ(page.Height, 2970);
  EXPECT_EQ(page.Bin, 0xFFFF);
  EXPECT_EQ(page.Metrics, VirtualMetrics(758, 1071));
}

TEST_F(PrinterSystemTest, WhilePrintingTheSettingsStayAndAFailingPrinterStillGivesWay) {
  Start();
  Fake.IsPrinting = true;
  Printer.SelectPaper(1, 0, 0, -1, 1, true);
  EXPECT_TRUE(Fake.Written.empty());
  EXPECT_EQ(Printer.CurrentPaper, 9);

  // Selection does nothing and the metrics fail twice: the virtual printer takes over.
  Fake.FailGeometry = true;
  const TPaperResult page = Printer.TakePaper(1, 1000, 1500, -1, 0);
  EXPECT_TRUE(Printer.VirtualCurrent());
  EXPECT_EQ(page.Size, 256);
  EXPECT_EQ(page.Width, 1000);
  EXPECT_EQ(page.Metrics, VirtualMetrics(361, 541));
}

TEST_F(PrinterSystemTest, SelectingPrintersSwitchesBetweenDriverAndTable) {
  Start();
  Printer.SelectPrinter(1);
  EXPECT_TRUE(Printer.VirtualCurrent());
  EXPECT_EQ(Printer.PaperIds.size(), 67u);
  const int reads = Fake.Reads;
  Printer.SelectPrinter(0);
  EXPECT_FALSE(Printer.VirtualCurrent());
  EXPECT_EQ(Fake.Reads, reads + 1);
  EXPECT_EQ(Printer.PaperIds.size(), 3u);
  Printer.SelectPrinter(0);  // already current
  Printer.SelectPrinter(2);  // outside the list
  Printer.SelectPrinter(-1);
  EXPECT_EQ(Printer.PrinterIndex, 0);
  EXPECT_EQ(Fake.Reads, reads + 1);
}

TEST(PrinterRestartTest, ContextModelCanBeStartedAgainstADriver) {
  TConversionContext context;
  TConversionContext other;
  auto fake = std::make_unique<TFakePrinters>();
  TFakePrinters* driver = fake.get();
  context.RestartPrinter(std::move(fake));
  EXPECT_TRUE(context.PrinterReady());
  EXPECT_EQ(context.DefaultPaper(), 9);
  EXPECT_EQ(context.Printer().SystemPrinter, driver);
  EXPECT_EQ(context.Printer().Printers.size(), 2u);
  // The driver is the restarted context's alone.
  EXPECT_EQ(other.DefaultPaper(), -1);
  EXPECT_EQ(other.Printer().SystemPrinter, nullptr);
  context.RestartPrinter();
  EXPECT_EQ(context.DefaultPaper(), -1);
  EXPECT_EQ(context.Printer().SystemPrinter, nullptr);
}

}  // namespace
}  // namespace kv
