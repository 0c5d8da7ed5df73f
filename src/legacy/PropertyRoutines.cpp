// Shared named-property routines: font sub-properties, line-list script methods and the argument
// evaluator.
#include "legacy/PropertyRoutines.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string_view>

namespace kv {

namespace {

std::string Upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// The line index an argument names, or -1 when it names none: an empty value, a text that is not
// a whole number, or an index outside the list.
std::ptrdiff_t LineIndex(const std::vector<std::string>& list, const TVariant& argument) {
  if (VarIsEmpty(argument)) return -1;
  std::int64_t index = 0;
  if (const auto* text = std::get_if<std::string>(&argument)) {
    const std::string_view digits = Trimmed(*text);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return -1;
  } else {
    index = VarToInt(argument);
  }
  return index >= 0 && static_cast<std::uint64_t>(index) < list.size()
             ? static_cast<std::ptrdiff_t>(index)
             : -1;
}

// The contents of a text that is one quoted literal from end to end, a doubled quote standing for
// one; false when text is anything else.
bool UnquoteLiteral(std::string_view text, std::string& contents) {
  if (text.size() < 2) return false;
  const char quote = text.front();
  if ((quote != '\'' && quote != '"') || text.back() != quote) return false;
  contents.clear();
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == quote) {
      // Inside the literal a quote must be doubled; a single one ends it before the last byte.
      if (i + 2 >= text.size() || text[i + 1] != quote) return false;
      ++i;
    }
    contents.push_back(text[i]);
  }
  return true;
}

// A decimal number: an optional sign, digits, an optional point with digits, an optional
// exponent. Names such as "inf" or "nan" and hexadecimal forms are not numbers here.
bool ParseNumber(std::string_view text, TVariant& value) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  bool integral = true;
  const auto isDigit = [&](std::size_t k) {
    return k < text.size() && text[k] >= '0' && text[k] <= '9';
  };
  for (; isDigit(i); ++i) ++digits;
  if (i < text.size() && text[i] == '.') {
    integral = false;
    ++i;
    for (; isDigit(i); ++i) ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    integral = false;
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (!isDigit(i)) return false;
    while (isDigit(i)) ++i;
  }
  if (i != text.size()) return false;

  // from_chars takes no leading "+".
  const std::string_view body = text.front() == '+' ? text.substr(1) : text;
  if (integral) {
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), number);
    if (error == std::errc() && end == body.data() + body.size()) {
      value = number;
      return true;
    }
    // Too large for an integer: taken as a double below.
  }
  double number = 0;
  const auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), number);
  if (error != std::errc() || end != body.data() + body.size()) return false;
  value = number;
  return true;
}

}  // namespace

bool SetFontProperty(TkvFont& font, const std::string& upperName, const TVariant& value) {
  if (upperName == "FONT.NAME") {
    font.Name = VarToStr(value);
  } else if (upperName == "FONT.SIZE") {
    font.Size = static_cast<std::int32_t>(VarToInt(value));
  } else if (upperName == "FONT.STYLE") {
    font.Style = StyleFromStored(static_cast<std::uint16_t>(VarToInt(value) & 0xFFFF));
  } else if (upperName == "FONT.COLOR") {
    // Colour values are 32-bit: 0xFF00000F given as a positive 64-bit number keeps its bits.
    font.Color = static_cast<TColor>(VarToInt(value));
  } else {
    return false;
  }
  return true;
}

TVariant GetFontProperty(const TkvFont& font, const std::string& upperName) {
  if (upperName == "FONT.NAME") return font.Name;
  if (upperName == "FONT.SIZE") return std::int64_t{font.Size};
  if (upperName == "FONT.STYLE") return std::int64_t{StyleToStored(font.Style)};
  if (upperName == "FONT.COLOR") return std::int64_t{font.Color};
  return {};
}

TVariant RunListMethod(std::vector<std::string>& list, const std::string& method,
                       const TVariant& argument1, const TVariant& argument2,
                       const TVariant& argument3, const std::string& property) {
  const std::string name = Upper(method);
  const std::string prop = Upper(property);

  if (name == "SETINDEXPROPERTY" || name == "GETINDEXPROPERTY") {
    if (Upper(VarToStr(argument1)) != prop) return {};
    const std::ptrdiff_t index = LineIndex(list, argument2);
    if (index < 0) return {};
    if (name == "GETINDEXPROPERTY") return list[static_cast<std::size_t>(index)];
    list[static_cast<std::size_t>(index)] = VarToStr(argument3);
    return {};
  }

  if (name.size() <= prop.size() || name.compare(0, prop.size(), prop) != 0) return {};
  const std::string_view suffix = std::string_view(name).substr(prop.size());
  if (suffix == ".CLEAR") {
    list.clear();
  } else if (suffix == ".ADD") {
    list.push_back(VarToStr(EvaluateExpression(VarToStr(argument1))));
  } else if (suffix == ".DELETE") {
    const std::ptrdiff_t index = LineIndex(list, EvaluateExpression(VarToStr(argument1)));
    if (index >= 0) list.erase(list.begin() + index);
  } else if (suffix == ".INDEXOF") {
    const std::string line = VarToStr(EvaluateExpression(VarToStr(argument1)));
    const auto it = std::find(list.begin(), list.end(), line);
    return std::int64_t{it != list.end() ? it - list.begin() : -1};
  }
  return {};
}

TVariant EvaluateExpression(const std::string& text) {
  const std::string_view expression = Trimmed(text);
  std::string contents;
  if (UnquoteLiteral(expression, contents)) return contents;
  TVariant number;
  if (ParseNumber(expression, number)) return number;
  return text;
}

std::string LinesToText(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

}  // namespace kv
