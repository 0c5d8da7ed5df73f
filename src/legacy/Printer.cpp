// The printer and paper model: the virtual printer's paper table and metrics, the system-printer
// path through TSystemPrinters with its fallback to the virtual printer, and each thread's model.
#include "legacy/Printer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "base/Errors.h"
#include "legacy/Messages.h"

namespace kv {

namespace {

constexpr int VirtualPrinterMessage = 55007;
constexpr int FirstPaperNameMessage = 55008;
constexpr int DefaultBinMessage = 55435;

// Buffer and slot sizes of the driver's texts: names in 128-byte buffers with their terminator,
// paper names in 64-byte and bin names in 24-byte slots that need none.
constexpr std::size_t DeviceNameLength = 127;
constexpr std::size_t PaperNameLength = 64;
constexpr std::size_t BinNameLength = 24;

// Unprintable edge of the virtual printer, tenths of a millimetre.
constexpr long double VirtualOffset = 50;

struct TPaperSize {
  std::int32_t Id;
  std::int32_t Width;
  std::int32_t Height;
};

// Ids, widths and heights (tenths of a millimetre, portrait) of the virtual printer's papers; the
// names are messages 55008 + row. Ids 48 and 49 do not occur.
constexpr std::array<TPaperSize, PaperTableSize> PaperSizes = {{
    {1, 2159, 2794},   {2, 2159, 2794},     {3, 2794, 4318},  {4, 4318, 2794},  {5, 2159, 3556},
    {6, 1397, 2159},   {7, 1842, 2667},     {8, 2970, 4200},  {9, 2100, 2970},  {10, 2100, 2970},
    {11, 1480, 2100},  {12, 2500, 3540},    {13, 1820, 2570}, {14, 2159, 3302}, {15, 2150, 2750},
    {16, 2540, 3556},  {17, 2794, 4318},    {18, 2159, 2794}, {19, 984, 2254},  {20, 1048, 2413},
    {21, 1143, 2635},  {22, 1207, 2794},    {23, 1270, 2921}, {24, 4318, 5588}, {25, 5588, 8636},
    {26, 8636, 11176}, {27, 1100, 2200},    {28, 1620, 2290}, {29, 3240, 4580}, {30, 2290, 3240},
    {31, 1140, 1620},  {32, 1140, 2290},    {33, 2500, 3530}, {34, 1760, 2500}, {35, 1760, 1250},
    {36, 1100, 2300},  {37, 984, 1905},     {38, 920, 1651},  {39, 3778, 2794}, {40, 2159, 3048},
    {41, 2159, 3302},  {42, 2500, 3530},    {43, 1000, 1480}, {44, 2286, 2794}, {45, 2540, 2794},
    {46, 3810, 2794},  {47, 2200, 2200},    {50, 2355, 3048}, {51, 2355, 3810}, {52, 2969, 4572},
    {53, 2354, 3223},  {54, 2101, 2794},    {55, 2100, 2970}, {56, 2355, 3048}, {57, 2270, 3560},
    {58, 3050, 4870},  {59, 2159, 3223},    {60, 2100, 3300}, {61, 1480, 2100}, {62, 1820, 2570},
    {63, 3220, 4450},  {64, 1740, 2350},    {65, 2010, 2760}, {66, 4200, 5940}, {67, 2970, 4200},
    {68, 3220, 4450},  {CustomPaper, 0, 0},
}};

// Rounds to the nearest integer, halves to the even neighbour, in extended precision and
// independent of the floating-point environment. A value that is not finite or does not fit
// 32 bits is an error, so that a broken driver answer ends in the fallback instead of a garbage
// size.
std::int32_t RoundExtended(long double value) {
  if (!std::isfinite(value)) throw EKvError("Invalid floating point operation");
  long double whole = std::floor(value);
  const long double fraction = value - whole;  // exact: value and its floor share the scale
  if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0)) whole += 1;
  if (whole < std::numeric_limits<std::int32_t>::min() ||
      whole > std::numeric_limits<std::int32_t>::max()) {
    throw EKvError("Invalid floating point operation");
  }
  return static_cast<std::int32_t>(whole);
}

// The text a driver leaves in a fixed slot: up to its first NUL and at most length bytes.
std::string SlotText(const std::string& text, std::size_t length) {
  return text.substr(0, std::min(text.find('\0'), length));
}

// True for a paper-source id that asks for the printer's default source: -1, also in the 16-bit
// form 0xFFFF that pages store.
bool IsDefaultBin(std::int32_t bin) {
  return (bin & 0xFFFF) == 0xFFFF;
}

// The system printers of a machine without printers.
class TNoSystemPrinters final : public TSystemPrinters {
 public:
  std::vector<std::string> PrinterNames() override { return {}; }
  int PrinterIndex() override { return -1; }
  void SetPrinterIndex(int) override { throw EKvError("There is no printer"); }
  bool Printing() override { return false; }
  TPrinterDevice ReadDevice() override { return {}; }
  void WriteDeviceMode(const TDeviceMode&) override { throw EKvError("There is no printer"); }
  TDeviceGeometry Geometry() override { throw EKvError("There is no printer"); }
  std::vector<TDriverChoice> Papers() override { return {}; }
  std::vector<TDriverChoice> Bins() override { return {}; }
};

}  // namespace

TSystemPrinters& NoSystemPrinters() {
  static TNoSystemPrinters none;
  return none;
}

TkvPrinter::TkvPrinter(const std::function<std::string(int id)>* localizer)
    : Localizer(localizer) {
  for (int row = 0; row < PaperTableSize; ++row) {
    PaperTable[row].Id = PaperSizes[row].Id;
    PaperTable[row].Width = PaperSizes[row].Width;
    PaperTable[row].Height = PaperSizes[row].Height;
  }
  CurrentPaper = 9;
  RefreshNames();
}

std::string TkvPrinter::Text(int id) const {
  return Localizer ? MessageText(id, *Localizer) : MessageText(id);
}

void TkvPrinter::LoadTableNames() {
  for (int row = 0; row < PaperTableSize; ++row) {
    PaperTable[row].Name = Text(FirstPaperNameMessage + row);
  }
}

void TkvPrinter::RefreshNames() {
  LoadTableNames();
  if (Printers.empty()) return;
  Printers.back() = Text(VirtualPrinterMessage);
  // The virtual printer's paper list shows the table names; keep it in step with them.
  if (VirtualCurrent()) {
    PaperNames.clear();
    for (const TPaperInfo& row : PaperTable) PaperNames.push_back(row.Name);
  }
}

bool TkvPrinter::SameSettings(std::int32_t size, std::int32_t width, std::int32_t height,
                              std::int32_t bin, std::uint8_t orientation) const {
  if (size != CurrentPaper || orientation != CurrentOrientation) return false;
  if (size != CustomPaper) {
    // The printer's default source matches whatever source is current.
    return bin == CurrentBin || IsDefaultBin(bin);
  }
  // A custom size is the same paper whatever its source; read back from a driver it may be off
  // by one tenth of a millimetre.
  const auto near = [](std::int32_t a, std::int32_t b) {
    return std::abs(std::int64_t{a} - std::int64_t{b}) <= 1;
  };
  return near(CurrentWidth, width) && near(CurrentHeight, height);
}

void TkvPrinter::SelectPaper(std::int32_t size, std::int32_t width, std::int32_t height,
                             std::int32_t bin, std::uint8_t orientation, bool force) {
  // A job on its way to the printer keeps the printer's settings.
  if (!VirtualCurrent() && SystemPrinter != nullptr && SystemPrinter->Printing()) return;
  if (!force && SameSettings(size, width, height, bin, orientation)) return;
  CurrentPaper = size;
  CurrentWidth = width;
  CurrentHeight = height;
  CurrentOrientation = orientation;
  CurrentBin = bin;
  ApplySettings();
}

void TkvPrinter::ApplySettings() {
  if (!VirtualCurrent()) {
    try {
      ApplyToDevice();
      return;
    } catch (...) {
      DeviceMode.reset();
    }
    SelectPrinter(VirtualIndex);  // applies the settings to the virtual printer
    return;
  }
  // The virtual printer's lists are the paper table; they are rebuilt only when they are not
  // that already (every paper change of every report comes here).
  const bool listsCurrent =
      PaperIds.size() == PaperTable.size() && PaperNames.size() == PaperTable.size() &&
      std::equal(PaperTable.begin(), PaperTable.end(), PaperIds.begin(),
                 [](const TPaperInfo& row, std::uint16_t id) {
                   return static_cast<std::uint16_t>(row.Id) == id;
                 }) &&
      std::equal(PaperTable.begin(), PaperTable.end(), PaperNames.begin(),
                 [](const TPaperInfo& row, const std::string& name) { return row.Name == name; });
  if (!listsCurrent) {
    PaperNames.clear();
    PaperIds.clear();
    for (const TPaperInfo& row : PaperTable) {
      PaperNames.push_back(row.Name);
      PaperIds.push_back(static_cast<std::uint16_t>(row.Id));
    }
  }
  // A custom size, or an id the table lacks, keeps the width and height just requested.
  if (CurrentPaper == CustomPaper) return;
  for (const TPaperInfo& row : PaperTable) {
    if (row.Id != CurrentPaper) continue;
    const bool landscape = CurrentOrientation == 1;
    CurrentWidth = landscape ? row.Height : row.Width;
    CurrentHeight = landscape ? row.Width : row.Height;
    break;
  }
}

void TkvPrinter::ApplyToDevice() {
  if (SystemPrinter == nullptr || !DeviceMode) throw EKvError("There is no device mode");
  TDeviceMode mode = *DeviceMode;
  const bool custom = CurrentPaper == CustomPaper;
  mode.HasPaperLength = custom;
  mode.HasPaperWidth = custom;
  if (custom) {
    mode.PaperLength = CurrentHeight;
    mode.PaperWidth = CurrentWidth;
  }
  if (mode.HasPaperSize) mode.PaperSize = CurrentPaper;
  if (mode.HasOrientation) mode.Orientation = CurrentOrientation == 1 ? 2 : 1;
  if (mode.HasCopies) mode.Copies = 1;
  // The default source, also in its 16-bit form, leaves the driver's own choice in place.
  if (mode.HasDefaultSource && !IsDefaultBin(CurrentBin)) mode.DefaultSource = CurrentBin;
  SystemPrinter->WriteDeviceMode(mode);
  DeviceMode = mode;
  QueryPrinter();
}

void TkvPrinter::QueryPrinter() {
  if (VirtualCurrent() || SystemPrinter == nullptr) return;
  bool read = false;
  try {
    ReadFromDevice();
    read = true;
  } catch (...) {
  }
  if (!read) {
    DeviceMode.reset();
    SelectPrinter(VirtualIndex);
  }
}

// Reads everything first and changes the fields only when all of it could be read, so that a
// failure leaves the model as it was for the fallback to the virtual printer.
void TkvPrinter::ReadFromDevice() {
  TPrinterDevice device = SystemPrinter->ReadDevice();
  if (!device.Mode) throw EKvError("There is no device mode");
  const TDeviceMode& mode = *device.Mode;
  const TDeviceGeometry geometry = SystemPrinter->Geometry();
  if (geometry.DpiX <= 0 || geometry.DpiY <= 0) throw EKvError("Invalid printer resolution");
  // Device units over dots per inch are inches; 254 tenths of a millimetre make an inch.
  const std::int32_t width =
      RoundExtended(static_cast<long double>(geometry.PhysicalWidth) / geometry.DpiX * 254);
  const std::int32_t height =
      RoundExtended(static_cast<long double>(geometry.PhysicalHeight) / geometry.DpiY * 254);

  std::vector<std::uint16_t> paperIds;
  std::vector<std::string> paperNames;
  for (const TDriverChoice& paper : SystemPrinter->Papers()) {
    if (paperIds.size() == MaxPaperIds) break;
    paperIds.push_back(paper.Id);
    paperNames.push_back(SlotText(paper.Name, PaperNameLength));
  }
  std::vector<std::uint16_t> binIds = {0xFFFF};
  std::vector<std::string> binNames = {Text(DefaultBinMessage)};
  for (const TDriverChoice& bin : SystemPrinter->Bins()) {
    binIds.push_back(bin.Id);
    binNames.push_back(SlotText(bin.Name, BinNameLength));
  }

  Device = SlotText(device.Device, DeviceNameLength);
  Driver = SlotText(device.Driver, DeviceNameLength);
  Port = SlotText(device.Port, DeviceNameLength);
  DeviceMode = mode;
  CurrentPaper = mode.PaperSize;
  CurrentWidth = width;
  CurrentHeight = height;
  PaperIds = std::move(paperIds);
  PaperNames = std::move(paperNames);
  CurrentBin = mode.DefaultSource;
  BinIds = std::move(binIds);
  BinNames = std::move(binNames);
  CurrentOrientation = mode.Orientation == 1 ? 0 : 1;
}

void TkvPrinter::FillPageMetrics(TPageMetrics& metrics) {
  TPageMetrics result = metrics;
  if (VirtualCurrent()) {
    const long double k = VirtualPixelsPerInch;
    result.PaperWidthPx = RoundExtended(CurrentWidth * k / 254);
    result.PaperHeightPx = RoundExtended(CurrentHeight * k / 254);
    result.OffsetXPx = RoundExtended(VirtualOffset * k / 254);
    result.OffsetYPx = result.OffsetXPx;
    result.PrintableWidthPx = result.PaperWidthPx - 2 * result.OffsetXPx;
    result.PrintableHeightPx = result.PaperHeightPx - 2 * result.OffsetYPx;
    metrics = result;
    return;
  }
  if (SystemPrinter == nullptr) throw EKvError("There is no printer");
  const TDeviceGeometry geometry = SystemPrinter->Geometry();
  if (geometry.DpiX <= 0 || geometry.DpiY <= 0) throw EKvError("Invalid printer resolution");
  const double kx = VirtualPixelsPerInch / geometry.DpiX;
  const double ky = VirtualPixelsPerInch / geometry.DpiY;
  const auto x = [kx](std::int32_t value) {
    return RoundExtended(static_cast<long double>(value) * kx);
  };
  const auto y = [ky](std::int32_t value) {
    return RoundExtended(static_cast<long double>(value) * ky);
  };
  result.DevicePaperWidth = geometry.PhysicalWidth;
  result.DevicePaperHeight = geometry.PhysicalHeight;
  result.PaperWidthPx = x(geometry.PhysicalWidth);
  result.PaperHeightPx = y(geometry.PhysicalHeight);
  result.DeviceOffsetX = geometry.PhysicalOffsetX;
  result.DeviceOffsetY = geometry.PhysicalOffsetY;
  result.OffsetXPx = x(geometry.PhysicalOffsetX);
  result.OffsetYPx = y(geometry.PhysicalOffsetY);
  result.DevicePrintableWidth = geometry.PageWidth;
  result.DevicePrintableHeight = geometry.PageHeight;
  result.PrintableWidthPx = x(geometry.PageWidth);
  result.PrintableHeightPx = y(geometry.PageHeight);
  metrics = result;
}

void TkvPrinter::AttachSystemPrinter(TSystemPrinters* system) {
  Printers.clear();
  PrinterIndex = 0;
  SystemPrinter = system;
  DeviceMode.reset();
  Device.clear();
  Driver.clear();
  Port.clear();
  std::vector<std::string> names;
  int index = 0;
  try {
    if (system != nullptr) names = system->PrinterNames();
    if (!names.empty()) {
      index = system->PrinterIndex();
      // A printer list without a valid current entry starts at its first printer.
      if (index < 0 || index >= static_cast<int>(names.size())) {
        index = 0;
        system->SetPrinterIndex(0);
      }
    }
  } catch (...) {
    names.clear();  // printers that cannot be listed count as none
  }
  if (names.empty()) SystemPrinter = nullptr;
  Printers = std::move(names);
  PrinterIndex = index;
  Printers.push_back(Text(VirtualPrinterMessage));
  VirtualIndex = static_cast<std::int32_t>(Printers.size()) - 1;
  if (VirtualCurrent()) {
    ApplySettings();
  } else {
    QueryPrinter();
  }
}

void TkvPrinter::SelectPrinter(std::int32_t index) {
  if (index == PrinterIndex || index < 0 || index > VirtualIndex) return;
  PrinterIndex = index;
  if (VirtualCurrent()) {
    ApplySettings();
    return;
  }
  if (SystemPrinter == nullptr) return;
  try {
    SystemPrinter->SetPrinterIndex(index);
  } catch (...) {
    DeviceMode.reset();
    SelectPrinter(VirtualIndex);
    return;
  }
  QueryPrinter();
}

int TkvPrinter::PaperIndex(std::int32_t id) const {
  for (std::size_t i = 0; i < PaperIds.size(); ++i) {
    if (PaperIds[i] == id) return static_cast<int>(i);
  }
  return static_cast<int>(PaperIds.size()) - 1;
}

int TkvPrinter::BinIndex(std::int32_t id) const {
  for (std::size_t i = 0; i < BinIds.size(); ++i) {
    if (BinIds[i] == (id & 0xFFFF)) return static_cast<int>(i);
  }
  return 0;
}

TPaperResult TkvPrinter::TakePaper(std::int32_t size, std::int32_t width, std::int32_t height,
                                   std::int32_t bin, std::uint8_t orientation,
                                   const TPageMetrics& metrics) {
  TPaperResult result;
  result.Metrics = metrics;
  std::int32_t requestedBin = bin;
  const auto take = [&](std::int32_t takenSize, std::int32_t takenBin) {
    requestedBin = takenBin;
    SelectPaper(takenSize, width, height, takenBin, orientation, false);
    TPageMetrics filled = metrics;
    FillPageMetrics(filled);
    result.Metrics = filled;
  };
  try {
    take(size, bin);
  } catch (...) {
    try {
      take(CustomPaper, DefaultBin);
    } catch (...) {
      // The virtual printer cannot fail; a printer that fails twice gives way to it.
      DeviceMode.reset();
      SelectPrinter(VirtualIndex);
      take(CustomPaper, DefaultBin);
    }
  }
  result.Size = CurrentPaper;
  result.Width = CurrentWidth;
  result.Height = CurrentHeight;
  result.Orientation = CurrentOrientation;
  // A page that asked for the default source (itself or through the fallback) keeps asking for
  // it in the 16-bit form, whichever source is current.
  result.Bin = IsDefaultBin(requestedBin) ? 0xFFFF : CurrentBin;
  return result;
}

std::int32_t StartPrinter(TkvPrinter& printer, TSystemPrinters& system) {
  try {
    printer.AttachSystemPrinter(&system);
    if (!printer.DeviceMode) {
      printer.SelectPrinter(printer.VirtualIndex);
      printer.CurrentPaper = -1;
    }
  } catch (...) {
    try {
      printer.AttachSystemPrinter(nullptr);
      printer.CurrentPaper = -1;
    } catch (...) {
    }
  }
  return printer.CurrentPaper;
}

}  // namespace kv
