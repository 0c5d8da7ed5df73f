// The rich text view: defaults, named properties, the record with its bounded RTF, and the
// element with the RTF in a binary property block.
#include "objects/RichText.h"

#include <limits>

#include "base/DocumentText.h"
#include "base/Errors.h"
#include "base/FormWriter.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"
#include "objects/DataField.h"

namespace kv {

namespace {

// The hint of the add-in: the message id of its toolbar text, "Insert RichText object".
constexpr int InsertRichText = 55223;

}  // namespace

TkvRichView::TkvRichView(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "Rich";
}

const TPropertyTable<TkvRichView>& TkvRichView::Properties() {
  using P = TkvRichView;
  static const TPropertyTable<P> table{
      TPropertyTable<P>::TAfterParent{},
      {
          // Read and set by the view.
          {"GapX"},
          {"GapY"},
          // The designer's rich text editor; not a value.
          {"Lines"},
          {"Stretched"},
          {"TextOnly", [](const P& p) -> TVariant { return (p.Flags & flRichTextOnly) != 0; },
           [](P& p, const TVariant& x) {
             p.Flags = VarToInt(x) != 0 ? (p.Flags | flRichTextOnly) : (p.Flags & ~flRichTextOnly);
           }},
          {"DataField"},
      }};
  return table;
}

// After the common record:
//   text flag         1   0: no text
//   end position e    4   absolute stream position of the first byte after the text
//   RTF               e - p bytes from the position p after the end position, flag not 0
// Reading goes on at e whatever the text holds. An end position before p or past the end of the
// stream marks a damaged record, so that nothing is read from outside the record.
void TkvRichView::LoadLegacy(TStream& stream) {
  TkvStretcheable::LoadLegacy(stream);
  const std::uint8_t hasText = ReadByte(stream);
  const std::int32_t end = ReadInt(stream);
  const std::int64_t position = stream.Position();
  if (end < position || end > stream.Size()) {
    throw EStreamError("Invalid rich text end position " + std::to_string(end));
  }
  RichText.clear();
  if (hasText != 0) RichText = stream.ReadBytes(static_cast<std::size_t>(end - position));
  stream.SetPosition(end);
}

void TkvRichView::SaveLegacy(TStream& stream) {
  TkvStretcheable::SaveLegacy(stream);
  WriteByte(stream, RichText.empty() ? 0 : 1);
  const std::int64_t placeholder = stream.Position();
  WriteInt(stream, 0);
  stream.WriteBuffer(RichText.data(), RichText.size());
  const std::int64_t end = stream.Position();
  if (end > std::numeric_limits<std::int32_t>::max()) {
    throw EKvError("The rich text " + Name + " ends beyond the 2 GB the legacy layout can address");
  }
  stream.SetPosition(placeholder);
  WriteInt(stream, static_cast<std::int32_t>(end));
  stream.Seek(0, TSeekOrigin::soEnd);
}

// Propdata is a binary property block, in the value codes of binary form streams:
//   8 "RichEdit"   binary value: code 10, 4-byte length, the RTF bytes (length 0 for no text)
void TkvRichView::SaveToDocument(TDocumentStream& stream) {
  TkvStretcheable::SaveToDocument(stream);
  TMemoryStream block;
  TFormWriter writer(block, Context().CodePage);
  writer.WritePropName("RichEdit");
  writer.WriteBinary(RichText);
  WriteAttribute(stream, "Propdata", StreamToHex(block));
  if (Flags & flStretched) WriteAttribute(stream, "StretchMode", "smMaxHeight");
  if (Flags & flRichTextOnly) WriteAttribute(stream, "AllowExpressions", "False");
  WriteDataFieldAttributes(stream, Context(), Memo);
}

void RegisterRichTextFamily() {
  RegisterAddIn(TkvRichView::Class(), InsertRichText, false);
}

}  // namespace kv
