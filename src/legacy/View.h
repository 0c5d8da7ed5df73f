// The base of every object placed on a report page or a dialog page. A view holds what all report
// objects share: name, position and size, frame, fill, display format, memo, script, tag,
// restrictions and band alignment. It reads and writes the common part of every object record of
// a legacy file, writes the common part of every object's element in the new document, turns its
// class name into the element name and generates default names. Subclasses extend each of the
// three file operations by calling the parent's first and then handling their own part.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/DocumentText.h"
#include "base/Stream.h"
#include "legacy/KvObject.h"
#include "legacy/PropertyTable.h"

namespace kv {

class TkvView;
class TConversionContext;

// A report object class: its name and its constructor. Classes are told apart by the identity of
// their TViewClass, as a class reference would be.
struct TViewClass {
  std::string Name;
  std::function<std::unique_ptr<TkvView>(TConversionContext&)> Create;
};

// The legacy type codes of the built-in classes; every add-in is stored with TypeAddIn.
enum TViewTypeCode : std::uint8_t {
  TypeMemo = 0,
  TypePicture = 1,
  TypeBand = 2,
  TypeSubReport = 3,
  TypeLine = 4,
  TypeAddIn = 10,
};

// Bits of TkvView::Flags that every view shares; the other bits belong to the subclasses.
inline constexpr std::uint16_t flStretched = 0x0001;

// Bits of TkvView::FrameTyp: the frame lines drawn.
inline constexpr std::uint16_t frRight = 0x1;
inline constexpr std::uint16_t frBottom = 0x2;
inline constexpr std::uint16_t frLeft = 0x4;
inline constexpr std::uint16_t frTop = 0x8;

// TkvView::FrameStyle values.
enum TFrameStyle : std::uint16_t {
  psSolid = 0,
  psDash = 1,
  psDot = 2,
  psDashDot = 3,
  psDashDotDot = 4,
  psDouble = 5,
};

// Bits of TkvView::Restrictions: what the designer does not let the user do.
inline constexpr std::uint16_t rsDontEditMemo = 0x01;
inline constexpr std::uint16_t rsDontEditScript = 0x02;
inline constexpr std::uint16_t rsDontEditContents = 0x04;
inline constexpr std::uint16_t rsDontModify = 0x08;
inline constexpr std::uint16_t rsDontSize = 0x10;
inline constexpr std::uint16_t rsDontMove = 0x20;
inline constexpr std::uint16_t rsDontDelete = 0x40;

// TkvView::BandAlign values: the alignment inside the band.
enum TBandAlign : std::uint8_t {
  baNone = 0,
  baLeft = 1,
  baRight = 2,
  baCenter = 3,
  baWidth = 4,
  baBottom = 5,
  baTop = 6,
  baRest = 7,
};

// The element name of a class in the new document: a leading "Tkv" (exact case) becomes "Tkvx";
// a result equal to "TkvxSubreportView" ignoring case becomes "TkvxSubreport".
std::string ElementNameOf(std::string_view className);

// The frame width as a legacy record stores it: the number itself when the width is a whole
// number of at most 10 (whole pixels), otherwise thousandths of a pixel rounded half to even.
std::int32_t StoredFrameWidth(float frameWidth);
// The frame width of a stored number: up to 10 it counts whole pixels, above in thousandths.
float FrameWidthFromStored(std::int32_t stored);

class TkvView : public TPropertiesOf<TkvView, TkvObject> {
 public:
  // A view belongs to the conversion context it is made in for its whole life.
  explicit TkvView(TConversionContext& context);
  ~TkvView() override;

  TConversionContext& Context() const { return *OwnerContext; }

  // The class of the view, for the factory: its name and its constructor.
  static const TViewClass& Class();
  // The class name as stored in files ("TkvShapeView"); every class supplies its own.
  virtual std::string ClassName() const;
  // The element name of the class in the new document (ElementNameOf).
  std::string ElementName() const { return ElementNameOf(ClassName()); }

  // Named properties: "Name", "Left", "Top", "Width", "Height", "Flags", the frame, fill, tag and
  // band-alignment names (unless PublishesFrameProperties says no), "Visible", "Memo",
  // "Memo.Count" and "Restrictions"; assigned and read besides: "GapX", "GapY", "Stretched"
  // (bit flStretched of Flags) and "DataField" (the whole Memo text; reads its first line).
  // "Memo" is one text with the lines separated by CR LF; "Memo.Count" is read-only.
  static const TPropertyTable<TkvView>& Properties();
  // "HIDE" and "SHOW" (assign "Visible" false or true) and the line-list methods on "MEMO".
  TVariant RunMethod(const std::string& name, const TVariant& argument1, const TVariant& argument2,
                     const TVariant& argument3) override;

  // Called once every page of a report has been loaded. Nothing here.
  virtual void AfterLoad() {}
  // Reads the common part of the object record, after the record header; subclasses read their
  // payload after it. Which fields the record holds depends on the context's LegacyVersion.
  virtual void LoadLegacy(TStream& stream);
  // Writes the common part of the object record in the layout of file version 25; sets
  // RecordMajor to 2 (RecordMinor is the subclass's).
  virtual void SaveLegacy(TStream& stream);
  // Writes "<", the element name, a blank and the common attributes; no closing "/>" and no line
  // end, as the document writer closes the element. Subclasses append their attributes. A class
  // that has no element for an object writes nothing at all, and the writer then closes nothing.
  virtual void SaveToDocument(TDocumentStream& stream);
  // What the new document does not carry of this object, one complete phrase per kind of loss
  // ("word break is not carried into the document"); the conversion notes each with the page and
  // the object's name. Nothing here.
  virtual void DocumentLosses(std::vector<std::string>& losses) const {}

  // Names the view NamePrefix followed by the first number from 1 to 10000 that no object of
  // the current report (and, for controls, no component of the HostForm) bears, through
  // AssignProperty("Name", ...). The name stays empty when all are taken.
  void AssignDefaultName();

  // The version of the object record (RecordMajor * 10 + RecordMinor); 0 for files up to
  // version 23. Subclasses gate optional payload fields on it.
  int RecordVersion() const { return RecordMajor * 10 + RecordMinor; }

  // Prefix of generated names.
  std::string NamePrefix = "View";
  // The memo after the engine has substituted its expressions (run time).
  std::vector<std::string> EvaluatedMemo;
  // True while the object is written to or read from prepared pages; false for report files.
  bool PreparedRecord = false;
  std::string Name;
  std::uint8_t TypeCode = TypeAddIn;
  std::uint8_t RecordMajor = 0;
  std::uint8_t RecordMinor = 0;
  std::int32_t ObjectId = 0;
  // Position and size in screen pixels. The file stores 32-bit values; the model keeps 64 bits
  // so that sums, differences and the document's page shift never overflow.
  std::int64_t Left = 0, Top = 0, Width = 0, Height = 0;
  std::uint16_t Flags = flStretched;
  std::uint16_t FrameTyp = 0;
  float FrameWidth = 1.0f;
  std::int32_t FrameColor = 0;
  std::uint16_t FrameStyle = psSolid;
  std::int32_t FillColor;  // clTransparent
  // Packed display format (memo view): low byte the decimal separator character, second byte the
  // number of decimals, third byte the sub-kind, low four bits of the top byte the kind.
  std::int32_t FormatCode;  // 0x200 plus the document's decimal separator character
  std::string FormatText;
  bool Visible = true;
  std::int32_t GapX = 2, GapY = 1;
  std::uint16_t Restrictions = 0;
  std::string Tag;
  std::vector<std::string> Memo;
  std::vector<std::string> ScriptLines;
  std::uint8_t BandAlign = baNone;

 private:
  TConversionContext* OwnerContext;

 protected:
  // False for the classes that publish neither the frame and fill names nor "Tag" and
  // "BandAlign" (the band and subreport views).
  virtual bool PublishesFrameProperties() const { return true; }
  // The value of the element's Color attribute: FillColor here; the dialog controls write the
  // colour of their widget instead.
  virtual std::int32_t DocumentColor() const { return FillColor; }
  // Calls visit with every name that a generated name must not repeat: the names of the
  // objects on the pages of the current report.
  virtual void ForEachTakenName(const std::function<void(std::string_view)>& visit) const;
};

// A class name as a template argument: TViewClassOf<TkvShapeView, TkvView, "TkvShapeView">.
template <std::size_t N>
struct TClassName {
  constexpr TClassName(const char (&text)[N]) { std::copy_n(text, N, Text); }
  char Text[N];
};

// The identity of a view class Self derived from Parent: Class() (name and constructor, for the
// factory) and ClassName(); its named properties come from its table (TPropertiesOf).
template <class Self, class Parent, TClassName Name>
class TViewClassOf : public TPropertiesOf<Self, Parent> {
 public:
  using TPropertiesOf<Self, Parent>::TPropertiesOf;

  static const TViewClass& Class() {
    static const TViewClass viewClass{
        Name.Text, [](TConversionContext& context) { return std::make_unique<Self>(context); }};
    return viewClass;
  }
  std::string ClassName() const override { return Name.Text; }
};

}  // namespace kv
