// The OLE view, an add-in object that shows an embedded document of another program, or one read
// from a database blob field named by its first Memo line. Its record holds the OLE container
// stream: a 12-byte header (signature, draw aspect, data size) and the structured storage of the
// object. No OLE container exists here: the stream is kept as read and written back, and nothing
// of the object reaches the new document, whose TkvxOLEView element holds the common attributes
// only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "legacy/View.h"

namespace kv {

// The signature that starts every OLE container stream.
inline constexpr std::uint32_t OleStreamSignature = 0x434F4442;

// The OLE container of a view: empty, or the header values and the storage bytes of one object.
class TkvOleContainer {
 public:
  bool Empty() const { return !HasObject; }
  std::uint32_t DrawAspect() const { return Aspect; }
  // The structured storage that holds the object, as read.
  const std::string& Data() const { return Storage; }

  void Assign(std::uint32_t drawAspect, std::string data);
  void Clear();

  // Reads a container stream: signature, draw aspect, data size (signed) and the data. Raises
  // EStreamError "Invalid stream format" for another signature and for a data size below 0 or
  // beyond the end of the stream, reading nothing past the header then; the container is left
  // empty by any failure.
  void LoadFromStream(TStream& stream);
  // Writes the container stream in the same form; nothing for an empty container.
  void SaveToStream(TStream& stream) const;

 private:
  bool HasObject = false;
  std::uint32_t Aspect = 0;
  std::string Storage;
};

class TkvOLEView : public TViewClassOf<TkvOLEView, TkvView, "TkvOLEView"> {
 public:
  // TypeCode 10 (add-in), Flags 0x0001 (stretched), NamePrefix "Ole", an empty container.
  explicit TkvOLEView(TConversionContext& context);

  // The names of TkvView, then "OLE" (the designer's OLE editor), "Stretched" and "DataField";
  // the last two are read and set as every view reads and sets them.
  static const TPropertyTable<TkvOLEView>& Properties();

  // The common record, then the object flag (1 byte) and, when it is not 0, the container
  // stream.
  void LoadLegacy(TStream& stream) override;
  // Flag 0 for an empty container, else 1 and the container stream.
  void SaveLegacy(TStream& stream) override;
  // The embedded object, or the data field that supplies one, is not in the document.
  void DocumentLosses(std::vector<std::string>& losses) const override;

  TkvOleContainer Container;
};

// Registers TkvOLEView as an add-in object.
void RegisterOLEFamily();

}  // namespace kv
