// The base of every object placed on a report page or a dialog page. A view has a name, the
// legacy type code of its record, the running number the factory gives it, and its bounds; each
// class reads and writes its own legacy record through LoadLegacy and SaveLegacy.
#pragma once

#include <cstdint>
#include <string>

#include "legacy/KvObject.h"
#include "legacy/Stream.h"

namespace kv {

// The legacy type codes of the built-in classes; every add-in is stored with TypeAddIn.
enum TViewTypeCode : std::uint8_t {
  TypeMemo = 0,
  TypePicture = 1,
  TypeBand = 2,
  TypeSubReport = 3,
  TypeLine = 4,
  TypeAddIn = 10,
};

class TkvView : public TkvObject {
 public:
  TkvView() = default;

  // The class name as stored in files ("TkvShapeView").
  virtual std::string ClassName() const = 0;
  // Reads the object's record payload; the stream is positioned after the record header.
  virtual void LoadLegacy(TStream& stream) {}
  // Writes the object's record payload.
  virtual void SaveLegacy(TStream& stream) {}
  // Called once every page of a report has been loaded.
  virtual void AfterLoad() {}

  std::string Name;
  std::uint8_t TypeCode = TypeAddIn;
  std::int32_t ObjectId = 0;
  std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
};

}  // namespace kv
