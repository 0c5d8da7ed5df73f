// The chart view, an add-in object that draws a chart built from the values of two other report
// objects (captions and values) while a report runs. Its record holds either the options that
// tell how to build the chart, with the names of the two objects, or a stored metafile picture
// of the chart. No charting component exists here: the options and the picture are kept as read
// and written back, and none of them reaches the new document, whose TkvxChartView element holds
// the common attributes only.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "legacy/View.h"

namespace kv {

// The chart kinds of TkvChartOptions::Kind.
enum TChartKind : std::uint8_t {
  ckLine = 0,
  ckArea = 1,
  ckPoint = 2,
  ckBar = 3,
  ckHorizBar = 4,
  ckPie = 5,
};

// The marks styles of TkvChartOptions::MarksStyle.
enum TChartMarksStyle : std::uint8_t {
  smsValue = 0,
  smsPercent = 1,
  smsLabel = 2,
  smsLabelPercent = 3,
  smsLabelValue = 4,
};

// How a chart is built, as the 48 bytes of the record hold it:
//   0 kind, 1 3D, 2 single series, 3 legend, 4 axes, 5 marks, 6 a colour per point,
//   7 marks style, 8..11 top N (signed), 12..47 reserved.
// The block is kept as read, so bytes this program gives no meaning (flag values other than 0
// and 1, the reserved bytes) are written back unchanged.
class TkvChartOptions {
 public:
  static constexpr std::size_t Size = 48;
  static constexpr std::size_t ReservedOffset = 12;
  static constexpr std::size_t ReservedSize = Size - ReservedOffset;

  // Kind line, 3D, single series, legend, no axes, marks, a colour per point, marks style
  // smsValue, top N 0 (all values), reserved bytes zero.
  TkvChartOptions();

  std::uint8_t Kind() const { return Bytes[0]; }
  void SetKind(std::uint8_t kind) { Bytes[0] = kind; }
  bool ThreeD() const { return Bytes[1] != 0; }
  void SetThreeD(bool on) { Bytes[1] = on ? 1 : 0; }
  bool SingleSeries() const { return Bytes[2] != 0; }
  void SetSingleSeries(bool on) { Bytes[2] = on ? 1 : 0; }
  bool ShowLegend() const { return Bytes[3] != 0; }
  void SetShowLegend(bool on) { Bytes[3] = on ? 1 : 0; }
  bool ShowAxes() const { return Bytes[4] != 0; }
  void SetShowAxes(bool on) { Bytes[4] = on ? 1 : 0; }
  bool ShowMarks() const { return Bytes[5] != 0; }
  void SetShowMarks(bool on) { Bytes[5] = on ? 1 : 0; }
  bool ColorPerPoint() const { return Bytes[6] != 0; }
  void SetColorPerPoint(bool on) { Bytes[6] = on ? 1 : 0; }
  std::uint8_t MarksStyle() const { return Bytes[7]; }
  void SetMarksStyle(std::uint8_t style) { Bytes[7] = style; }
  // How many of the largest values are shown one by one; 0 shows all.
  std::int32_t TopN() const;
  void SetTopN(std::int32_t count);
  // The 36 reserved bytes, as read.
  std::string Reserved() const;

  // The 48 bytes as stored.
  std::array<std::uint8_t, Size> Bytes{};

  friend bool operator==(const TkvChartOptions&, const TkvChartOptions&) = default;
};

// The record modes: anything but cmPicture is read as options; options are saved as cmOptions.
enum TChartRecordMode : std::uint8_t {
  cmOptions = 0,
  cmPicture = 1,
};

class TkvChartView : public TViewClassOf<TkvChartView, TkvView, "TkvChartView"> {
 public:
  // TypeCode 10 (add-in), bit 0x8000 added to Flags, NamePrefix "Chart", default options, no
  // texts and no picture.
  explicit TkvChartView(TConversionContext& context);

  // The names of TkvView, then "Chart" (the designer's chart editor; neither read nor set by
  // name).
  static const TPropertyTable<TkvChartView>& Properties();

  // The common record, then the mode byte and either the picture (mode 1: signed size and that
  // many bytes) or the 48 option bytes and LegendObject, ValueObject and OtherLabel.
  void LoadLegacy(TStream& stream) override;
  // Options (mode 0) when the Memo has a line or LegendObject or ValueObject is set, otherwise
  // the picture held (mode 1).
  void SaveLegacy(TStream& stream) override;
  // One note: the chart (its options or its stored picture) is not in the document.
  void DocumentLosses(std::vector<std::string>& losses) const override;

  // True when SaveLegacy writes the options rather than the picture.
  bool SavesOptions() const;

  // The metafile bytes of a stored chart picture, as read; empty after an options record.
  std::string ChartPicture;
  TkvChartOptions ChartOptions;
  // Name of the report object whose values become the captions (legend).
  std::string LegendObject;
  // Name of the report object whose values become the data values.
  std::string ValueObject;
  // Caption of the group that collects the values outside the top N.
  std::string OtherLabel;
};

// Registers TkvChartView as an add-in object.
void RegisterChartFamily();

}  // namespace kv
