// The barcode encoder: the text rules, one table and one pattern function per symbology, the
// element widths and the drawing.
//
// The symbology tables give each character as its element widths in modules, bars and spaces
// alternating ("1" narrow, "2" wide for the two-width codes; "1" to "4" modules for the others).
// Elements() turns such widths into pattern characters: width n becomes the bar '5' + n - 1 or
// the space '0' + n - 1, whose pixel width ElementWidths() gives. With the wide-to-narrow ratio 2
// the four widths are 1, 2, 3 and 4 modules, so one notation serves every symbology.
#include "objects/BarcodeEncoder.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <vector>

#include "base/Ascii.h"

namespace kv {

const std::array<TBCdata, BarcodeTypeCount> BCdata = {{
    {"2_5_interleaved", true},
    {"2_5_industrial", true},
    {"2_5_matrix", true},
    {"Code39", false},
    {"Code39 Extended", false},
    {"Code128A", false},
    {"Code128B", false},
    {"Code128C", true},
    {"Code93", false},
    {"Code93 Extended", false},
    {"MSI", true},
    {"PostNet", true},
    {"Codebar", false},
    {"EAN8", true},
    {"EAN13", true},
    {"UPC_A", true},
    {"UPC_E0", true},
    {"UPC_E1", true},
    {"UPC Supp2", true},
    {"UPC Supp5", true},
    {"EAN128A", false},
    {"EAN128B", false},
    {"EAN128C", true},
}};

namespace {

std::string ClassMessage(std::string_view message) {
  return std::string(TkvBarcode::ClassName) + std::string(message);
}

[[noreturn]] void BadData(std::string_view symbology, char c) {
  throw EBarcodeError(ClassMessage(":") + std::string(symbology) + " bad Data <" +
                      std::string(1, c) + ">");
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Elements from module widths '1' to '4', bars and spaces alternating, the first a bar or a
// space.
std::string Elements(std::string_view widths, bool barFirst) {
  std::string pattern;
  bool bar = barFirst;
  for (const char width : widths) {
    pattern += static_cast<char>((bar ? '5' : '0') + (width - '1'));
    bar = !bar;
  }
  return pattern;
}

// The leading and trailing blanks (spaces and control characters) of text removed.
std::string Trimmed(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// The first count digits of text, or text with leading zeros up to count digits.
std::string FixedDigits(std::string_view digits, std::size_t count) {
  if (digits.size() >= count) return std::string(digits.substr(0, count));
  return std::string(count - digits.size(), '0') + std::string(digits);
}

// Round half to even, the rounding of the wide element width; limited to a width that a
// drawing can hold.
int RoundHalfEven(double value) {
  if (!(value > 0)) return 0;  // also NaN
  if (value > 1 << 16) return 1 << 16;
  double whole = std::floor(value);
  const double fraction = value - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
  return static_cast<int>(whole);
}

// ---- 2 of 5 -------------------------------------------------------------------------------------

// The five elements of the digits 0 to 9 in every 2 of 5 code: two of them wide.
constexpr std::array<std::string_view, 10> TwoOfFive = {
    "11221", "21112", "12112", "22111", "11212", "21211", "12211", "11122", "21121", "12121"};

// Interleaved: pairs of digits, the first in the bars, the second in the spaces between them;
// an odd count gets a leading zero. Start: narrow bar, space, bar, space; stop: wide bar, narrow
// space, narrow bar.
std::string Code_2_5_interleaved(std::string digits) {
  if (digits.size() % 2 != 0) digits.insert(digits.begin(), '0');
  std::string pattern = Elements("1111", true);
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const std::string_view bars = TwoOfFive[digits[i] - '0'];
    const std::string_view spaces = TwoOfFive[digits[i + 1] - '0'];
    std::string widths;
    for (int k = 0; k < 5; ++k) widths += {bars[k], spaces[k]};
    pattern += Elements(widths, true);
  }
  return pattern + Elements("211", true);
}

// Industrial: every digit in five bars, each followed by a narrow space. Start: wide, wide and
// narrow bar; stop: wide, narrow and wide bar.
std::string Code_2_5_industrial(std::string_view digits) {
  const auto barsWithGaps = [](std::string_view bars) {
    std::string widths;
    for (const char bar : bars) widths += {bar, '1'};
    return widths;
  };
  std::string pattern = Elements(barsWithGaps("221"), true);
  for (const char digit : digits) pattern += Elements(barsWithGaps(TwoOfFive[digit - '0']), true);
  std::string stop = barsWithGaps("212");
  stop.pop_back();
  return pattern + Elements(stop, true);
}

// Matrix: every digit in three bars and the two spaces between them, then a narrow space.
// Start and stop: a wide bar and four narrow elements.
std::string Code_2_5_matrix(std::string_view digits) {
  std::string pattern = Elements("211111", true);
  for (const char digit : digits) {
    pattern += Elements(TwoOfFive[digit - '0'], true) + Elements("1", false);
  }
  return pattern + Elements("21111", true);
}

// ---- Code 39 ------------------------------------------------------------------------------------

// The characters of Code 39 in the order of their check values 0 to 42.
constexpr std::string_view Code39Chars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

// Nine elements per character, bar first, three of them wide; indexed like Code39Chars, then
// the start and stop character "*".
constexpr std::array<std::string_view, 44> Code39Table = {
    "111221211", "211211112", "112211112", "212211111", "111221112",  // 0 1 2 3 4
    "211221111", "112221111", "111211212", "211211211", "112211211",  // 5 6 7 8 9
    "211112112", "112112112", "212112111", "111122112", "211122111",  // A B C D E
    "112122111", "111112212", "211112211", "112112211", "111122211",  // F G H I J
    "211111122", "112111122", "212111121", "111121122", "211121121",  // K L M N O
    "112121121", "111111222", "211111221", "112111221", "111121221",  // P Q R S T
    "221111112", "122111112", "222111111", "121121112", "221121111",  // U V W X Y
    "122121111", "121111212", "221111211", "122111211", "121212111",  // Z - . space $
    "121211121", "121112121", "111212121",                            // / + %
    "121121211",                                                      // * (start, stop)
};
constexpr std::size_t Code39StartStop = 43;

// A character and the narrow space that separates it from the next.
std::string Code39Char(std::size_t index) {
  return Elements(Code39Table[index], true) + "0";
}

// Start "*", the characters, the modulo-43 check character when asked for, stop "*".
std::string Code_39(std::string_view text, bool checksum) {
  std::string pattern = Code39Char(Code39StartStop);
  std::size_t sum = 0;
  for (const char c : text) {
    const std::size_t index = Code39Chars.find(c);
    if (index == std::string_view::npos) BadData("Code39", c);
    sum += index;
    pattern += Code39Char(index);
  }
  if (checksum) pattern += Code39Char(sum % 43);
  return pattern + Elements(Code39Table[Code39StartStop], true);
}

// Full ASCII as two-character sequences of Code 39: "$", "%", "/" or "+" and a letter, or the
// character itself for the ones Code 39 has (digits, capitals, space, "-" and ".").
std::string FullAscii(char c) {
  const auto code = static_cast<unsigned char>(c);
  const auto shifted = [](char shift, int letter) {
    return std::string{shift, static_cast<char>('A' + letter)};
  };
  if (code >= 128) return {};
  if (IsDigit(c) || (c >= 'A' && c <= 'Z') || c == ' ' || c == '-' || c == '.') return {c};
  if (code == 0) return "%U";
  if (code <= 26) return shifted('$', code - 1);           // SOH to SUB: $A to $Z
  if (code <= 31) return shifted('%', code - 27);          // ESC to US: %A to %E
  if (c >= '!' && c <= ',') return shifted('/', c - '!');  // ! to , : /A to /L
  if (c == '/') return "/O";
  if (c == ':') return "/Z";
  if (c >= ';' && c <= '?') return shifted('%', 'F' - 'A' + c - ';');  // ; to ? : %F to %J
  if (c == '@') return "%V";
  if (c >= '[' && c <= '_') return shifted('%', 'K' - 'A' + c - '[');  // [ to _ : %K to %O
  if (c == '`') return "%W";
  if (c >= 'a' && c <= 'z') return shifted('+', c - 'a');  // +A to +Z
  return shifted('%', 'P' - 'A' + c - '{');                // { to DEL: %P to %T
}

std::string Code_39Extended(std::string_view text, bool checksum) {
  std::string sequence;
  for (const char c : text) {
    const std::string pair = FullAscii(c);
    if (pair.empty()) BadData("Code39", c);
    sequence += pair;
  }
  return Code_39(sequence, checksum);
}

// ---- Code 128 and EAN-128 -----------------------------------------------------------------------

// Six elements per symbol value 0 to 105, bar first, 11 modules (103 to 105 start the code sets
// A, B and C); value 106 is the stop, seven elements of 13 modules.
// clang-format off
constexpr std::array<std::string_view, 107> Code128Table = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312",  // 0-7
    "132212", "221213", "221312", "231212", "112232", "122132", "122231", "113222",  // 8-15
    "123122", "123221", "223211", "221132", "221231", "213212", "223112", "312131",  // 16-23
    "311222", "321122", "321221", "312212", "322112", "322211", "212123", "212321",  // 24-31
    "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",  // 32-39
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121",  // 40-47
    "313121", "211331", "231131", "213113", "213311", "213131", "311123", "311321",  // 48-55
    "331121", "312113", "312311", "332111", "314111", "221411", "431111", "111224",  // 56-63
    "111422", "121124", "121421", "141122", "141221", "112214", "112412", "122114",  // 64-71
    "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",  // 72-79
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112",  // 80-87
    "421211", "212141", "214121", "412121", "111143", "111341", "131141", "114113",  // 88-95
    "114311", "411113", "411311", "113141", "114131", "311141", "411131", "211412",  // 96-103
    "211214", "211232", "2331112",  // 104, 105 (start B, C), stop
};
// clang-format on
constexpr int Code128CodeB = 100;  // switches to code set B (in code set C)
constexpr int Code128Fnc1 = 102;
constexpr int Code128StartA = 103;
constexpr int Code128Stop = 106;

enum class TCode128Set { A, B, C };

// The symbol values of text in one code set. Set A holds ASCII 32 to 95 (values 0 to 63) and
// the control characters 0 to 31 (64 to 95); set B ASCII 32 to 127 (0 to 95); set C pairs of
// digits, a last single digit following a switch to set B.
void AppendCode128Values(std::string_view text, TCode128Set set, std::vector<int>& values) {
  const auto valueB = [](char c) {
    const int code = static_cast<unsigned char>(c);
    if (code < 32 || code > 127) BadData("Code128", c);
    return code - 32;
  };
  switch (set) {
    case TCode128Set::A:
      for (const char c : text) {
        const int code = static_cast<unsigned char>(c);
        if (code > 95) BadData("Code128", c);
        values.push_back(code >= 32 ? code - 32 : code + 64);
      }
      break;
    case TCode128Set::B:
      for (const char c : text) values.push_back(valueB(c));
      break;
    case TCode128Set::C:
      std::size_t i = 0;
      for (; i + 1 < text.size(); i += 2) {
        values.push_back((text[i] - '0') * 10 + (text[i + 1] - '0'));
      }
      if (i < text.size()) {
        values.push_back(Code128CodeB);
        values.push_back(valueB(text[i]));
      }
      break;
  }
}

// Start of the code set, FNC1 for the EAN-128 types, the text, the modulo-103 check character
// (the start value plus each following value times its position) and the stop.
std::string Code_128(std::string_view text, TkvBarcodeType typ) {
  TCode128Set set;
  switch (typ) {
    case bcCode128A:
    case bcCodeEAN128A:
      set = TCode128Set::A;
      break;
    case bcCode128B:
    case bcCodeEAN128B:
      set = TCode128Set::B;
      break;
    case bcCode128C:
    case bcCodeEAN128C:
      set = TCode128Set::C;
      break;
    default:
      throw EBarcodeError(ClassMessage(": wrong BarcodeType in Code_128"));
  }
  std::vector<int> values{Code128StartA + static_cast<int>(set)};
  if (typ >= bcCodeEAN128A) values.push_back(Code128Fnc1);
  AppendCode128Values(text, set, values);
  long long sum = values.front();
  for (std::size_t i = 1; i < values.size(); ++i) sum += static_cast<long long>(i) * values[i];
  values.push_back(static_cast<int>(sum % 103));
  values.push_back(Code128Stop);
  std::string pattern;
  for (const int value : values) pattern += Elements(Code128Table[value], true);
  return pattern;
}

// ---- Code 93 ------------------------------------------------------------------------------------

// The characters of Code 93 with the values 0 to 42; the values 43 to 46 are the shift
// characters ($), (%), (/) and (+) of the full ASCII form.
constexpr std::string_view Code93Chars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr std::string_view Code93Shifts = "$%/+";

// Six elements per value 0 to 46, bar first, nine modules; then the start and stop character.
constexpr std::array<std::string_view, 48> Code93Table = {
    "131112", "111213", "111312", "111411", "121113", "121212", "121311", "111114",  // 0-7
    "131211", "141111", "211113", "211212", "211311", "221112", "221211", "231111",  // 8-F
    "112113", "112212", "112311", "122112", "132111", "111123", "111222", "111321",  // G-N
    "121122", "131121", "212112", "212211", "211122", "211221", "221121", "222111",  // O-V
    "112122", "112221", "122121", "123111", "121131", "311112", "311211", "321111",  // W-$
    "112131", "113121", "211131",                                                    // / + %
    "121221", "312111", "311121", "122211",  // ($) (%) (/) (+)
    "111141",                                // start and stop
};
constexpr std::size_t Code93StartStop = 47;

// The check value of values: each weighted by its position from the right, the weights running
// 1 to maxWeight and starting again, modulo 47.
int Code93Check(const std::vector<int>& values, int maxWeight) {
  long long sum = 0;
  int weight = 1;
  for (auto it = values.rbegin(); it != values.rend(); ++it) {
    sum += static_cast<long long>(weight) * *it;
    weight = weight == maxWeight ? 1 : weight + 1;
  }
  return static_cast<int>(sum % 47);
}

// Start, the values, the check characters C (weights up to 20) and K (weights up to 15, over
// the values and C), stop and the terminating bar.
std::string Code93Pattern(std::vector<int> values) {
  values.push_back(Code93Check(values, 20));
  values.push_back(Code93Check(values, 15));
  std::string pattern = Elements(Code93Table[Code93StartStop], true);
  for (const int value : values) pattern += Elements(Code93Table[value], true);
  return pattern + Elements(Code93Table[Code93StartStop], true) + Elements("1", true);
}

std::string Code_93(std::string_view text) {
  std::vector<int> values;
  for (const char c : text) {
    const std::size_t value = Code93Chars.find(c);
    if (value == std::string_view::npos) BadData("Code93", c);
    values.push_back(static_cast<int>(value));
  }
  return Code93Pattern(std::move(values));
}

// Full ASCII: the two-character sequences of Code 39's full ASCII with the shift characters of
// Code 93 in place of "$", "%", "/" and "+".
std::string Code_93Extended(std::string_view text) {
  std::vector<int> values;
  for (const char c : text) {
    const std::string pair = FullAscii(c);
    if (pair.empty()) BadData("Code93", c);
    if (pair.size() == 2) {
      values.push_back(43 + static_cast<int>(Code93Shifts.find(pair[0])));
      values.push_back(static_cast<int>(Code93Chars.find(pair[1])));
    } else {
      values.push_back(static_cast<int>(Code93Chars.find(pair[0])));
    }
  }
  return Code93Pattern(std::move(values));
}

// ---- MSI ----------------------------------------------------------------------------------------

// The MSI check digit (modulo 10 by the Luhn rule): from the rightmost digit on, every other
// digit is doubled and the digits of the products summed with the rest.
char MsiCheckDigit(std::string_view digits) {
  int sum = 0;
  bool doubled = true;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    int value = *it - '0';
    if (doubled) value = value * 2 > 9 ? value * 2 - 9 : value * 2;
    sum += value;
    doubled = !doubled;
  }
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

// Every digit as its four bits, most significant first: a 1 is a wide bar and a narrow space, a
// 0 a narrow bar and a wide space. Start: wide bar, narrow space; stop: narrow bar, wide space,
// narrow bar.
std::string Code_MSI(std::string_view digits) {
  std::string pattern = Elements("21", true);
  for (const char digit : digits) {
    const int value = digit - '0';
    for (int bit = 3; bit >= 0; --bit) pattern += Elements((value >> bit) & 1 ? "21" : "12", true);
  }
  return pattern + Elements("121", true);
}

// ---- PostNet ------------------------------------------------------------------------------------

// Five bars per digit, two of them tall ("1") and three short ("0").
constexpr std::array<std::string_view, 10> PostNetTable = {
    "11000", "00011", "00101", "00110", "01001", "01010", "01100", "10001", "10010", "10100"};

// A tall frame bar, the digits, the check digit that completes their sum to a multiple of 10,
// a tall frame bar. Bars are narrow, each followed by a wide space.
std::string Code_PostNet(std::string_view digits) {
  int sum = 0;
  for (const char digit : digits) sum += digit - '0';
  std::string bars = "1";
  for (const char digit : digits) bars += PostNetTable[digit - '0'];
  bars += PostNetTable[(10 - sum % 10) % 10];
  bars += "1";
  std::string pattern;
  for (const char bar : bars) pattern += {bar == '1' ? '5' : 'A', '1'};
  pattern.pop_back();
  return pattern;
}

// ---- Codabar ------------------------------------------------------------------------------------

// The characters of Codabar with their check values 0 to 19; "A" to "D" only start and stop.
constexpr std::string_view CodabarChars = "0123456789-$:/.+ABCD";

// Seven elements per character, bar first, two or three of them wide.
constexpr std::array<std::string_view, 20> CodabarTable = {
    "1111122", "1111221", "1112112", "2211111", "1121121",  // 0 1 2 3 4
    "2111121", "1211112", "1211211", "1221111", "2112111",  // 5 6 7 8 9
    "1112211", "1122111", "2111212", "2121112", "2121211",  // - $ : / .
    "1121212", "1122121", "1212112", "1112122", "1112221",  // + A B C D
};

bool IsCodabarStartStop(char c) {
  return c >= 'A' && c <= 'D';
}

// The text between its own start and stop characters ("A" to "D", either case), or between "A"
// and "B"; with a check character (modulo 16 over all characters) before the stop. Characters
// are separated by a narrow space.
std::string Code_Codabar(std::string_view text, bool checksum) {
  std::string symbol;
  for (const char c : text) symbol += AsciiUpper(c);
  if (symbol.size() < 2 || !IsCodabarStartStop(symbol.front()) ||
      !IsCodabarStartStop(symbol.back())) {
    symbol = "A" + symbol + "B";
  }
  std::vector<std::size_t> values;
  for (std::size_t i = 0; i < symbol.size(); ++i) {
    const std::size_t value = CodabarChars.find(symbol[i]);
    const bool inner = i > 0 && i + 1 < symbol.size();
    if (value == std::string_view::npos || (inner && IsCodabarStartStop(symbol[i]))) {
      BadData("Codabar", symbol[i]);
    }
    values.push_back(value);
  }
  if (checksum) {
    std::size_t sum = 0;
    for (const std::size_t value : values) sum += value;
    values.insert(values.end() - 1, (16 - sum % 16) % 16);
  }
  std::string pattern;
  for (const std::size_t value : values) pattern += Elements(CodabarTable[value], true) + "0";
  pattern.pop_back();
  return pattern;
}

// ---- EAN and UPC --------------------------------------------------------------------------------

// The digits in the L code (odd parity), four elements starting with a space, seven modules.
// The G code (even parity) is the L code reversed; the R code of the right half is the L code
// starting with a bar.
constexpr std::array<std::string_view, 10> EanLTable = {"3211", "2221", "2122", "1411", "1132",
                                                        "1231", "1114", "1312", "1213", "3112"};

std::string EanL(char digit) {
  return Elements(EanLTable[digit - '0'], false);
}
std::string EanG(char digit) {
  const std::string_view l = EanLTable[digit - '0'];
  return Elements(std::string(l.rbegin(), l.rend()), false);
}
std::string EanR(char digit) {
  return Elements(EanLTable[digit - '0'], true);
}
std::string EanLorG(char digit, char parity) {
  return parity == 'G' ? EanG(digit) : EanL(digit);
}

const std::string EanGuard = Elements("111", true);      // 101
const std::string EanCenter = Elements("11111", false);  // 01010

// The parities of the left six digits of EAN-13, chosen by the first digit.
constexpr std::array<std::string_view, 10> Ean13Parity = {"LLLLLL", "LLGLGG", "LLGGLG", "LLGGGL",
                                                          "LGLLGG", "LGGLLG", "LGGGLL", "LGLGLG",
                                                          "LGLGGL", "LGGLGL"};

std::string Code_EAN13(std::string_view digits) {
  if (digits.size() != 13) throw EBarcodeError("Invalid Text len (EAN13)");
  const std::string_view parity = Ean13Parity[digits[0] - '0'];
  std::string pattern = EanGuard;
  for (int i = 0; i < 6; ++i) pattern += EanLorG(digits[1 + i], parity[i]);
  pattern += EanCenter;
  for (int i = 7; i < 13; ++i) pattern += EanR(digits[i]);
  return pattern + EanGuard;
}

std::string Code_EAN8(std::string_view digits) {
  if (digits.size() != 8) throw EBarcodeError("Invalid Text len (EAN8)");
  std::string pattern = EanGuard;
  for (int i = 0; i < 4; ++i) pattern += EanL(digits[i]);
  pattern += EanCenter;
  for (int i = 4; i < 8; ++i) pattern += EanR(digits[i]);
  return pattern + EanGuard;
}

// UPC-A is EAN-13 with the leading digit 0: all six left digits in the L code.
std::string Code_UPC_A(std::string_view digits) {
  return Code_EAN13("0" + std::string(digits));
}

// The UPC-A digits (without check digit) of the six UPC-E digits, by the last of them.
std::string UpcEExpanded(std::string_view six, char numberSystem) {
  std::string a(1, numberSystem);
  const char last = six[5];
  if (last <= '2') {
    a += std::string(six.substr(0, 2)) + last + "0000" + std::string(six.substr(2, 3));
  } else if (last == '3') {
    a += std::string(six.substr(0, 3)) + "00000" + std::string(six.substr(3, 2));
  } else if (last == '4') {
    a += std::string(six.substr(0, 4)) + "00000" + six[4];
  } else {
    a += std::string(six.substr(0, 5)) + "0000" + last;
  }
  return a;
}

// The parities of the six UPC-E digits for number system 0, chosen by the check digit; number
// system 1 uses the opposite parities.
constexpr std::array<std::string_view, 10> UpcE0Parity = {"GGGLLL", "GGLGLL", "GGLLGL", "GGLLLG",
                                                          "GLGGLL", "GLLGGL", "GLLLGG", "GLGLGL",
                                                          "GLGLLG", "GLLGLG"};

// Six digits and the check digit (seven in all); guard, the digits, the end guard 010101.
std::string Code_UPC_E(std::string_view digits, char numberSystem) {
  std::string parity(UpcE0Parity[digits[6] - '0']);
  if (numberSystem == '1') {
    for (char& p : parity) p = p == 'G' ? 'L' : 'G';
  }
  std::string pattern = EanGuard;
  for (int i = 0; i < 6; ++i) pattern += EanLorG(digits[i], parity[i]);
  return pattern + Elements("111111", false);
}

// The parities of the two-digit supplement by its value modulo 4.
constexpr std::array<std::string_view, 4> Supp2Parity = {"LL", "LG", "GL", "GG"};
// The parities of the five-digit supplement by its check value (the digits weighted 3, 9, 3,
// 9, 3, modulo 10).
constexpr std::array<std::string_view, 10> Supp5Parity = {
    "GGLLL", "GLGLL", "GLLGL", "GLLLG", "LGGLL", "LLGGL", "LLLGG", "LGLGL", "LGLLG", "LLGLG"};

// Start 1011, then the digits separated by 01.
std::string Supplement(std::string_view digits, std::string_view parity) {
  std::string pattern = Elements("112", true);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0) pattern += Elements("11", false);
    pattern += EanLorG(digits[i], parity[i]);
  }
  return pattern;
}

std::string Code_Supp2(std::string_view digits) {
  return Supplement(digits, Supp2Parity[((digits[0] - '0') * 10 + digits[1] - '0') % 4]);
}

std::string Code_Supp5(std::string_view digits) {
  int sum = 0;
  for (int i = 0; i < 5; ++i) sum += (digits[i] - '0') * (i % 2 == 0 ? 3 : 9);
  return Supplement(digits, Supp5Parity[sum % 10]);
}

// ---- Drawing ------------------------------------------------------------------------------------

// Cosine and sine of an angle in degrees, exact for the multiples of 90.
std::pair<double, double> CosSin(double degrees) {
  const double turns = std::fmod(degrees, 360.0);
  if (turns == 0) return {1, 0};
  if (turns == 90 || turns == -270) return {0, 1};
  if (turns == 180 || turns == -180) return {-1, 0};
  if (turns == 270 || turns == -90) return {0, -1};
  const double radians = degrees * std::numbers::pi / 180.0;
  return {std::cos(radians), std::sin(radians)};
}

}  // namespace

char CheckDigitModulo10(std::string_view digits) {
  int sum = 0;
  int weight = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (!IsDigit(*it)) continue;
    sum += (*it - '0') * weight;
    weight = 4 - weight;
  }
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

void TkvBarcode::SetModul(int value) {
  if (value >= 1 && value < 50) Change(FModul, value);
}

std::string TkvBarcode::EncodedText() const {
  if (FTyp < 0 || FTyp >= BarcodeTypeCount) {
    throw EBarcodeError(ClassMessage(": wrong BarcodeType"));
  }
  std::string text = FText;
  if (BCdata[FTyp].Num) {
    text = Trimmed(text);
    if (!std::all_of(text.begin(), text.end(), IsDigit)) {
      throw EBarcodeError("Barcode must be numeric");
    }
  }
  const bool modulo10 = FChecksum && FCheckSumMethod == csmModulo10;
  // A fixed number of digits, the last one the check digit when one is computed.
  const auto fixed = [&](std::size_t count) {
    if (!modulo10) return FixedDigits(text, count);
    const std::string data = FixedDigits(text, count - 1);
    return data + CheckDigitModulo10(data);
  };
  switch (FTyp) {
    case bcCode_2_5_interleaved:
    case bcCode_2_5_industrial:
    case bcCode_2_5_matrix:
      return FChecksum ? text + CheckDigitModulo10(text) : text;
    case bcCodeMSI:
      return FChecksum ? text + MsiCheckDigit(text) : text;
    case bcCodeEAN8:
      return fixed(8);
    case bcCodeEAN13:
      return fixed(13);
    case bcCodeUPC_A:
      return fixed(12);
    case bcCodeUPC_E0:
    case bcCodeUPC_E1: {
      // The check digit of UPC-E is the one of the UPC-A number it stands for.
      if (!modulo10) return FixedDigits(text, 7);
      const std::string six = FixedDigits(text, 6);
      return six + CheckDigitModulo10(UpcEExpanded(six, FTyp == bcCodeUPC_E1 ? '1' : '0'));
    }
    case bcCodeUPC_Supp2:
      return FixedDigits(text, 2);
    case bcCodeUPC_Supp5:
      return FixedDigits(text, 5);
    case bcCodeEAN128A:
    case bcCodeEAN128B:
    case bcCodeEAN128C:
      return modulo10 ? text + CheckDigitModulo10(text) : text;
    default:
      return text;
  }
}

std::string TkvBarcode::Pattern() const {
  const std::string text = EncodedText();
  switch (FTyp) {
    case bcCode_2_5_interleaved:
      return Code_2_5_interleaved(text);
    case bcCode_2_5_industrial:
      return Code_2_5_industrial(text);
    case bcCode_2_5_matrix:
      return Code_2_5_matrix(text);
    case bcCode39:
      return Code_39(text, FChecksum);
    case bcCode39Extended:
      return Code_39Extended(text, FChecksum);
    case bcCode128A:
    case bcCode128B:
    case bcCode128C:
    case bcCodeEAN128A:
    case bcCodeEAN128B:
    case bcCodeEAN128C:
      return Code_128(text, FTyp);
    case bcCode93:
      return Code_93(text);
    case bcCode93Extended:
      return Code_93Extended(text);
    case bcCodeMSI:
      return Code_MSI(text);
    case bcCodePostNet:
      return Code_PostNet(text);
    case bcCodeCodabar:
      return Code_Codabar(text, FChecksum);
    case bcCodeEAN8:
      return Code_EAN8(text);
    case bcCodeEAN13:
      return Code_EAN13(text);
    case bcCodeUPC_A:
      return Code_UPC_A(text);
    case bcCodeUPC_E0:
      return Code_UPC_E(text, '0');
    case bcCodeUPC_E1:
      return Code_UPC_E(text, '1');
    case bcCodeUPC_Supp2:
      return Code_Supp2(text);
    case bcCodeUPC_Supp5:
      return Code_Supp5(text);
  }
  throw EBarcodeError(ClassMessage(": wrong BarcodeType"));
}

std::array<int, 4> TkvBarcode::ElementWidths() const {
  double ratio = FRatio;
  const bool unlimited = (FTyp >= bcCode128A && FTyp <= bcCodePostNet) || FTyp >= bcCodeEAN128A;
  if (FTyp == bcCode_2_5_matrix) {
    ratio = std::clamp(ratio, 2.25, 3.0);
  } else if (!unlimited) {
    ratio = std::clamp(ratio, 2.0, 3.0);
  }
  const int w1 = RoundHalfEven(FModul * ratio);
  return {FModul, w1, w1 * 3 / 2, w1 * 2};
}

TBarElement TkvBarcode::ElementOf(char patternChar) {
  if (patternChar >= '0' && patternChar <= '3') return {TBarElement::Space, patternChar - '0'};
  if (patternChar >= '5' && patternChar <= '8') return {TBarElement::Bar, patternChar - '5'};
  if (patternChar >= 'A' && patternChar <= 'D') return {TBarElement::ShortBar, patternChar - 'A'};
  throw EBarcodeError(ClassMessage(": internal Error"));
}

int TkvBarcode::Width() const {
  const std::string pattern = Pattern();
  const std::array<int, 4> widths = ElementWidths();
  long long total = 0;
  for (const char c : pattern) total += widths[ElementOf(c).WidthIndex];
  return static_cast<int>(std::min<long long>(total, INT_MAX));
}

void TkvBarcode::SetWidth(int wanted) {
  const int current = Width();
  if (current <= 0) return;
  SetModul(static_cast<int>(static_cast<long long>(FModul) * wanted / current));
}

void TkvBarcode::DrawBarcode(TBarcodeCanvas& canvas) const {
  const std::string pattern = Pattern();
  const std::array<int, 4> widths = ElementWidths();
  std::vector<TBarElement> elements;
  double total = 0;
  for (const char c : pattern) {
    elements.push_back(ElementOf(c));
    total += widths[elements.back().WidthIndex];
  }
  const double height = FHeight;
  // Counter-clockwise on a screen, whose y axis points down.
  const auto angle = CosSin(FAngle);
  const double cosine = angle.first, sine = angle.second;
  const auto rotated = [&](double x, double y) {
    return TPointF{x * cosine + y * sine, -x * sine + y * cosine};
  };
  // The rotated symbol's corners give the shift that puts it below and right of the origin.
  double minX = 0, minY = 0;
  for (const TPointF corner : {rotated(total, 0), rotated(total, height), rotated(0, height)}) {
    minX = std::min(minX, corner.X);
    minY = std::min(minY, corner.Y);
  }
  const auto placed = [&](double x, double y) {
    const TPointF p = rotated(x, y);
    return TPointF{FLeft + p.X - minX, FTop + p.Y - minY};
  };

  canvas.Save();
  try {
    double x = 0;
    for (const TBarElement element : elements) {
      const double width = widths[element.WidthIndex];
      // Short bars stand on the baseline, as the tall ones do.
      const double top = element.Kind == TBarElement::ShortBar ? height - height * 2 / 5 : 0;
      canvas.FillPolygon(
          {placed(x, top), placed(x + width, top), placed(x + width, height), placed(x, height)},
          element.Kind == TBarElement::Space ? FColor : FColorBar);
      x += width;
    }
  } catch (...) {
    canvas.Restore();
    throw;
  }
  canvas.Restore();
}

}  // namespace kv
