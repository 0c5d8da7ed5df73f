// The check box view: defaults, named properties, the record and the element.
#include "objects/CheckBox.h"

#include "base/DocumentText.h"
#include "legacy/ComponentPath.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "objects/DataField.h"

namespace kv {

namespace {

// The hint of the add-in: the message id of its toolbar text, "Insert CheckBox object".
constexpr int InsertCheckBox = 55224;

}  // namespace

TkvCheckBoxView::TkvCheckBoxView(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "Check";
  FrameWidth = 2.0f;
  FrameTyp = frRight | frBottom | frLeft | frTop;
}

const TPropertyTable<TkvCheckBoxView>& TkvCheckBoxView::Properties() {
  using P = TkvCheckBoxView;
  static const TPropertyTable<P> table{
      TPropertyTable<P>::TAfterParent{},
      {
          {.Name = "CheckStyle",
           .Get = [](const P& p) -> TVariant { return std::int64_t{p.CheckStyle}; },
           .Set =
               [](P& p, const TVariant& x) {
                 p.CheckStyle = static_cast<std::uint8_t>(VarToInt(x) & 0xFF);
               },
           .EnumNames = "csCross;csCheck",
           .EnumValues = {csCross, csCheck}},
          {"CheckColor", [](const P& p) -> TVariant { return std::int64_t{p.CheckColor}; },
           [](P& p, const TVariant& x) { p.CheckColor = VarToInt32(x); }},
          // Read and set by the view: the first memo line.
          {"DataField"},
      }};
  return table;
}

// After the common record, from version 24 on:
//   CheckStyle   1
//   CheckColor   4, signed
void TkvCheckBoxView::LoadLegacy(TStream& stream) {
  TkvView::LoadLegacy(stream);
  if (Context().Load.LegacyVersion > 23) {
    CheckStyle = ReadByte(stream);
    CheckColor = ReadInt(stream);
  }
}

void TkvCheckBoxView::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  WriteByte(stream, CheckStyle);
  WriteInt(stream, CheckColor);
}

void TkvCheckBoxView::SaveToDocument(TDocumentStream& stream) {
  TkvView::SaveToDocument(stream);
  WriteAttribute(stream, "CheckStyle", std::int64_t{CheckStyle});
  WriteAttribute(stream, "CheckColor", std::int64_t{CheckColor});
  WriteDataFieldAttributes(stream, Context(), Memo);
  if (!Memo.empty()) WriteTextAttribute(stream, "Text", Memo.front());
}

void RegisterCheckBoxFamily() {
  RegisterAddIn(TkvCheckBoxView::Class(), InsertCheckBox, false);
}

}  // namespace kv
