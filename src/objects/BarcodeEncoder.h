// The barcode encoder of the barcode view: it turns a text into the bars and spaces of one of 23
// symbologies and draws them, rotated, onto a canvas. The symbol is first built as a pattern, a
// string with one character per element (a space, a full bar or a short bar of one of four
// widths); its width and its drawing both come from that pattern. Conversion never runs the
// encoder: it serves drawing, where a canvas implementation of the window supplies the painting.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/Errors.h"
#include "legacy/Primitives.h"

namespace kv {

// The symbologies, in the order of the barcode view's BarType.
enum TkvBarcodeType : int {
  bcCode_2_5_interleaved = 0,
  bcCode_2_5_industrial = 1,
  bcCode_2_5_matrix = 2,
  bcCode39 = 3,
  bcCode39Extended = 4,
  bcCode128A = 5,
  bcCode128B = 6,
  bcCode128C = 7,
  bcCode93 = 8,
  bcCode93Extended = 9,
  bcCodeMSI = 10,
  bcCodePostNet = 11,
  bcCodeCodabar = 12,
  bcCodeEAN8 = 13,
  bcCodeEAN13 = 14,
  bcCodeUPC_A = 15,
  bcCodeUPC_E0 = 16,
  bcCodeUPC_E1 = 17,
  bcCodeUPC_Supp2 = 18,
  bcCodeUPC_Supp5 = 19,
  bcCodeEAN128A = 20,
  bcCodeEAN128B = 21,
  bcCodeEAN128C = 22,
};

inline constexpr int BarcodeTypeCount = 23;

// The check digit rule of the EAN, UPC and EAN128 types.
enum TkvCheckSumMethod : int {
  csmNone = 0,
  csmModulo10 = 1,
};

// One symbology as the designer lists it: its display name and whether its text must consist of
// the digits 0 to 9.
struct TBCdata {
  const char* Name;
  bool Num;
};

// The symbologies' display names and digit flags, indexed by TkvBarcodeType.
extern const std::array<TBCdata, BarcodeTypeCount> BCdata;

// An error of the encoder: a text it cannot encode, an unknown type, a damaged pattern.
class EBarcodeError : public EKvError {
 public:
  using EKvError::EKvError;
};

// The modulo-10 check digit: the digits are weighted 3 and 1 alternately, 3 at the rightmost
// digit, and the check digit completes the sum to a multiple of 10 (1, 2, 3 give 6). Characters
// other than digits do not count.
char CheckDigitModulo10(std::string_view digits);

struct TPointF {
  double X = 0;
  double Y = 0;
  friend bool operator==(const TPointF&, const TPointF&) = default;
};

// What the encoder draws on: filled quadrilaterals. Save and Restore bracket a drawing, so that
// a canvas with a font, pen and brush of its own gets them back afterwards.
class TBarcodeCanvas {
 public:
  virtual ~TBarcodeCanvas() = default;
  virtual void Save() {}
  virtual void Restore() {}
  // Fills the quadrilateral with the corners in drawing order with a colour (0x00BBGGRR).
  virtual void FillPolygon(const std::array<TPointF, 4>& corners, TColor color) = 0;
};

// The element of a pattern character: '0' to '3' spaces, '5' to '8' bars of full height, 'A' to
// 'D' bars of two fifths of the height; the digit or letter gives one of the four widths.
struct TBarElement {
  enum TKind { Space, Bar, ShortBar } Kind;
  int WidthIndex;  // 0 to 3
};

class TkvBarcode {
 public:
  // The class name in the encoder's error messages.
  static constexpr const char* ClassName = "TkvBarcode";

  // Bar height in pixels.
  int Height() const { return FHeight; }
  void SetHeight(int value) { Change(FHeight, value); }
  // The code.
  const std::string& Text() const { return FText; }
  void SetText(std::string value) { Change(FText, std::move(value)); }
  // Origin of the drawing.
  int Top() const { return FTop; }
  void SetTop(int value) { Change(FTop, value); }
  int Left() const { return FLeft; }
  void SetLeft(int value) { Change(FLeft, value); }
  // Width of the narrowest element in pixels; values outside 1 to 49 are not taken.
  int Modul() const { return FModul; }
  void SetModul(int value);
  // Wide-to-narrow ratio, limited per symbology when the widths are derived.
  double Ratio() const { return FRatio; }
  void SetRatio(double value) { Change(FRatio, value); }
  TkvBarcodeType Typ() const { return FTyp; }
  void SetTyp(TkvBarcodeType value) { Change(FTyp, value); }
  // Append a check character.
  bool Checksum() const { return FChecksum; }
  void SetChecksum(bool value) { Change(FChecksum, value); }
  TkvCheckSumMethod CheckSumMethod() const { return FCheckSumMethod; }
  void SetCheckSumMethod(TkvCheckSumMethod value) { Change(FCheckSumMethod, value); }
  // Rotation in degrees, counter-clockwise.
  double Angle() const { return FAngle; }
  void SetAngle(double value) { Change(FAngle, value); }
  // Colour of the spaces and of the bars.
  TColor Color() const { return FColor; }
  void SetColor(TColor value) { Change(FColor, value); }
  TColor ColorBar() const { return FColorBar; }
  void SetColorBar(TColor value) { Change(FColorBar, value); }

  // The total width of the elements of the current text in pixels. Raises EBarcodeError for a
  // text that the symbology cannot encode.
  int Width() const;
  // Scales Modul by wanted / Width() (integer division), within Modul's limits.
  void SetWidth(int wanted);

  // Called after any property changes its value.
  std::function<void()> OnChange;

  // The text as the symbol carries it: trimmed for a digits-only type, brought to the fixed
  // length of the EAN and UPC types, with the check digit that those compute.
  std::string EncodedText() const;
  // The pattern of the current text, one character per element (see TBarElement).
  std::string Pattern() const;
  // The four element widths in pixels, from Modul and Ratio limited for the symbology.
  std::array<int, 4> ElementWidths() const;
  // The element of a pattern character; raises "TkvBarcode: internal Error" for any other.
  static TBarElement ElementOf(char patternChar);

  // Draws the symbol: each element a quadrilateral of its width and height rotated by Angle
  // about (Left, Top), the whole shifted to lie below and to the right of that point; bars in
  // ColorBar, spaces in Color. Encoder errors are raised before anything is drawn.
  void DrawBarcode(TBarcodeCanvas& canvas) const;

 private:
  template <class T>
  void Change(T& field, T value) {
    if (field == value) return;
    field = std::move(value);
    if (OnChange) OnChange();
  }

  int FHeight = 0;
  std::string FText;
  int FTop = 0;
  int FLeft = 0;
  int FModul = 1;
  double FRatio = 2.0;
  TkvBarcodeType FTyp = bcCodeEAN13;
  bool FChecksum = false;
  TkvCheckSumMethod FCheckSumMethod = csmModulo10;
  double FAngle = 0.0;
  TColor FColor = clWhite;
  TColor FColorBar = clBlack;
};

}  // namespace kv
