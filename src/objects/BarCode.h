// The barcode view: an add-in object that prints the first line of its memo (a fixed code, an
// expression or a data-field reference) as a barcode of one of 23 symbologies, with or without
// check digit and human-readable text, rotated and zoomed. Its record adds 24 bytes after the
// common record; its TkvxBarCodeView element carries the code, the symbology, the flags, rotation,
// zoom and the data field the code names. The bars themselves come from the view's encoder.
#pragma once

#include <cstdint>
#include <memory>

#include "legacy/View.h"
#include "objects/BarcodeEncoder.h"

namespace kv {

class TkvBarCodeView : public TViewClassOf<TkvBarCodeView, TkvView, "TkvBarCodeView"> {
 public:
  // TypeCode 10 (add-in), NamePrefix "Bar", Memo "12345678", Code 39 with check digit and text,
  // zoom 1, no rotation; creates the encoder.
  explicit TkvBarCodeView(TConversionContext& context);
  ~TkvBarCodeView() override;

  // The names of TkvView, then "Barcode" (the barcode editor) and "DataField" (the field
  // chooser); both are assigned and read as TkvView does, the barcode fields not at all.
  static const TPropertyTable<TkvBarCodeView>& Properties();

  // The common record, then 24 bytes in every version: CalcCheckSum, ShowText, the reserved
  // byte, BarType, ZoomFormat, Zoom and Rotation. A zoom of format 1 is halved into format 2.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // The common attributes, then Text, BarType, CalcCheckSum, Rotation, ShowText, Zoom and, when
  // the first memo line names a field of a dataset, DataSet and DataField.
  void SaveToDocument(TDocumentStream& stream) override;

  // The encoder that computes and draws the bars.
  TkvBarcode& Encoder() { return *Barcode; }

  // Append a check digit.
  bool CalcCheckSum = true;
  // Print the human-readable text under the bars.
  bool ShowText = true;
  // Always 0 in files written by the report library; kept as read and written back.
  std::uint8_t Reserved = 0;
  // The symbology, a TkvBarcodeType.
  std::uint8_t BarType = bcCode39;
  // 2 for the current meaning of Zoom; records of format 1 hold twice the zoom.
  std::int32_t ZoomFormat = 2;
  // Scale factor of the bar widths.
  double Zoom = 1.0;
  // Angle in degrees, counter-clockwise: 0, 90, 180 or 270.
  double Rotation = 0.0;

 private:
  std::unique_ptr<TkvBarcode> Barcode;
};

// Registers the add-in TkvBarCodeView as an object.
void RegisterBarCodeFamily();

}  // namespace kv
