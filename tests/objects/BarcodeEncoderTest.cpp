// Tests of the barcode encoder: check digits and module patterns against published examples of
// the symbologies, the text rules and error texts, the element widths with their ratio limits,
// Modul, Width and OnChange, and the drawing through a recording canvas.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "objects/BarcodeEncoder.h"

namespace kv {
namespace {

TkvBarcode Encoder(TkvBarcodeType typ, const std::string& text, bool checksum = false) {
  TkvBarcode barcode;
  barcode.SetTyp(typ);
  barcode.SetText(text);
  barcode.SetChecksum(checksum);
  return barcode;
}

// The pattern as modules, "1" for a bar and "0" for a space, with the widths 1 to 4 of Modul 1
// and Ratio 2; short bars as "s".
std::string Modules(const std::string& pattern) {
  std::string modules;
  for (const char c : pattern) {
    const TBarElement element = TkvBarcode::ElementOf(c);
    const char module = element.Kind == TBarElement::Space ? '0'
                        : element.Kind == TBarElement::Bar ? '1'
                                                           : 's';
    modules += std::string(element.WidthIndex + 1, module);
  }
  return modules;
}

std::string ModulesOf(TkvBarcodeType typ, const std::string& text, bool checksum = false) {
  return Modules(Encoder(typ, text, checksum).Pattern());
}

TEST(BarcodeEncoderTest, TypeTable) {
  EXPECT_STREQ(BCdata[bcCode_2_5_interleaved].Name, "2_5_interleaved");
  EXPECT_STREQ(BCdata[bcCodeCodabar].Name, "Codebar");
  EXPECT_STREQ(BCdata[bcCodeUPC_Supp5].Name, "UPC Supp5");
  EXPECT_STREQ(BCdata[bcCodeEAN128C].Name, "EAN128C");
  std::string digitsOnly;
  for (int typ = 0; typ < BarcodeTypeCount; ++typ) digitsOnly += BCdata[typ].Num ? '1' : '0';
  EXPECT_EQ(digitsOnly, "11100001001101111111001");
}

// The modulo-10 check digit and the texts of the fixed-length types.
TEST(BarcodeEncoderTest, EncodedTextsAndCheckDigits) {
  EXPECT_EQ(CheckDigitModulo10("123"), '6');  // 3*3 + 2*1 + 1*3 = 14
  EXPECT_EQ(CheckDigitModulo10("0"), '0');
  EXPECT_EQ(CheckDigitModulo10(""), '0');
  const struct {
    TkvBarcodeType Typ;
    const char* Text;
    bool Checksum;
    const char* Expected;
  } cases[] = {
      {bcCodeEAN13, "400638133393", true, "4006381333931"},
      {bcCodeEAN13, "4006381333939", true, "4006381333931"},  // the check digit replaced
      {bcCodeEAN13, "  12345 ", true, "0000000123457"},
      {bcCodeEAN13, "123", false, "0000000000123"},
      {bcCodeEAN13, "40063813339312", false, "4006381333931"},
      {bcCodeUPC_A, "03600029145", true, "036000291452"},
      {bcCodeEAN8, "9638507", true, "96385074"},
      {bcCodeEAN8, "123456789", true, "12345670"},
      {bcCodeUPC_E0, "425261", true, "4252614"},  // UPC-A 04210000526 check 4
      {bcCodeUPC_E1, "425261", true, "4252611"},  // UPC-A 14210000526 check 1
      {bcCodeUPC_E0, "4252619", false, "4252619"},
      {bcCodeUPC_Supp2, "7", true, "07"},
      {bcCodeUPC_Supp5, "524951", true, "52495"},
      {bcCodeEAN128C, "123", true, "1236"},
      {bcCodeEAN128B, "ab", false, "ab"},
      {bcCode_2_5_interleaved, "123", true, "1236"},
      {bcCodeMSI, "1234567", true, "12345674"},  // Luhn
      {bcCode39, " a ", true, " a "},            // only digits-only types are trimmed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << BCdata[c.Typ].Name << " " << c.Text);
    EXPECT_EQ(Encoder(c.Typ, c.Text, c.Checksum).EncodedText(), c.Expected);
  }
  // Without the modulo-10 method the EAN types take the digits as they are.
  TkvBarcode ean = Encoder(bcCodeEAN13, "400638133393", true);
  ean.SetCheckSumMethod(csmNone);
  EXPECT_EQ(ean.EncodedText(), "0400638133393");
}

TEST(BarcodeEncoderTest, ErrorTexts) {
  const struct {
    int Typ;
    const char* Text;
    const char* Message;
  } cases[] = {
      {bcCodeEAN13, "12a4", "Barcode must be numeric"},
      {bcCode128C, "12 34", "Barcode must be numeric"},
      {bcCodePostNet, "-1", "Barcode must be numeric"},
      {23, "1", "TkvBarcode: wrong BarcodeType"},
      {-1, "1", "TkvBarcode: wrong BarcodeType"},
      {bcCode93, "AB!", "TkvBarcode:Code93 bad Data <!>"},
      {bcCode93Extended, "\xE9", "TkvBarcode:Code93 bad Data <\xE9>"},
      {bcCode39, "ab", "TkvBarcode:Code39 bad Data <a>"},
      {bcCode39Extended, "\x80", "TkvBarcode:Code39 bad Data <\x80>"},
      {bcCode128A, "a", "TkvBarcode:Code128 bad Data <a>"},
      {bcCode128B, "\t", "TkvBarcode:Code128 bad Data <\t>"},
      {bcCodeCodabar, "A12C4B", "TkvBarcode:Codabar bad Data <C>"},
      {bcCodeCodabar, "12*4", "TkvBarcode:Codabar bad Data <*>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Typ << " " << c.Text);
    const TkvBarcode barcode = Encoder(static_cast<TkvBarcodeType>(c.Typ), c.Text);
    try {
      (void)barcode.Width();
      ADD_FAILURE() << "no error";
    } catch (const EBarcodeError& error) {
      EXPECT_STREQ(error.what(), c.Message);
    }
  }
  for (const char c : std::string("49EZ .")) {
    try {
      (void)TkvBarcode::ElementOf(c);
      ADD_FAILURE() << c;
    } catch (const EBarcodeError& error) {
      EXPECT_STREQ(error.what(), "TkvBarcode: internal Error");
    }
  }
}

// Module patterns of published examples and the published character tables.
// clang-format off: one group of modules per character.
TEST(BarcodeEncoderTest, ModulePatternsOfPublishedExamples) {
  // EAN-13 5901234123457: first digit 5 gives the parities LGGLLG.
  EXPECT_EQ(ModulesOf(bcCodeEAN13, "590123412345", true),
            "101"
            "0001011"
            "0100111"
            "0110011"
            "0010011"
            "0111101"
            "0011101"
            "01010"
            "1100110"
            "1101100"
            "1000010"
            "1011100"
            "1001110"
            "1000100"
            "101");
  // EAN-8 96385074.
  EXPECT_EQ(ModulesOf(bcCodeEAN8, "96385074"),
            "101"
            "0001011"
            "0101111"
            "0111101"
            "0110111"
            "01010"
            "1001110"
            "1110010"
            "1000100"
            "1011100"
            "101");
  // UPC-E 0 425261 check 4: parities GLGGLL (number system 0, check digit 4).
  EXPECT_EQ(ModulesOf(bcCodeUPC_E0, "4252614"),
            "101"
            "0011101"
            "0010011"
            "0111001"
            "0011011"
            "0101111"
            "0011001"
            "010101");
  // The same digits in number system 1 take the opposite parities LGLLGG.
  EXPECT_EQ(ModulesOf(bcCodeUPC_E1, "4252614"),
            "101"
            "0100011"
            "0011011"
            "0110001"
            "0010011"
            "0000101"
            "0110011"
            "010101");
  // Two-digit supplement 12 (12 mod 4 = 0: LL), five-digit 52495 (check 1: GLGLL).
  EXPECT_EQ(ModulesOf(bcCodeUPC_Supp2, "12"),
            "1011"
            "0011001"
            "01"
            "0010011");
  EXPECT_EQ(ModulesOf(bcCodeUPC_Supp5, "52495"),
            "1011"
            "0111001"
            "01"
            "0010011"
            "01"
            "0011101"
            "01"
            "0001011"
            "01"
            "0110001");
  // Code 39: "*", "A", "*", narrow gaps between the characters.
  EXPECT_EQ(ModulesOf(bcCode39, "A"),
            "1001011011010"
            "1101010010110"
            "100101101101");
  // Interleaved 2 of 5 "12": bars of 1 (wnnnw), spaces of 2 (nwnnw); start and stop.
  EXPECT_EQ(ModulesOf(bcCode_2_5_interleaved, "12"),
            "1010"
            "11010010101100"
            "1101");
  // Codabar A1B.
  EXPECT_EQ(ModulesOf(bcCodeCodabar, "A1B"),
            "1011001001"
            "0"
            "101011001"
            "0"
            "1001001011");
  // Codabar without start and stop gets A and B.
  EXPECT_EQ(ModulesOf(bcCodeCodabar, "1"), ModulesOf(bcCodeCodabar, "A1B"));
  // MSI 1: start 110, 0001 as 100 100 100 110, stop 1001.
  EXPECT_EQ(ModulesOf(bcCodeMSI, "1"),
            "110"
            "100100100110"
            "1001");
}
// clang-format on

// Check characters of the symbologies that carry them: each pattern equals the one of the text
// with the published check character written out.
TEST(BarcodeEncoderTest, CheckCharacters) {
  // Code 39 modulo 43: C12 O24 D13 E14 3 9 sum to 75, 75 mod 43 = 32, "W".
  EXPECT_EQ(Encoder(bcCode39, "CODE39", true).Pattern(), Encoder(bcCode39, "CODE39W").Pattern());
  EXPECT_NE(Encoder(bcCode39, "CODE39").Pattern(), Encoder(bcCode39, "CODE39W").Pattern());

  // Code 93 TEST93: the check characters C "+" and K "6". A character's six elements are the
  // ones after the start of a symbol holding that character alone.
  const auto code93Char = [](const std::string& c) {
    return Encoder(bcCode93, c).Pattern().substr(6, 6);
  };
  const std::string test93 = Encoder(bcCode93, "TEST93").Pattern();
  ASSERT_EQ(test93.size(), 6u + 6 * 6 + 6 + 6 + 6 + 1);
  EXPECT_EQ(test93.substr(6, 6), code93Char("T"));
  EXPECT_EQ(test93.substr(42, 6), code93Char("+"));
  EXPECT_EQ(test93.substr(48, 6), code93Char("6"));
  EXPECT_EQ(Modules(test93.substr(0, 6)), "101011110");  // start
  EXPECT_EQ(Modules(test93.substr(54)), "1010111101");   // stop and terminating bar
  // Code 93 full ASCII: "a" is (+)A.
  const std::string lower = Encoder(bcCode93Extended, "a").Pattern();
  EXPECT_EQ(Modules(lower.substr(6, 6)), "100110010");  // (+)
  EXPECT_EQ(lower.substr(12, 6), code93Char("A"));

  // Code 128 B "PJJ123C": 104 + 48 + 2*42 + 3*42 + 4*17 + 5*18 + 6*19 + 7*35 = 879,
  // 879 mod 103 = 55, the symbol 311321. Start B is 211214; the stop 2331112.
  const std::string pjj = Modules(Encoder(bcCode128B, "PJJ123C").Pattern());
  ASSERT_EQ(pjj.size(), 11u * 9 + 13);
  EXPECT_EQ(pjj.substr(0, 11), "11010010000");
  EXPECT_EQ(pjj.substr(11 * 8, 11), "11101000110");
  EXPECT_EQ(pjj.substr(11 * 9), "1100011101011");
  // EAN-128 C "12": start C, FNC1 (102), 12; 105 + 102 + 2*12 = 231, mod 103 = 25.
  const std::string ean128 = Modules(Encoder(bcCodeEAN128C, "12").Pattern());
  EXPECT_EQ(ean128.substr(0, 11), "11010011100");   // start C
  EXPECT_EQ(ean128.substr(11, 11), "11110101110");  // FNC1
  EXPECT_EQ(ean128.substr(22, 11), "10110011100");  // 12
  EXPECT_EQ(ean128.substr(33, 11), "11100101100");  // 25
  // Code 128 C with an odd count: the last digit after a switch to code set B.
  const std::string odd = Modules(Encoder(bcCode128C, "123").Pattern());
  EXPECT_EQ(odd.substr(22, 11), "10111101110");  // CODE B (100)
  EXPECT_EQ(odd.substr(33, 11), "11001011100");  // "3" in set B (19)

  // Codabar modulo 16 over all characters: A16 + 1 + B17 = 34, check 14, ".", before the stop.
  EXPECT_EQ(Encoder(bcCodeCodabar, "A1B", true).Pattern(),
            Encoder(bcCodeCodabar, "A1.B").Pattern());
  // Interleaved 2 of 5 "12" with its check digit 3 is three digits: a leading zero pairs them.
  EXPECT_EQ(ModulesOf(bcCode_2_5_interleaved, "12", true),
            ModulesOf(bcCode_2_5_interleaved, "0123"));

  // Code 39 full ASCII: "a" is "+A".
  EXPECT_EQ(Encoder(bcCode39Extended, "a!").Pattern(), Encoder(bcCode39, "+A/A").Pattern());

  // PostNet 1: frame, 00011, check 9 (10100), frame; short bars are "s".
  EXPECT_EQ(ModulesOf(bcCodePostNet, "1"), "100s00s00s00100100100s00100s00s001");
}

TEST(BarcodeEncoderTest, ElementWidthsWithTheRatioLimits) {
  const struct {
    int Modul;
    double Ratio;
    TkvBarcodeType Typ;
    std::array<int, 4> Expected;
  } cases[] = {
      {1, 2.0, bcCodeEAN13, {1, 2, 3, 4}},
      {1, 2.5, bcCodeEAN13, {1, 2, 3, 4}},         // 2.5 rounds to the even 2
      {1, 3.5, bcCode39, {1, 3, 4, 6}},            // limited to 3
      {1, 1.0, bcCode39, {1, 2, 3, 4}},            // limited to 2
      {2, 2.25, bcCode_2_5_matrix, {2, 4, 6, 8}},  // 4.5 rounds to 4
      {1, 2.0, bcCode_2_5_matrix, {1, 2, 3, 4}},   // limited to 2.25
      {1, 3.5, bcCode_2_5_matrix, {1, 3, 4, 6}},   // limited to 3
      {1, 1.0, bcCode128B, {1, 1, 1, 2}},          // not limited
      {1, 3.5, bcCodeMSI, {1, 4, 6, 8}},           // 3.5 rounds to the even 4
      {3, 2.5, bcCodeEAN128A, {3, 8, 12, 16}},     // 7.5 rounds to 8
      {1, 1.5, bcCodePostNet, {1, 2, 3, 4}},       // 1.5 rounds to 2
      {1, -4.0, bcCode93, {1, 0, 0, 0}},           // no negative widths
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Modul << " " << c.Ratio << " " << BCdata[c.Typ].Name);
    TkvBarcode barcode;
    barcode.SetModul(c.Modul);
    barcode.SetRatio(c.Ratio);
    barcode.SetTyp(c.Typ);
    EXPECT_EQ(barcode.ElementWidths(), c.Expected);
  }
}

TEST(BarcodeEncoderTest, ModulWidthAndOnChange) {
  TkvBarcode barcode = Encoder(bcCodeEAN13, "400638133393", true);
  int changes = 0;
  barcode.OnChange = [&] { ++changes; };
  EXPECT_EQ(barcode.Width(), 95);

  // Only 1 to 49 are taken.
  for (const int refused : {0, -1, 50, 1000}) barcode.SetModul(refused);
  EXPECT_EQ(barcode.Modul(), 1);
  EXPECT_EQ(changes, 0);
  barcode.SetModul(49);
  EXPECT_EQ(barcode.Modul(), 49);
  barcode.SetModul(2);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(barcode.Width(), 190);

  // Assigning a width scales Modul by wanted / current, in whole pixels.
  barcode.SetWidth(300);  // 2 * 300 / 190 = 3
  EXPECT_EQ(barcode.Modul(), 3);
  barcode.SetWidth(50);  // 3 * 50 / 285 = 0: refused
  EXPECT_EQ(barcode.Modul(), 3);
  EXPECT_EQ(changes, 3);

  // Every setter calls OnChange only when the value changes.
  changes = 0;
  barcode.SetText("400638133393");
  barcode.SetTyp(bcCodeEAN13);
  barcode.SetRatio(2.0);
  barcode.SetChecksum(true);
  barcode.SetCheckSumMethod(csmModulo10);
  barcode.SetColor(clWhite);
  barcode.SetColorBar(clBlack);
  barcode.SetHeight(0);
  barcode.SetAngle(0);
  barcode.SetLeft(0);
  barcode.SetTop(0);
  EXPECT_EQ(changes, 0);
  barcode.SetText("1");
  barcode.SetTyp(bcCode39);
  barcode.SetRatio(2.5);
  barcode.SetChecksum(false);
  barcode.SetCheckSumMethod(csmNone);
  barcode.SetColor(clGray);
  barcode.SetColorBar(0x0000FF);
  barcode.SetHeight(10);
  barcode.SetAngle(90);
  barcode.SetLeft(4);
  barcode.SetTop(5);
  EXPECT_EQ(changes, 11);
}

// ---- Drawing ------------------------------------------------------------------------------------

struct TRecordingCanvas : TBarcodeCanvas {
  struct TFill {
    std::array<TPointF, 4> Corners;
    TColor Color;
  };
  void Save() override { Calls += "S"; }
  void Restore() override { Calls += "R"; }
  void FillPolygon(const std::array<TPointF, 4>& corners, TColor color) override {
    Calls += "F";
    Fills.push_back({corners, color});
  }
  std::string Calls;
  std::vector<TFill> Fills;
};

TEST(BarcodeEncoderTest, DrawingPlacesTheRotatedSymbolBelowAndRightOfTheOrigin) {
  // Interleaved 2 of 5 "12": 17 elements, 22 pixels wide at Modul 1.
  TkvBarcode barcode = Encoder(bcCode_2_5_interleaved, "12");
  barcode.SetHeight(10);
  barcode.SetLeft(100);
  barcode.SetTop(50);
  barcode.SetColor(clGray);
  barcode.SetColorBar(0x0000FF);
  ASSERT_EQ(barcode.Width(), 22);

  const struct {
    double Angle;
    TPointF FirstBar[4];  // the start's first bar, one pixel wide
    TPointF Last[4];      // the stop's last bar, one pixel wide
  } cases[] = {
      {0,
       {{100, 50}, {101, 50}, {101, 60}, {100, 60}},
       {{121, 50}, {122, 50}, {122, 60}, {121, 60}}},
      // Counter-clockwise: the first bar at the bottom, the symbol reads upwards.
      {90,
       {{100, 72}, {100, 71}, {110, 71}, {110, 72}},
       {{100, 51}, {100, 50}, {110, 50}, {110, 51}}},
      {180,
       {{122, 60}, {121, 60}, {121, 50}, {122, 50}},
       {{101, 60}, {100, 60}, {100, 50}, {101, 50}}},
      {270,
       {{110, 50}, {110, 51}, {100, 51}, {100, 50}},
       {{110, 71}, {110, 72}, {100, 72}, {100, 71}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Angle);
    barcode.SetAngle(c.Angle);
    TRecordingCanvas canvas;
    barcode.DrawBarcode(canvas);
    EXPECT_EQ(canvas.Calls, "S" + std::string(17, 'F') + "R");
    ASSERT_EQ(canvas.Fills.size(), 17u);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(canvas.Fills.front().Corners[i], c.FirstBar[i]) << i;
      EXPECT_EQ(canvas.Fills.back().Corners[i], c.Last[i]) << i;
    }
    EXPECT_EQ(canvas.Fills[0].Color, 0x0000FF);
    EXPECT_EQ(canvas.Fills[1].Color, clGray);
  }

  // A rotation between the right angles keeps every corner below and right of the origin.
  barcode.SetAngle(30);
  TRecordingCanvas turned;
  barcode.DrawBarcode(turned);
  double minX = 1e9, minY = 1e9;
  for (const auto& fill : turned.Fills) {
    for (const TPointF& p : fill.Corners) {
      minX = std::min(minX, p.X);
      minY = std::min(minY, p.Y);
    }
  }
  EXPECT_NEAR(minX, 100, 1e-9);
  EXPECT_NEAR(minY, 50, 1e-9);
}

TEST(BarcodeEncoderTest, ShortBarsStandOnTheBaselineAndErrorsDrawNothing) {
  TkvBarcode barcode = Encoder(bcCodePostNet, "1");
  barcode.SetHeight(10);
  TRecordingCanvas canvas;
  barcode.DrawBarcode(canvas);
  ASSERT_GE(canvas.Fills.size(), 5u);
  EXPECT_EQ(canvas.Fills[0].Corners[0], (TPointF{0, 0}));  // tall frame bar
  EXPECT_EQ(canvas.Fills[2].Corners[0], (TPointF{3, 6}));  // short bar: 2/5 of 10
  EXPECT_EQ(canvas.Fills[2].Corners[2], (TPointF{4, 10}));

  TkvBarcode bad = Encoder(bcCodeEAN13, "x");
  TRecordingCanvas untouched;
  EXPECT_THROW(bad.DrawBarcode(untouched), EBarcodeError);
  EXPECT_EQ(untouched.Calls, "");
}

}  // namespace
}  // namespace kv
