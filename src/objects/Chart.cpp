// The chart view: the option block, the two record modes with their bounded picture data, and
// the note on what the document drops.
#include "objects/Chart.h"

#include <limits>

#include "base/Errors.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"

namespace kv {

namespace {

// The hint of the add-in: the message id of its toolbar text.
constexpr int InsertChart = 55225;  // "Insert Chart object"

// The Flags bit that every chart view carries besides flStretched.
constexpr std::uint16_t flChart = 0x8000;

std::string KindText(std::uint8_t kind) {
  static const char* const names[] = {"line", "area", "point", "bar", "horizontal bar", "pie"};
  if (kind <= ckPie) return std::string(names[kind]) + " chart";
  return "chart of unknown kind " + std::to_string(kind);
}

}  // namespace

// ---- TkvChartOptions ----------------------------------------------------------------------------

TkvChartOptions::TkvChartOptions() {
  SetKind(ckLine);
  SetThreeD(true);
  SetSingleSeries(true);
  SetShowLegend(true);
  SetShowAxes(false);
  SetShowMarks(true);
  SetColorPerPoint(true);
  SetMarksStyle(smsValue);
  SetTopN(0);
}

std::int32_t TkvChartOptions::TopN() const {
  const std::uint32_t value = std::uint32_t{Bytes[8]} | (std::uint32_t{Bytes[9]} << 8) |
                              (std::uint32_t{Bytes[10]} << 16) | (std::uint32_t{Bytes[11]} << 24);
  return static_cast<std::int32_t>(value);
}

void TkvChartOptions::SetTopN(std::int32_t count) {
  const auto value = static_cast<std::uint32_t>(count);
  for (int i = 0; i < 4; ++i) Bytes[8 + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::string TkvChartOptions::Reserved() const {
  return std::string(reinterpret_cast<const char*>(Bytes.data()) + ReservedOffset, ReservedSize);
}

// ---- TkvChartView -------------------------------------------------------------------------------

TkvChartView::TkvChartView(TConversionContext& context) : TViewClassOf(context) {
  Flags |= flChart;
  NamePrefix = "Chart";
}

const TPropertyTable<TkvChartView>& TkvChartView::Properties() {
  // Listed for the designer, which opens its chart editor on it; no value behind it here.
  static const TPropertyTable<TkvChartView> table{TPropertyTable<TkvChartView>::TAfterParent{},
                                                  {
                                                      {"Chart"},
                                                  }};
  return table;
}

bool TkvChartView::SavesOptions() const {
  return !Memo.empty() || !LegendObject.empty() || !ValueObject.empty();
}

// After the common record:
//   mode                1
//   mode 1:   picture size 4 (signed), picture bytes
//   otherwise options 48, LegendObject, ValueObject, OtherLabel (strings)
// A picture size below 0 or beyond the end of the stream marks a damaged record; nothing is
// taken from outside the stream.
void TkvChartView::LoadLegacy(TStream& stream) {
  TkvView::LoadLegacy(stream);
  ChartPicture.clear();
  const std::uint8_t mode = ReadByte(stream);
  if (mode == cmPicture) {
    const std::int32_t size = ReadInt(stream);
    if (size < 0 || size > stream.Remaining()) {
      throw EStreamError("Invalid chart picture size " + std::to_string(size));
    }
    ChartPicture = stream.ReadBytes(static_cast<std::size_t>(size));
    return;
  }
  stream.ReadBuffer(ChartOptions.Bytes.data(), ChartOptions.Bytes.size());
  LegendObject = ReadLegacyString(stream);
  ValueObject = ReadLegacyString(stream);
  OtherLabel = ReadLegacyString(stream);
}

void TkvChartView::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  if (SavesOptions()) {
    WriteByte(stream, cmOptions);
    stream.WriteBuffer(ChartOptions.Bytes.data(), ChartOptions.Bytes.size());
    WriteLegacyString(stream, LegendObject);
    WriteLegacyString(stream, ValueObject);
    WriteLegacyString(stream, OtherLabel);
    return;
  }
  // The designer draws its chart component into a new metafile here. There is no chart
  // component in this program, so the picture goes back as it was read (empty when the record
  // held options).
  if (ChartPicture.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw EKvError("The chart picture of " + Name + " is larger than a legacy record can hold");
  }
  WriteByte(stream, cmPicture);
  WriteInt(stream, static_cast<std::int32_t>(ChartPicture.size()));
  stream.WriteBuffer(ChartPicture.data(), ChartPicture.size());
}

void TkvChartView::DocumentLosses(std::vector<std::string>& losses) const {
  std::string chart;
  if (SavesOptions() || ChartPicture.empty()) {
    chart = KindText(ChartOptions.Kind());
    if (!LegendObject.empty()) chart += ", captions from " + LegendObject;
    if (!ValueObject.empty()) chart += ", values from " + ValueObject;
  } else {
    chart = "a stored picture of " + std::to_string(ChartPicture.size()) + " bytes";
  }
  losses.push_back("its chart (" + chart + ") is not carried into the document");
}

void RegisterChartFamily() {
  RegisterAddIn(TkvChartView::Class(), InsertChart, false);
}

}  // namespace kv
