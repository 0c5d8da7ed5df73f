// The picture view: defaults, named properties, loading an image file, the legacy record with its
// bounded image data, and the document element.
#include "objects/Picture.h"

#include <filesystem>
#include <limits>
#include <system_error>

#include "base/Ascii.h"
#include "base/DocumentText.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "legacy/ComponentPath.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"
#include "legacy/PropertyRoutines.h"
#include "objects/DataField.h"
#include "platform/Path.h"

namespace kv {

namespace {

// Image files loaded by a script are held in memory whole; larger ones are not taken.
constexpr std::uintmax_t MaxImageFileSize = 64u << 20;

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

// The data-field reference of a picture: its first memo line, when there is one.
std::string_view FieldReferenceText(const std::vector<std::string>& memo) {
  return memo.empty() ? std::string_view() : std::string_view(memo.front());
}

}  // namespace

// ---- TkvPicture ---------------------------------------------------------------------------------

void TkvPicture::Assign(TGraphicKind kind, std::string bytes) {
  if (kind == gkNone || bytes.empty()) {
    Clear();
    return;
  }
  Kind = kind;
  Data = std::move(bytes);
}

void TkvPicture::Clear() {
  Kind = gkNone;
  Data.clear();
}

TGraphicKind GraphicKindOfFile(std::string_view bytes) {
  using namespace std::string_view_literals;
  // File header (14 bytes) and at least the smallest bitmap header (12 bytes).
  if (bytes.size() >= 26 && StartsWith(bytes, "BM"sv)) return gkBitmap;
  // Start of image, then the next marker.
  if (StartsWith(bytes, "\xFF\xD8\xFF"sv)) return gkJPEG;
  // Reserved 0, type 1 (icon), and at least one image in the directory.
  if (bytes.size() >= 6 && StartsWith(bytes, "\x00\x00\x01\x00"sv) &&
      (bytes[4] != 0 || bytes[5] != 0)) {
    return gkIcon;
  }
  // An enhanced metafile: header record type 1, the signature " EMF" at offset 40.
  if (bytes.size() >= 44 && StartsWith(bytes, "\x01\x00\x00\x00"sv) &&
      bytes.substr(40, 4) == " EMF"sv) {
    return gkMetafile;
  }
  // A Windows metafile with its placeable header.
  if (StartsWith(bytes, "\xD7\xCD\xC6\x9A"sv)) return gkMetafile;
  return gkNone;
}

// ---- TkvPictureView -----------------------------------------------------------------------------

TkvPictureView::TkvPictureView(TConversionContext& context) : TViewClassOf(context) {
  TypeCode = TypePicture;
  NamePrefix = "Picture";
  Flags = flStretched | flPictRatio;
}

const TPropertyTable<TkvPictureView>& TkvPictureView::Properties() {
  using P = TkvPictureView;
  // After the names of every view, the picture's own.
  static const TPropertyTable<TkvPictureView> table{
      TPropertyTable<TkvPictureView>::TAfterParent{},
      {
          {"Picture"},
          {"Stretched"},
          {"Center", [](const P& p) -> TVariant { return (p.Flags & flPictCenter) != 0; },
           [](P& p, const TVariant& x) {
             p.Flags = VarToInt(x) != 0 ? (p.Flags | flPictCenter) : (p.Flags & ~flPictCenter);
           }},
          {"KeepAspect", [](const P& p) -> TVariant { return (p.Flags & flPictRatio) != 0; },
           [](P& p, const TVariant& x) {
             p.Flags = VarToInt(x) != 0 ? (p.Flags | flPictRatio) : (p.Flags & ~flPictRatio);
           }},
          {"DataField"},
          {.Name = "BlobType",
           .Get = [](const P& p) -> TVariant { return std::int64_t{p.BlobType}; },
           .Set =
               [](P& p, const TVariant& x) {
                 p.BlobType = static_cast<std::uint8_t>(VarToInt(x) & 0xFF);
               },
           .EnumNames = "btBMP;btJPG;btICO;btWMF",
           .EnumValues = {btBMP, btJPG, btICO, btWMF}},
      }};
  return table;
}

TVariant TkvPictureView::RunMethod(const std::string& name, const TVariant& argument1,
                                   const TVariant& argument2, const TVariant& argument3) {
  if (!SameTextAscii(name, "LOADFROMFILE")) {
    return TkvView::RunMethod(name, argument1, argument2, argument3);
  }
  Picture.Clear();
  const std::string fileName = VarToStr(EvaluateExpression(VarToStr(argument1)));
  if (fileName.empty()) return {};
  std::error_code error;
  const std::filesystem::path path = os::ToPath(fileName);
  if (!std::filesystem::is_regular_file(path, error)) return {};
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > MaxImageFileSize) return {};
  std::string bytes = ReadFileBytes(fileName);
  const TGraphicKind kind = GraphicKindOfFile(bytes);
  Picture.Assign(kind, std::move(bytes));
  return {};
}

// After the common record:
//   graphic kind      1   0 none, 1 bitmap, 2 metafile, 3 icon, 4 JPEG
//   BlobType          1   record version above 10
//   end position e    4   absolute stream position of the first byte after the image data
//   image data        e - p bytes from the position p after the end position
// Reading goes on at e. An end position before p or past the end of the stream marks a damaged
// record, so that no image data is taken from outside the record.
void TkvPictureView::LoadLegacy(TStream& stream) {
  TkvView::LoadLegacy(stream);
  const std::uint8_t kind = ReadByte(stream);
  if (RecordVersion() > 10) BlobType = ReadByte(stream);
  const std::int32_t end = ReadInt(stream);
  const std::int64_t position = stream.Position();
  if (end < position || end > stream.Size()) {
    throw EStreamError("Invalid picture data end position " + std::to_string(end));
  }
  const auto length = static_cast<std::size_t>(end - position);
  Picture.Clear();
  UnknownKind = 0;
  if (kind >= gkBitmap && kind <= gkJPEG) {
    Picture.Assign(static_cast<TGraphicKind>(kind), stream.ReadBytes(length));
  } else if (kind != gkNone) {
    UnknownKind = kind;
  }
  stream.SetPosition(end);
}

void TkvPictureView::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  WriteByte(stream, Picture.GraphicKind());
  WriteByte(stream, BlobType);
  const std::int64_t placeholder = stream.Position();
  WriteInt(stream, 0);
  stream.WriteBuffer(Picture.Bytes().data(), Picture.Bytes().size());
  const std::int64_t end = stream.Position();
  if (end > std::numeric_limits<std::int32_t>::max()) {
    throw EKvError("The picture " + Name + " ends beyond the 2 GB the legacy layout can address");
  }
  stream.SetPosition(placeholder);
  WriteInt(stream, static_cast<std::int32_t>(end));
  stream.Seek(0, TSeekOrigin::soEnd);
}

void TkvPictureView::SaveToDocument(TDocumentStream& stream) {
  TkvView::SaveToDocument(stream);
  if (!Picture.Empty()) {
    const TMemoryStream graphic(Picture.Bytes());
    WriteAttribute(stream, "Picture.Propdata", StreamToHex(graphic));
  }
  WriteDataFieldAttributes(stream, ResolveFieldReference(Context(), FieldReferenceText(Memo)));
  if (!(Flags & flStretched)) WriteAttribute(stream, "Stretched", "False");
  if (Flags & flPictCenter) WriteAttribute(stream, "Center", "True");
  if (!(Flags & flPictRatio)) WriteAttribute(stream, "KeepAspectRatio", "False");
}

void TkvPictureView::DocumentLosses(std::vector<std::string>& losses) const {
  const std::string_view reference = FieldReferenceText(Memo);
  if (!reference.empty()) {
    if (BlobType != btBMP) {
      static const char* const names[] = {"btBMP", "btJPG", "btICO", "btWMF"};
      const std::string blobType =
          BlobType < 4 ? names[BlobType] : "number " + std::to_string(BlobType);
      losses.push_back("the blob type " + blobType +
                       " of its data-field image is not carried into the document");
    }
    if (!ResolveFieldReference(Context(), reference).Resolved()) {
      losses.push_back("its data-field reference " + std::string(reference) +
                       " names no field of a dataset, so the document names no data field");
    }
  }
  if (UnknownKind != 0) {
    losses.push_back("its image of unknown kind " + std::to_string(UnknownKind) + " was not kept");
  }
}

void RegisterPictureFamily() {
  RegisterBuiltInClass(TypePicture, TkvPictureView::Class());
}

}  // namespace kv
