// The printer and paper model: turns a page's paper setting (paper id, size in tenths of a
// millimetre, paper source, orientation) into page metrics in screen pixels. It knows the system's
// printers, reached through the TSystemPrinters interface, plus the built-in virtual printer with
// its table of 67 paper sizes. Each thread has its own model (Prn()), since every page load
// changes the model's current settings.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// Paper id of a custom size given by width and height.
inline constexpr std::int32_t CustomPaper = 256;
// Rows of the virtual printer's paper table.
inline constexpr int PaperTableSize = 67;
// Most paper ids taken from a printer driver.
inline constexpr int MaxPaperIds = 256;
// Paper-source id of the printer's default source.
inline constexpr std::int32_t DefaultBin = -1;

// One row of the virtual printer's paper table. Width and height are in tenths of a millimetre,
// portrait.
struct TPaperInfo {
  std::int32_t Id = 0;
  std::string Name;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

// The paper and its printable area of a page. "Device" fields are in the printer's device units
// and stay untouched while the virtual printer is current; "Px" fields are screen pixels.
struct TPageMetrics {
  std::int32_t DevicePaperWidth = 0;
  std::int32_t DevicePaperHeight = 0;
  std::int32_t PaperWidthPx = 0;
  std::int32_t PaperHeightPx = 0;
  std::int32_t DeviceOffsetX = 0;  // unprintable left edge
  std::int32_t DeviceOffsetY = 0;  // unprintable top edge
  std::int32_t OffsetXPx = 0;
  std::int32_t OffsetYPx = 0;
  std::int32_t DevicePrintableWidth = 0;
  std::int32_t DevicePrintableHeight = 0;
  std::int32_t PrintableWidthPx = 0;
  std::int32_t PrintableHeightPx = 0;

  bool operator==(const TPageMetrics&) const = default;
};

// The settings a printer driver keeps for its printer. Each Has… flag says whether the driver
// carries the field; the model writes only fields that are carried, except the paper length and
// width, whose flags it sets for a custom size and clears otherwise.
struct TDeviceMode {
  bool HasPaperSize = false;
  std::int32_t PaperSize = 0;
  bool HasOrientation = false;
  std::int32_t Orientation = 1;  // 1 portrait, 2 landscape
  bool HasCopies = false;
  std::int32_t Copies = 1;
  bool HasDefaultSource = false;
  std::int32_t DefaultSource = 0;
  bool HasPaperLength = false;
  std::int32_t PaperLength = 0;  // tenths of a millimetre
  bool HasPaperWidth = false;
  std::int32_t PaperWidth = 0;  // tenths of a millimetre
};

// The current system printer as the driver names it, with its device mode (none when the driver
// gives none).
struct TPrinterDevice {
  std::string Device;
  std::string Driver;
  std::string Port;
  std::optional<TDeviceMode> Mode;
};

// Resolution, paper and printable area of the current system printer, in device units.
struct TDeviceGeometry {
  std::int32_t DpiX = 0;
  std::int32_t DpiY = 0;
  std::int32_t PhysicalWidth = 0;
  std::int32_t PhysicalHeight = 0;
  std::int32_t PhysicalOffsetX = 0;
  std::int32_t PhysicalOffsetY = 0;
  std::int32_t PageWidth = 0;  // printable area
  std::int32_t PageHeight = 0;
};

// A paper size or a paper source offered by a driver.
struct TDriverChoice {
  std::uint16_t Id = 0;
  std::string Name;
};

// The system's printers and their drivers. Any operation may raise an exception; the model then
// falls back to the virtual printer.
class TSystemPrinters {
 public:
  virtual ~TSystemPrinters() = default;

  virtual std::vector<std::string> PrinterNames() = 0;
  // Index of the current printer in PrinterNames.
  virtual int PrinterIndex() = 0;
  virtual void SetPrinterIndex(int index) = 0;
  // True while the current printer is printing a job of this program.
  virtual bool Printing() = 0;
  virtual TPrinterDevice ReadDevice() = 0;
  // Hands a changed device mode back to the current printer.
  virtual void WriteDeviceMode(const TDeviceMode& mode) = 0;
  virtual TDeviceGeometry Geometry() = 0;
  virtual std::vector<TDriverChoice> Papers() = 0;
  virtual std::vector<TDriverChoice> Bins() = 0;
};

// The system printers of this machine: there are none, so conversions give the same result
// everywhere. The returned object is shared and stateless.
TSystemPrinters& NoSystemPrinters();

// The settings a page takes back from the model after asking for a paper.
struct TPaperResult {
  std::int32_t Size = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint8_t Orientation = 0;
  std::int32_t Bin = 0;
  TPageMetrics Metrics;
};

class TkvPrinter {
 public:
  // Sets CurrentPaper to A4 and loads the paper names; not yet attached to any printer.
  // localizer: the texts of the context the model serves (paper, source and printer names), which
  // must outlive the model; none: the built-in texts.
  explicit TkvPrinter(const std::function<std::string(int id)>* localizer = nullptr);
  TkvPrinter(const TkvPrinter&) = delete;
  TkvPrinter& operator=(const TkvPrinter&) = delete;

  // Asks for a paper setting; the chosen values are read back from the Current… fields.
  void SelectPaper(std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t bin,
                   std::uint8_t orientation, bool force);
  void FillPageMetrics(TPageMetrics& metrics);
  bool SameSettings(std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t bin,
                    std::uint8_t orientation) const;
  // Makes the Current… fields the printer's settings: the table's size for a table id on the
  // virtual printer, the driver's device mode otherwise. A driver that fails gives way to the
  // virtual printer.
  void ApplySettings();
  // Reads the current system printer's settings into the Current… fields and lists; when the
  // driver fails, the virtual printer is selected instead.
  void QueryPrinter();
  // Builds the printer list from system (none when null) and selects its current printer.
  void AttachSystemPrinter(TSystemPrinters* system);
  // Makes entry index of the printer list current; an index outside the list changes nothing.
  void SelectPrinter(std::int32_t index);
  // Reloads the paper names and the virtual entry's list text from the messages.
  void RefreshNames();

  // Position of id in PaperIds; the last position when it is not there.
  int PaperIndex(std::int32_t id) const;
  // Position of id in BinIds, comparing the low 16 bits; 0 when it is not there.
  int BinIndex(std::int32_t id) const;

  // What a page does to take a paper setting: select it and fill the metrics; on an error, the
  // same as a custom size with the default source; should that fail too, the same on the virtual
  // printer. metrics is the page's record before the change (its device fields stay when the
  // virtual printer is current). A requested default source comes back as 0xFFFF.
  TPaperResult TakePaper(std::int32_t size, std::int32_t width, std::int32_t height,
                         std::int32_t bin, std::uint8_t orientation,
                         const TPageMetrics& metrics = {});

  bool VirtualCurrent() const { return PrinterIndex == VirtualIndex; }

  // The current system printer as the driver names it (at most 127 bytes each).
  std::string Device;
  std::string Driver;
  std::string Port;
  // Device mode of the current system printer; none when it could not be obtained.
  std::optional<TDeviceMode> DeviceMode;
  // The system printers this model is attached to (not owned).
  TSystemPrinters* SystemPrinter = nullptr;
  // Paper names and paper-source names of the current printer, parallel to PaperIds and BinIds.
  std::vector<std::string> PaperNames;
  std::vector<std::string> BinNames;
  // Names of the system printers followed by the virtual printer's entry.
  std::vector<std::string> Printers;
  std::int32_t PrinterIndex = 0;
  std::int32_t VirtualIndex = 0;
  std::uint8_t CurrentOrientation = 0;  // 0 portrait, 1 landscape
  std::int32_t CurrentPaper = 0;        // paper id; CustomPaper; -1 none
  std::int32_t CurrentWidth = 0;        // tenths of a millimetre, as the paper lies
  std::int32_t CurrentHeight = 0;
  std::int32_t CurrentBin = DefaultBin;
  // Paper ids of the current printer (at most MaxPaperIds).
  std::vector<std::uint16_t> PaperIds;
  // Paper-source ids of the current printer; the first is the default source, 0xFFFF.
  std::vector<std::uint16_t> BinIds;
  // The virtual printer's paper table.
  std::array<TPaperInfo, PaperTableSize> PaperTable;

 private:
  std::string Text(int id) const;
  const std::function<std::string(int id)>* Localizer;
  void ApplyToDevice();
  void ReadFromDevice();
  void LoadTableNames();
};

// Screen pixels per inch of the virtual printer: 96 x 775 / 812, fixed to this exact double
// because page sizes in pixels, and the millimetres derived from them, depend on every bit.
inline constexpr double VirtualPixelsPerInch = std::bit_cast<double>(0x4056E80A16B312EBull);

// The model's start: attaches printer to system, then selects the virtual printer and sets
// CurrentPaper to -1 when no device mode could be obtained. Errors are swallowed, falling back to
// the virtual printer alone. Returns the paper id for new pages (DefaultPaper).
std::int32_t StartPrinter(TkvPrinter& printer, TSystemPrinters& system);

}  // namespace kv
