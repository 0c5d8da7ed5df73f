// The barcode view: defaults, named properties, the 24-byte record and the document element.
#include "objects/BarCode.h"

#include <string>

#include "base/DocumentText.h"
#include "base/FloatText.h"
#include "legacy/ComponentPath.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"
#include "objects/DataField.h"

namespace kv {

namespace {

// The hint of the add-in: the message id of its toolbar text "Insert Barcode object".
constexpr int InsertBarCode = 55338;

// The zoom format of current records and the older one whose zoom is twice the current value.
constexpr std::int32_t ZoomFormatCurrent = 2;
constexpr std::int32_t ZoomFormatDoubled = 1;

std::string DocumentFloat(const TDocumentStream& stream, double value) {
  return FormatFloatGeneral(value, stream.DecimalSeparator);
}

}  // namespace

TkvBarCodeView::TkvBarCodeView(TConversionContext& context)
    : TViewClassOf(context), Barcode(std::make_unique<TkvBarcode>()){
  NamePrefix = "Bar";
  Memo = {"12345678"};
}

TkvBarCodeView::~TkvBarCodeView() = default;

const TPropertyTable<TkvBarCodeView>& TkvBarCodeView::Properties() {
  // After the names of every view, the two the designer opens an editor for; TkvView assigns and
  // reads "DataField".
  using T = TPropertyTable<TkvBarCodeView>;
  static const T table{T::TAfterParent{}, {{"Barcode"}, {"DataField"}}};
  return table;
}

// After the common record, in every version:
//   CalcCheckSum  1   ShowText  1   reserved  1   BarType  1
//   ZoomFormat    4   Zoom      8 (double)       Rotation 8 (double)
void TkvBarCodeView::LoadLegacy(TStream& stream) {
  TkvView::LoadLegacy(stream);
  CalcCheckSum = ReadBool8(stream);
  ShowText = ReadBool8(stream);
  Reserved = ReadByte(stream);
  BarType = ReadByte(stream);
  ZoomFormat = ReadInt(stream);
  Zoom = stream.ReadF64();
  Rotation = stream.ReadF64();
  if (ZoomFormat == ZoomFormatDoubled) {
    Zoom /= 2;
    ZoomFormat = ZoomFormatCurrent;
  }
}

void TkvBarCodeView::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  WriteBool8(stream, CalcCheckSum);
  WriteBool8(stream, ShowText);
  WriteByte(stream, Reserved);
  WriteByte(stream, BarType);
  WriteInt(stream, ZoomFormat);
  stream.WriteF64(Zoom);
  stream.WriteF64(Rotation);
}

void TkvBarCodeView::SaveToDocument(TDocumentStream& stream) {
  TkvView::SaveToDocument(stream);
  if (!Memo.empty()) WriteTextAttribute(stream, "Text", Memo.front());
  WriteAttribute(stream, "BarType", std::int64_t{BarType});
  WriteAttribute(stream, "CalcCheckSum", CalcCheckSum ? "1" : "0");
  WriteAttribute(stream, "Rotation", DocumentFloat(stream, Rotation));
  WriteAttribute(stream, "ShowText", ShowText ? "1" : "0");
  WriteAttribute(stream, "Zoom", DocumentFloat(stream, Zoom));
  WriteDataFieldAttributes(stream, Context(), Memo);
}

void RegisterBarCodeFamily() {
  RegisterAddIn(TkvBarCodeView::Class(), InsertBarCode, false);
}

}  // namespace kv
