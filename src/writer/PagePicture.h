// The page pictures of a legacy report: per page a plain display list of the paper, its margins,
// the bands as labelled strips and every object with what it shows (texts in UTF-8, colours
// resolved to RGB, the bars of barcodes from the encoder), and the conversion notes of each
// object. A painter draws a picture without knowing the report library: this header holds plain
// standard types only, so that the Qt side (the window's painter, the command line's module) can
// use it without linking the library. Coordinates are pixels of the report model, measured from
// the paper's top-left corner (a dialog page's from its client area), PixelsPerInch to the inch.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

class TkvReport;
struct TConversionOutcome;

struct TPictureRect {
  std::int64_t Left = 0, Top = 0, Width = 0, Height = 0;
  friend bool operator==(const TPictureRect&, const TPictureRect&) = default;
};

// What an item is drawn as.
enum class TPictureItemKind : int {
  Memo = 0,      // text in a font, aligned and possibly rotated (memo and rounded rectangle)
  Line = 1,      // a line along the longer side of its rectangle
  Shape = 2,     // a figure (ShapeKind)
  CheckBox = 3,  // a mark (CheckStyle) when Checked
  Picture = 4,   // an image of ImageKind from ImageBytes
  Barcode = 5,   // the bars of BarPattern
  RichText = 6,  // the plain text of rich text
  Box = 7,       // a framed box naming class and name (chart, OLE object, cross-tab, subreport)
  Control = 8,   // a dialog control (ControlKind)
};

// The kind of a stored image.
enum class TPictureImageKind : int {
  None = 0,
  Bitmap = 1,
  Metafile = 2,
  Icon = 3,
  Jpeg = 4,
  Unknown = 5
};

// How a painter names an image kind it does not draw ("metafile").
inline const char* ImageKindName(TPictureImageKind kind) {
  switch (kind) {
    case TPictureImageKind::Bitmap:
      return "bitmap";
    case TPictureImageKind::Metafile:
      return "metafile";
    case TPictureImageKind::Icon:
      return "icon";
    case TPictureImageKind::Jpeg:
      return "JPEG image";
    case TPictureImageKind::None:
      return "no image";
    default:
      return "unknown image";
  }
}

// The widget a dialog control shows.
enum class TPictureControlKind : int {
  Label = 0,
  Edit = 1,
  Memo = 2,
  Button = 3,
  CheckBox = 4,
  RadioButton = 5,
  ListBox = 6,
  ComboBox = 7,
  DateEdit = 8,
  Other = 9,  // a non-visual component (table, query, database) or an unknown control
};

// Colours are 0xRRGGBB.
struct TPictureFont {
  std::string Name = "Arial";   // UTF-8
  std::int32_t PixelSize = 13;  // the font's height in pixels of the model
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
  std::uint32_t Color = 0;
  friend bool operator==(const TPictureFont&, const TPictureFont&) = default;
};

// Bits of TPictureItem::FrameSides.
inline constexpr unsigned PictureFrameRight = 0x1;
inline constexpr unsigned PictureFrameBottom = 0x2;
inline constexpr unsigned PictureFrameLeft = 0x4;
inline constexpr unsigned PictureFrameTop = 0x8;

struct TPictureItem {
  TPictureItemKind Kind = TPictureItemKind::Box;
  std::string ClassName;  // "TkvMemoView"
  std::string Name;       // UTF-8
  TPictureRect Rect;
  // Memo lines, the plain text of rich text, a control's caption or text, list items: UTF-8,
  // lines separated by "\n".
  std::string Text;
  TPictureFont Font;
  int HorizontalAlign = 0;  // 0 left, 1 right, 2 centre, 3 justified
  int VerticalAlign = 0;    // 0 top, 1 centre, 2 bottom
  int Rotation = 0;         // degrees counter-clockwise: text of memos, bars of barcodes
  bool WordWrap = false;
  std::int64_t GapX = 0, GapY = 0;  // inner distance of a memo's text from its box
  unsigned FrameSides = 0;          // PictureFrame... bits
  double FrameWidth = 1;
  std::uint32_t FrameColor = 0;
  int FrameStyle = 0;  // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 double
  bool Filled = false;
  std::uint32_t FillColor = 0xFFFFFF;
  int ShapeKind = 0;  // 0 rectangle, 1 rounded rectangle, 2 ellipse, 3 triangle, 4 and 5 diagonals
  std::int64_t RoundSize = 0;  // the corner size of a rounded rectangle; 0 square corners
  bool Checked = false;        // check box views and checked dialog controls
  int CheckStyle = 0;          // 0 cross, 1 check mark
  std::uint32_t CheckColor = 0;
  TPictureImageKind ImageKind = TPictureImageKind::None;
  std::string ImageBytes;  // the stored bytes of the image, as read
  // A barcode: one character per element as the encoder gives it ('0'-'3' spaces, '5'-'8' bars,
  // 'A'-'D' short bars), the four element widths in modules, the text the symbol carries (shown
  // under the bars when ShowText) and the zoom of the view. The bars are stretched over the
  // rectangle's length in the direction of Rotation.
  std::string BarPattern;
  std::array<int, 4> BarWidths{1, 2, 3, 4};
  std::string BarText;
  bool ShowText = false;
  double Zoom = 1;
  TPictureControlKind ControlKind = TPictureControlKind::Other;
  // Why the item cannot be drawn as it is (a code the barcode's symbology cannot encode); the
  // painter shows a box with this text instead.
  std::string Problem;
  // Numbers (from 1) of the page's notes that concern this item.
  std::vector<int> Notes;
};

// A band as a labelled strip across the page.
struct TPictureBand {
  std::string TypeName;  // "Master data"
  std::string Name;      // UTF-8
  TPictureRect Rect;
  std::vector<int> Notes;
};

struct TPagePicture {
  int Number = 1;  // the page's number in the report, from 1
  std::string Name;
  bool Dialog = false;
  std::string Caption;  // a dialog page's title, UTF-8
  double PixelsPerInch = 96;
  // Paper (a dialog page: its window) in pixels of the model; the paper size code and whether
  // the page is landscape.
  std::int64_t PaperWidth = 0, PaperHeight = 0;
  std::int32_t PaperSize = 0;
  bool Landscape = false;
  // The area inside the margins, in pixels from the paper's left and top edges.
  std::int64_t MarginLeft = 0, MarginTop = 0, MarginRight = 0, MarginBottom = 0;
  std::uint32_t Color = 0xFFFFFF;  // paper or window colour
  std::vector<TPictureBand> Bands;
  std::vector<TPictureItem> Items;
  // The legend: the notes on this page's objects (numbered from 1 in this order) and those on the
  // page or the report as a whole. UTF-8.
  std::vector<std::string> Notes;
};

// The pictures of every page of a report that has been read. notes, when given, are the
// conversion notes of the report ("Page 2, Memo3: ..."): each goes to the objects and bands of
// that name on that page; a note on a page goes to its legend, one on the report to every page's.
// Texts are converted from the report context's code page to UTF-8.
std::vector<TPagePicture> BuildPagePictures(const TkvReport& report,
                                            const TConversionOutcome* notes = nullptr);

// A picture as JSON (image bytes in base64), for the drawing module of the command line.
std::string PagePictureJson(const TPagePicture& picture);

}  // namespace kv
