// Document text: conversion to UTF-8 on the way into the document, escaping of attribute values,
// hexadecimal blocks and the document's decimal separator.
#include "base/DocumentText.h"

#include <array>
#include <atomic>
#include <clocale>
#include <map>
#include <memory>
#include <mutex>

#include "base/CodePage.h"
#include "base/Hex.h"

namespace kv {

namespace {

// The UTF-8 form of every byte of one single-byte code page.
struct TUtf8Table {
  std::array<std::string, 256> Bytes;
  // True when the bytes 0 to 127 stay as they are, so that ASCII runs are copied unchanged.
  bool AsciiUnchanged = true;
};

// Code pages whose conversion is not byte by byte: the double-byte ones, UTF-8, and those whose
// converter combines a letter with the accent that follows it into one character.
bool NeedsWholeTextConversion(int codePage) {
  return IsDoubleByteCodePage(codePage) || codePage == Utf8CodePage || codePage == 1255 ||
         codePage == 1258;
}

std::unique_ptr<TUtf8Table> BuildTable() {
  auto table = std::make_unique<TUtf8Table>();
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    table->Bytes[static_cast<std::size_t>(b)] = CodePageToUtf8(std::string_view(&byte, 1));
    if (b < 128 && table->Bytes[static_cast<std::size_t>(b)] != std::string_view(&byte, 1)) {
      table->AsciiUnchanged = false;
    }
  }
  return table;
}

// The table of a code page, built on first use and kept for the life of the process. Each thread
// remembers the last table it used, so the lock is taken only when the code page changes.
const TUtf8Table* TableFor(int codePage) {
  if (NeedsWholeTextConversion(codePage)) return nullptr;
  thread_local int cachedCodePage = 0;
  thread_local const TUtf8Table* cachedTable = nullptr;
  if (cachedCodePage == codePage && cachedTable) return cachedTable;
  static std::mutex lock;
  static std::map<int, std::unique_ptr<TUtf8Table>> tables;
  std::lock_guard guard(lock);
  auto& slot = tables[codePage];
  if (!slot) {
    // CodePageToUtf8 converts from the code page in force: a table built while it changed is
    // not kept, and this text is converted whole.
    auto table = BuildTable();
    if (SystemCodePage() != codePage) return nullptr;
    slot = std::move(table);
  }
  cachedCodePage = codePage;
  cachedTable = slot.get();
  return cachedTable;
}

std::atomic<char> DecimalSeparator{'.'};

// Appends "&#", the decimal code of c and ";".
void AppendReference(std::string& out, unsigned char c) {
  out += "&#";
  out += std::to_string(c);
  out += ';';
}

// Control bytes other than tab, LF and CR cannot appear in an XML 1.0 document, not even as
// character references; escaping drops them so that every document stays well-formed.
bool IsForbiddenControl(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 0x20 && b != '\t' && b != '\n' && b != '\r';
}

}  // namespace

void WriteText(TStream& stream, std::string_view text) {
  if (text.empty()) return;
  const TUtf8Table* table = TableFor(SystemCodePage());
  if (!table) {
    const std::string converted = CodePageToUtf8(text);
    stream.Write(converted.data(), converted.size());
    return;
  }
  std::size_t plain = 0;
  if (table->AsciiUnchanged) {
    while (plain < text.size() && static_cast<unsigned char>(text[plain]) < 0x80) ++plain;
    if (plain == text.size()) {
      stream.Write(text.data(), text.size());
      return;
    }
  }
  std::string converted;
  converted.reserve(text.size() + text.size() / 4 + 8);
  converted.append(text.data(), plain);
  for (std::size_t i = plain; i < text.size(); ++i) {
    converted += table->Bytes[static_cast<unsigned char>(text[i])];
  }
  stream.Write(converted.data(), converted.size());
}

void WriteLine(TStream& stream, std::string_view text) {
  WriteText(stream, text);
  stream.Write("\r\n", 2);
}

std::string EscapeXml(std::string_view text, TControlBytes controls) {
  std::string out;
  out.reserve(text.size() + 16);
  for (const char c : text) {
    switch (c) {
      case '\t':  // a literal tab in an attribute value reads back as a blank
      case '\n':
      case '\r':
      case '"':
      case '&':
      case '<':
      case '>':
        AppendReference(out, static_cast<unsigned char>(c));
        break;
      default:
        if (controls == TControlBytes::Keep || !IsForbiddenControl(c)) out += c;
    }
  }
  return out;
}

bool HoldsForbiddenControl(std::string_view text) {
  for (const char c : text) {
    if (IsForbiddenControl(c)) return true;
  }
  return false;
}

std::string EscapeName(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '"' || c == '&' || c == '<') {
      AppendReference(out, static_cast<unsigned char>(c));
    } else if (!IsForbiddenControl(c)) {
      out += c;
    }
  }
  return out;
}

std::string StreamToHex(const TMemoryStream& stream) {
  return HexEncode(stream.Bytes());
}

void WriteAttribute(TStream& stream, std::string_view name, std::string_view value) {
  std::string text;
  text.reserve(name.size() + value.size() + 4);
  text += ' ';
  text += name;
  text += "=\"";
  text += value;
  text += '"';
  WriteText(stream, text);
}

void WriteAttribute(TStream& stream, std::string_view name, std::int64_t value) {
  WriteAttribute(stream, name, std::to_string(value));
}

void SetDocumentDecimalSeparator(char separator) {
  DecimalSeparator = separator;
}

char DocumentDecimalSeparator() {
  return DecimalSeparator;
}

char LocaleDecimalSeparator() {
  const char* point = std::localeconv()->decimal_point;
  return point && point[0] && !point[1] ? point[0] : '.';
}

}  // namespace kv
