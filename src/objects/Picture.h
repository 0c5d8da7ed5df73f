// The picture view: an image stored in the report or read from a database field. The image is
// kept as the bytes of its file form (BMP, metafile, ICO or JPEG), exactly as the legacy record
// holds them, and written back unchanged: to the legacy record and, as hexadecimal, to the
// Picture.Propdata attribute of the document. Nothing is decoded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "legacy/View.h"

namespace kv {

// The graphic kinds as the legacy record numbers them.
enum TGraphicKind : std::uint8_t {
  gkNone = 0,
  gkBitmap = 1,
  gkMetafile = 2,
  gkIcon = 3,
  gkJPEG = 4,
};

// TkvPictureView::BlobType values: the format of an image read from a database blob field.
enum TBlobType : std::uint8_t {
  btBMP = 0,
  btJPG = 1,
  btICO = 2,
  btWMF = 3,
};

// Bits of TkvPictureView::Flags besides flStretched.
inline constexpr std::uint16_t flPictCenter = 0x0002;
inline constexpr std::uint16_t flPictRatio = 0x0004;

// The image of a picture view: empty, or one graphic of a kind from 1 to 4 with the bytes of its
// file form.
class TkvPicture {
 public:
  bool Empty() const { return Kind == gkNone; }
  TGraphicKind GraphicKind() const { return Kind; }
  // The bytes of the graphic's file form; empty for an empty picture.
  const std::string& Bytes() const { return Data; }

  // Makes bytes the graphic of that kind; kind gkNone, or no bytes at all, empties the picture.
  void Assign(TGraphicKind kind, std::string bytes);
  void Clear();

 private:
  TGraphicKind Kind = gkNone;
  std::string Data;
};

// The graphic kind of an image file by its first bytes: "BM" a bitmap, FF D8 a JPEG image,
// 00 00 01 00 an icon, an enhanced metafile header or the placeable metafile key a metafile;
// gkNone for anything else.
TGraphicKind GraphicKindOfFile(std::string_view bytes);

class TkvPictureView : public TViewClassOf<TkvPictureView, TkvView, "TkvPictureView"> {
 public:
  // TypeCode 1, NamePrefix "Picture", Flags stretched and keep aspect.
  explicit TkvPictureView(TConversionContext& context);

  // The names of TkvView, then "Picture", "Stretched", "Center", "KeepAspect", "DataField" and
  // "BlobType" (btBMP to btWMF). "Center" and "KeepAspect" are bits of Flags. "Picture" is
  // listed for the designer but neither read nor set by name: no picture objects exist here.
  static const TPropertyTable<TkvPictureView>& Properties();
  // "LOADFROMFILE": the argument gives a file name; a file whose kind its first bytes tell is
  // loaded as the graphic, anything else (no name, no such file, an unknown or oversized file)
  // clears the picture. Then the methods of TkvView.
  TVariant RunMethod(const std::string& name, const TVariant& argument1, const TVariant& argument2,
                     const TVariant& argument3) override;

  // The common record, then the graphic kind, BlobType (record version above 10), the end
  // position of the image data and the image bytes.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // The common attributes, then Picture.Propdata, DataSet and DataField, and the three flags.
  void SaveToDocument(TDocumentStream& stream) override;
  // The blob type of a picture read from a data field, a data-field reference that names no
  // dataset field, and an image of a kind that was not kept.
  void DocumentLosses(std::vector<std::string>& losses) const override;

  TkvPicture Picture;
  std::uint8_t BlobType = btBMP;
  // The graphic kind of the last record read when it was none of 0 to 4 (its image was not
  // kept); 0 otherwise.
  std::uint8_t UnknownKind = 0;
};

// Registers TkvPictureView as the class of type code 1.
void RegisterPictureFamily();

}  // namespace kv
