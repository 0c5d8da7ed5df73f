// Tests of the picture view: its record in every layout (with and without the blob type), the
// image bytes kept and written back byte for byte, the end position that bounds the image and a
// hostile one that marks the record damaged, the document element with its data-field reference
// and flags, what the document loses, the named properties and loading an image file.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "LegacyBytes.h"
#include "base/DocumentText.h"
#include "base/Errors.h"
#include "data/AccessLayer.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"
#include "legacy/Report.h"
#include "objects/Picture.h"
#include "support/FieldForm.h"
#include "support/StateScopes.h"
#include "support/TempDir.h"
#include "support/ViewProbes.h"

namespace kv {
namespace {

using test::AfterCommonPart;
using test::Document;

using test::TBytes;
using TLines = std::vector<std::string>;

using test::TTestContext;

// The common record of a picture named "Picture5" at (1, 2) sized 30 x 40, with flags 0x0003,
// for a file of version 23, 24 or 25 (record version major.minor from 24 on).
TBytes CommonRecord(int version, int major = 0, int minor = 0) {
  TBytes b;
  b.Str("Picture5");
  if (version >= 24) b.Byte(major).Byte(minor);
  b.Int(1).Int(2).Int(30).Int(40).Word(0x0003).Word(0).Int(1).Int(0).Word(0).Int(clTransparent);
  b.Int(0x22E).Str("");
  b.Word(1).Word(8).Raw("Table1.X").Byte(0);  // memo
  b.Word(0).Byte(0);                          // script
  b.Word(0xFFFF);                             // Visible
  if (version >= 24) b.Word(0).Str("").Int(2).Int(1);
  if (major > 1) b.Byte(baNone);
  return b;
}

// Image bytes of each kind; nothing decodes them, so any bytes serve.
std::string ImageOfKind(int kind) {
  switch (kind) {
    case gkBitmap:
      return std::string("BM\x3A\x00\x00\x00\x00\x00", 8) + "pixels";
    case gkMetafile:
      return std::string("\xD7\xCD\xC6\x9A\x00\x00", 6) + "records";
    case gkIcon:
      return std::string("\x00\x00\x01\x00\x01\x00", 6) + "icon";
    case gkJPEG:
      return "\xFF\xD8\xFF\xE0jfif\xFF\xD9";
    default:
      return "";
  }
}

// Bytes ahead of the record, so that end positions are seen to count from the stream's start.
const std::string Lead = "LEAD";

TEST(PictureTest, DefaultsAndRegistration) {
  TConversionContext context;
  TkvPictureView view(context);
  EXPECT_EQ(view.TypeCode, TypePicture);
  EXPECT_EQ(view.NamePrefix, "Picture");
  EXPECT_EQ(view.Flags, 0x0005);
  EXPECT_EQ(view.BlobType, btBMP);
  EXPECT_TRUE(view.Picture.Empty());
  EXPECT_EQ(view.ClassName(), "TkvPictureView");
  EXPECT_EQ(BuiltInClass(TypePicture), &TkvPictureView::Class());
  const auto created = CreateReportObject(context, TypePicture, "");
  EXPECT_NE(dynamic_cast<TkvPictureView*>(created.get()), nullptr);
}

// Every layout and every kind: the payload is read after the common record, the image bytes are
// kept as they are, reading stops at the end position, and the saved record carries the same
// bytes with an end position of its own.
TEST(PictureTest, RecordsOfEveryLayoutKeepEachKindByteForByte) {
  struct TLayout {
    int Version, Major, Minor;
    bool HasBlobType;
  };
  for (const TLayout layout : {TLayout{23, 0, 0, false}, TLayout{24, 1, 0, false},
                               TLayout{25, 1, 1, true}, TLayout{25, 2, 0, true}}) {
    for (int kind = 0; kind <= 4; ++kind) {
      SCOPED_TRACE(testing::Message() << "version " << layout.Version << " record " << layout.Major
                                      << "." << layout.Minor << " kind " << kind);
      TTestContext context(layout.Version);
      const std::string image = ImageOfKind(kind);
      TBytes b = CommonRecord(layout.Version, layout.Major, layout.Minor);
      b.Byte(kind);
      if (layout.HasBlobType) b.Byte(btICO);
      const auto end = static_cast<std::int32_t>(Lead.size() + b.Data.size() + 4 + image.size());
      b.Int(end).Raw(image).Raw("NEXT");

      TMemoryStream stream(Lead + b.Data);
      stream.SetPosition(static_cast<std::int64_t>(Lead.size()));
      TkvPictureView view(context);
      view.LoadLegacy(stream);
      EXPECT_EQ(stream.Position(), end);
      EXPECT_EQ(view.Name, "Picture5");
      EXPECT_EQ(view.Flags, 0x0003);
      EXPECT_EQ(view.Memo, TLines{"Table1.X"});
      EXPECT_EQ(view.BlobType, layout.HasBlobType ? btICO : btBMP);
      EXPECT_EQ(view.Picture.GraphicKind(), kind);
      EXPECT_EQ(view.Picture.Bytes(), image);
      EXPECT_EQ(view.UnknownKind, 0);

      // The saved payload: kind, blob type, the end position of this stream, the same bytes.
      TMemoryStream saved;
      saved.WriteText(Lead);
      view.SaveLegacy(saved);
      TBytes payload;
      payload.Byte(kind).Byte(view.BlobType);
      payload.Int(static_cast<std::int32_t>(saved.Size())).Raw(image);
      ASSERT_GE(saved.Bytes().size(), payload.Data.size());
      EXPECT_EQ(saved.Bytes().substr(saved.Bytes().size() - payload.Data.size()), payload.Data);
      EXPECT_EQ(saved.Position(), saved.Size());

      context.Load.LegacyVersion = 25;
      saved.SetPosition(static_cast<std::int64_t>(Lead.size()));
      TkvPictureView loaded(context);
      loaded.LoadLegacy(saved);
      EXPECT_EQ(saved.Position(), saved.Size());
      EXPECT_EQ(loaded.BlobType, view.BlobType);
      EXPECT_EQ(loaded.Picture.GraphicKind(), kind);
      EXPECT_EQ(loaded.Picture.Bytes(), image);
    }
  }
}

// The image is what lies between the end position field and the end position, whatever the
// kind: a record with more bytes than an image needs, or an unknown kind, still leaves the
// stream at the end position.
TEST(PictureTest, EndPositionBoundsTheImage) {
  struct TCase {
    int Kind;
    std::string Data;  // bytes between the end position field and the end position
    int ExpectedKind;
    std::string ExpectedBytes;
    int Unknown;
  };
  const TCase cases[] = {
      {0, "", gkNone, "", 0},
      {0, "left over", gkNone, "", 0},  // no image, but bytes to skip
      {gkBitmap, "BM", gkBitmap, "BM", 0},
      {gkJPEG, "", gkNone, "", 0},  // a kind without bytes is no image
      {7, "who knows", gkNone, "", 7},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.Kind << " " << c.Data);
    TTestContext context(25);
    TBytes b = CommonRecord(25, 2, 0);
    b.Byte(c.Kind).Byte(btBMP);
    const auto end = static_cast<std::int32_t>(b.Data.size() + 4 + c.Data.size());
    b.Int(end).Raw(c.Data).Raw("NEXT");
    TMemoryStream stream(b.Data);
    TkvPictureView view(context);
    view.Picture.Assign(gkIcon, "stale");
    view.LoadLegacy(stream);
    EXPECT_EQ(stream.Position(), end);
    EXPECT_EQ(view.Picture.GraphicKind(), c.ExpectedKind);
    EXPECT_EQ(view.Picture.Bytes(), c.ExpectedBytes);
    EXPECT_EQ(view.UnknownKind, c.Unknown);
  }
}

// Also without an image to read (kind 0), the end position is checked before reading goes on
// there.
TEST(PictureTest, EndPositionBeforeTheDataOrPastTheStreamIsADamagedRecord) {
  TTestContext context(25);
  const TBytes common = CommonRecord(25, 2, 0);
  const auto p = static_cast<std::int32_t>(common.Data.size() + 2 + 4);  // after the field
  const std::string image = ImageOfKind(gkBitmap);
  const auto size = static_cast<std::int32_t>(p + image.size());
  for (const int kind : {gkNone, gkBitmap}) {
    for (const std::int32_t end : {p - 1, 0, -5, size + 1, std::int32_t{0x7FFFFFFF}}) {
      SCOPED_TRACE(testing::Message() << "kind " << kind << " end " << end);
      TBytes b = common;
      b.Byte(kind).Byte(btBMP).Int(end).Raw(image);
      TMemoryStream stream(b.Data);
      TkvPictureView view(context);
      EXPECT_THROW(view.LoadLegacy(stream), EStreamError);
      EXPECT_EQ(stream.Position(), p);  // nothing read beyond the end position field
      EXPECT_TRUE(view.Picture.Empty());
    }
  }
  // The end of the stream is a valid end.
  TBytes b = common;
  b.Byte(gkBitmap).Byte(btBMP).Int(size).Raw(image);
  TMemoryStream stream(b.Data);
  TkvPictureView view(context);
  view.LoadLegacy(stream);
  EXPECT_EQ(view.Picture.Bytes(), image);
  EXPECT_EQ(stream.Position(), size);
}

// In a whole report, a picture record with a hostile end position is skipped as damaged and the
// next record is read from the record's own end offset.
TEST(PictureTest, HostileEndPositionSkipsOnlyItsRecordInAReport) {
  TBytes b;
  b.Byte(25).Word(0).Word(0).Str("\x01");
  b.Byte(255).Int(9).Int(2100).Int(2970).Int(10).Int(20).Int(30).Int(40).Byte(0).Int(-1);
  b.Word(0).Word(0xFFFF).Int(1).Int(0);
  b.Byte(0).Str("").Byte(3).Str("Form").Int(0).Int(0).Int(0).Int(0).Int(0).Byte(0);
  const auto object = [&](std::int32_t pictureEnd, bool pastEnd) {
    const std::size_t start = b.Data.size();
    TBytes payload = CommonRecord(25, 2, 0);
    payload.Byte(gkBitmap).Byte(btBMP);
    const auto p = static_cast<std::int32_t>(start + 1 + 1 + 4 + payload.Data.size() + 4);
    payload.Int(pastEnd ? 0x7FFFFF00 : p + pictureEnd);
    payload.Raw("BMxx");
    b.Byte(TypePicture).Byte(0);
    b.Int(static_cast<std::int32_t>(start + 6 + payload.Data.size())).Raw(payload.Data);
  };
  object(-3, false);  // before the data
  object(0, true);    // far past the end of the file
  object(4, false);   // sound
  b.Byte(252);

  TConversionContext context;
  TkvReport report(context);
  TMemoryStream stream(b.Data);
  report.LoadReportStream(stream);
  ASSERT_TRUE(report.LastLoad.Read());
  ASSERT_EQ(report.LastLoad.Skipped.size(), 2u);
  for (const TSkippedRecord& skipped : report.LastLoad.Skipped) {
    EXPECT_EQ(skipped.Reason, TSkippedRecord::Damaged);
    EXPECT_EQ(skipped.ClassName, "TkvPictureView");
  }
  ASSERT_EQ(report.Pages.Count(), 1);
  const auto& objects = report.Pages.Item(0).ObjectList;
  ASSERT_EQ(objects.size(), 3u);
  const auto& sound = dynamic_cast<const TkvPictureView&>(*objects[2]);
  EXPECT_EQ(sound.Picture.GraphicKind(), gkBitmap);
  EXPECT_EQ(sound.Picture.Bytes(), "BMxx");
}

// ---- The document element -----------------------------------------------------------------------

TEST(PictureTest, EmptyPictureWithTheDefaultFlagsWritesOnlyTheCommonPart) {
  TConversionContext context;
  TkvPictureView view(context);
  view.Name = "Picture1";
  view.Width = 50;
  EXPECT_EQ(Document(view),
            "<TkvxPictureView Name=\"Picture1\" Left=\"0\" Top=\"0\" Width=\"50\" Height=\"0\""
            " Color=\"536870911\" Frame.Typ=\"0\" Frame.Width=\"1\" Frame.Color=\"0\""
            " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"\" Align=\"0\""
            " Restrictions=\"0\"");
}

TEST(PictureTest, GraphicBytesAreWrittenAsHexadecimal) {
  TConversionContext context;
  TkvPictureView view(context);
  view.Picture.Assign(gkBitmap, std::string("BM\x00\xFF\x7F", 5));
  EXPECT_EQ(AfterCommonPart(view), " Picture.Propdata=\"424D00FF7F\"");
  view.Picture.Assign(gkJPEG, "\xFF\xD8\xFF");
  EXPECT_EQ(AfterCommonPart(view), " Picture.Propdata=\"FFD8FF\"");
}

TEST(PictureTest, FlagsAreWrittenOnlyInTheirNonDefaultState) {
  const struct {
    std::uint16_t Flags;
    const char* Expected;
  } cases[] = {
      {0x0005, ""},
      {0x0002, " Stretched=\"False\" Center=\"True\" KeepAspectRatio=\"False\""},
      {0x0001, " KeepAspectRatio=\"False\""},
      {0x0004, " Stretched=\"False\""},
      {0x0007, " Center=\"True\""},
      {0xFFF8, " Stretched=\"False\" KeepAspectRatio=\"False\""},  // other bits write nothing
  };
  TConversionContext context;
  for (const auto& c : cases) {
    TkvPictureView view(context);
    view.Flags = c.Flags;
    EXPECT_EQ(AfterCommonPart(view), c.Expected) << c.Flags;
  }
}

// A form "Form1" holding the report and a table Table1 with the field Name; on the hidden form a
// table Table2 with the field Amount.
class PictureFieldTest : public test::TFieldFormTest {
 protected:
  PictureFieldTest() : TFieldFormTest("Name", TFieldType::ftString, 20) {}
  void SetUp() override {
    Table2 = &CreateOwned<TIBTable>(Context.HostForm(), "Table2");
    Table2->FieldDefs.Add("Amount", TFieldType::ftFloat);
    TFieldFormTest::SetUp();
  }
  void TearDown() override {
    TFieldFormTest::TearDown();
    FreeOwned(Table2);
  }

  TIBTable* Table2 = nullptr;
};

TEST_F(PictureFieldTest, DataSetAndDataFieldWhenTheFirstMemoLineResolves) {
  const struct {
    TLines Memo;
    const char* Expected;
  } cases[] = {
      {{"Table1.\"Name\"", "ignored"}, " DataSet=\"Form1.Table1\" DataField=\"Name\""},
      {{"table1.NAME"}, " DataSet=\"Form1.Table1\" DataField=\"NAME\""},
      {{"DialogForm.Table2.\"Amount\""}, " DataSet=\"DialogForm.Table2\" DataField=\"Amount\""},
      {{"Table1.\"Missing\""}, ""},   // no such field
      {{"Nowhere.\"Name\""}, ""},     // no such dataset
      {{"Table1"}, ""},               // no dot
      {{"", "Table1.\"Name\""}, ""},  // only the first line counts
      {{}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Memo.empty() ? "<no memo>" : c.Memo.front());
    TkvPictureView view(Context);
    view.Memo = c.Memo;
    EXPECT_EQ(AfterCommonPart(view), c.Expected);
  }
}

TEST_F(PictureFieldTest, AttributesComeInTheirOrder) {
  TkvPictureView view(Context);
  view.Picture.Assign(gkIcon, std::string("\x00\x00\x01\x00", 4));
  view.Memo = {"Table1.\"Name\""};
  view.Flags = 0x0002;
  EXPECT_EQ(AfterCommonPart(view),
            " Picture.Propdata=\"00000100\" DataSet=\"Form1.Table1\" DataField=\"Name\""
            " Stretched=\"False\" Center=\"True\" KeepAspectRatio=\"False\"");
}

TEST_F(PictureFieldTest, DocumentLossesOfAFieldPicture) {
  const auto losses = [](const TkvPictureView& view) {
    std::vector<std::string> list;
    view.DocumentLosses(list);
    return list;
  };
  TkvPictureView view(Context);
  EXPECT_TRUE(losses(view).empty());
  view.BlobType = btJPG;  // no data field: the blob type means nothing
  EXPECT_TRUE(losses(view).empty());
  view.Memo = {"Table1.\"Name\""};
  EXPECT_EQ(losses(view), TLines{"the blob type btJPG of its data-field image is not carried "
                                 "into the document"});
  view.BlobType = btBMP;
  EXPECT_TRUE(losses(view).empty());
  view.Memo = {"Nowhere.\"Name\""};
  EXPECT_EQ(losses(view), TLines{"its data-field reference Nowhere.\"Name\" names no field of a "
                                 "dataset, so the document names no data field"});
  view.Memo.clear();
  view.UnknownKind = 9;
  EXPECT_EQ(losses(view), TLines{"its image of unknown kind 9 was not kept"});
}

// ---- Named properties and methods ---------------------------------------------------------------

TEST(PictureTest, PublishedNamesAndTheirValues) {
  TConversionContext context;
  TkvPictureView view(context);
  view.DeclareProperties();
  std::vector<std::string> names;
  for (const auto& rec : view.PropList) names.push_back(rec->Name);
  EXPECT_EQ(names, (TLines{"Name",       "Left",         "Top",        "Width",      "Height",
                           "Flags",      "FrameTyp",     "FrameWidth", "FrameColor", "FrameStyle",
                           "FillColor",  "Tag",          "BandAlign",  "Visible",    "Memo",
                           "Memo.Count", "Restrictions", "Picture",    "Stretched",  "Center",
                           "KeepAspect", "DataField",    "BlobType"}));

  view.AssignProperty("center", true);
  view.AssignProperty("KEEPASPECT", false);
  view.AssignProperty("Stretched", false);
  EXPECT_EQ(view.Flags, 0x0002);
  EXPECT_EQ(view.QueryProperty("Center"), TVariant(true));
  EXPECT_EQ(view.QueryProperty("KeepAspect"), TVariant(false));
  view.AssignProperty("BlobType", std::int64_t{btWMF});
  EXPECT_EQ(view.BlobType, btWMF);
  EXPECT_EQ(view.QueryProperty("blobtype"), TVariant(std::int64_t{3}));
  view.AssignProperty("DataField", std::string("Table1.\"Name\""));
  EXPECT_EQ(view.Memo, TLines{"Table1.\"Name\""});
  view.AssignProperty("Left", std::int64_t{12});  // handed on to the base view
  EXPECT_EQ(view.Left, 12);
}

TEST(PictureTest, GraphicKindsOfFilesByTheirFirstBytes) {
  std::string emf(44, '\0');
  emf[0] = 1;
  emf.replace(40, 4, " EMF");
  const struct {
    std::string Bytes;
    TGraphicKind Kind;
  } cases[] = {
      {"BM" + std::string(24, 'x'), gkBitmap},
      {"BM", gkNone},  // too short for a bitmap
      {"\xFF\xD8\xFF\xE0", gkJPEG},
      {std::string("\x00\x00\x01\x00\x01\x00", 6), gkIcon},
      {std::string("\x00\x00\x01\x00\x00\x00", 6), gkNone},  // no images
      {std::string("\x00\x00\x02\x00\x01\x00", 6), gkNone},  // a cursor
      {emf, gkMetafile},
      {std::string(44, '\0'), gkNone},
      {"\xD7\xCD\xC6\x9A", gkMetafile},
      {"GIF89a", gkNone},
      {"", gkNone},
  };
  for (const auto& c : cases) EXPECT_EQ(GraphicKindOfFile(c.Bytes), c.Kind) << c.Bytes;
}

TEST(PictureTest, LoadFromFileTakesKnownImagesAndClearsOtherwise) {
  test::TTempDir dir;
  const std::string bitmap = "BM" + std::string(30, '\x01');
  const std::string bitmapPath = dir.Write("logo.bmp", bitmap);
  const std::string textPath = dir.Write("notes.txt", "not an image");

  TConversionContext context;
  TkvPictureView view(context);
  view.RunMethod("LoadFromFile", "'" + bitmapPath + "'", {}, {});
  EXPECT_EQ(view.Picture.GraphicKind(), gkBitmap);
  EXPECT_EQ(view.Picture.Bytes(), bitmap);

  for (const std::string& argument : {"'" + textPath + "'", "'" + dir / "missing.bmp" + "'",
                                      std::string("''"), "'" + dir.Path() + "'"}) {
    SCOPED_TRACE(argument);
    view.Picture.Assign(gkBitmap, bitmap);
    view.RunMethod("LOADFROMFILE", argument, {}, {});
    EXPECT_TRUE(view.Picture.Empty());
  }
  // Other methods are the base view's.
  view.RunMethod("HIDE", {}, {}, {});
  EXPECT_FALSE(view.Visible);
}

}  // namespace
}  // namespace kv
