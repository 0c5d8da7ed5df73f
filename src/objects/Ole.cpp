// The OLE view: the container stream kept as read, the record and the note on what the document
// drops.
#include "objects/Ole.h"

#include <limits>

#include "base/Errors.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"

namespace kv {

namespace {

// The hint of the add-in: the message id of its toolbar text.
constexpr int InsertOle = 55222;  // "Insert OLE object"

constexpr const char* InvalidStreamFormat = "Invalid stream format";

}  // namespace

// ---- TkvOleContainer ----------------------------------------------------------------------------

void TkvOleContainer::Assign(std::uint32_t drawAspect, std::string data) {
  HasObject = true;
  Aspect = drawAspect;
  Storage = std::move(data);
}

void TkvOleContainer::Clear() {
  HasObject = false;
  Aspect = 0;
  Storage.clear();
}

// Container stream:
//   signature    4   OleStreamSignature
//   draw aspect  4
//   data size n  4   signed
//   data         n
void TkvOleContainer::LoadFromStream(TStream& stream) {
  Clear();
  if (stream.ReadU32() != OleStreamSignature) throw EStreamError(InvalidStreamFormat);
  const std::uint32_t aspect = stream.ReadU32();
  const std::int32_t size = stream.ReadI32();
  if (size < 0 || size > stream.Remaining()) throw EStreamError(InvalidStreamFormat);
  std::string data = stream.ReadBytes(static_cast<std::size_t>(size));
  Assign(aspect, std::move(data));
}

void TkvOleContainer::SaveToStream(TStream& stream) const {
  if (Empty()) return;
  if (Storage.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw EKvError("An OLE object larger than a legacy record can hold cannot be saved");
  }
  stream.WriteU32(OleStreamSignature);
  stream.WriteU32(Aspect);
  stream.WriteI32(static_cast<std::int32_t>(Storage.size()));
  stream.WriteBuffer(Storage.data(), Storage.size());
}

// ---- TkvOLEView ---------------------------------------------------------------------------------

TkvOLEView::TkvOLEView(TConversionContext& context) : TViewClassOf(context) {
  Flags = flStretched;
  NamePrefix = "Ole";
}

const TPropertyTable<TkvOLEView>& TkvOLEView::Properties() {
  // Listed for the designer; "Stretched" and "DataField" are read and set by TkvView, "OLE"
  // opens the designer's editor and has no value.
  static const TPropertyTable<TkvOLEView> table{TPropertyTable<TkvOLEView>::TAfterParent{},
                                                {
                                                    {"OLE"},
                                                    {"Stretched"},
                                                    {"DataField"},
                                                }};
  return table;
}

// After the common record:
//   object flag        1
//   container stream   when the flag is not 0
void TkvOLEView::LoadLegacy(TStream& stream) {
  TkvView::LoadLegacy(stream);
  Container.Clear();
  if (ReadByte(stream) != 0) Container.LoadFromStream(stream);
}

void TkvOLEView::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  WriteByte(stream, Container.Empty() ? 0 : 1);
  Container.SaveToStream(stream);
}

void TkvOLEView::DocumentLosses(std::vector<std::string>& losses) const {
  if (!Container.Empty()) {
    losses.push_back("its embedded OLE object (" + std::to_string(Container.Data().size()) +
                     " bytes) is not carried into the document");
  } else if (!Memo.empty() && !Memo.front().empty()) {
    losses.push_back("its OLE object from the data field " + Memo.front() +
                     " is not carried into the document");
  }
}

void RegisterOLEFamily() {
  RegisterAddIn(TkvOLEView::Class(), InsertOle, false);
}

}  // namespace kv
