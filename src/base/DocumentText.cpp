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

// The control bytes one escaping left out: how many, and which, each once in the order of its
// first appearance. It needs no memory of its own, so escaping that drops nothing costs nothing.
struct TDropTally {
  std::size_t Count = 0;
  std::uint32_t Seen = 0;  // bit b set: byte b is among Order
  std::size_t Distinct = 0;
  std::array<char, 32> Order{};

  void Add(char c) {
    ++Count;
    const std::uint32_t bit = std::uint32_t{1} << static_cast<unsigned char>(c);
    if (Seen & bit) return;
    Seen |= bit;
    Order[Distinct++] = c;
  }
  std::string_view Bytes() const { return {Order.data(), Distinct}; }
};

enum class TEscapeForm { Xml, Name };

// Appends text to out in the escaping form of EscapeXml or EscapeName; the control bytes left out
// go to dropped.
template <TEscapeForm Form>
void AppendEscaped(std::string& out, std::string_view text, TControlBytes controls,
                   TDropTally& dropped) {
  for (const char c : text) {
    if constexpr (Form == TEscapeForm::Xml) {
      switch (c) {
        case '\t':  // a literal tab in an attribute value reads back as a blank
        case '\n':
        case '\r':
        case '"':
        case '&':
        case '<':
        case '>':
          AppendReference(out, static_cast<unsigned char>(c));
          continue;
        default:
          break;
      }
    } else if (c == '"' || c == '&' || c == '<') {
      AppendReference(out, static_cast<unsigned char>(c));
      continue;
    }
    if (controls == TControlBytes::Drop && IsForbiddenControl(c)) {
      dropped.Add(c);
    } else {
      out += c;
    }
  }
}

// One attribute whose value is escaped text; what escaping left out is noted on a document stream.
template <TEscapeForm Form>
void WriteEscapedAttribute(TStream& stream, std::string_view name, std::string_view text,
                           TControlBytes controls) {
  std::string attribute;
  attribute.reserve(name.size() + text.size() + 20);
  attribute += ' ';
  attribute += name;
  attribute += "=\"";
  TDropTally dropped;
  AppendEscaped<Form>(attribute, text, controls, dropped);
  attribute += '"';
  WriteText(stream, attribute);
  // Only a value that lost bytes looks for the record; other streams (an element written on its
  // own) have none.
  if (dropped.Count != 0) {
    if (auto* document = dynamic_cast<TDocumentStream*>(&stream)) {
      document->NoteDropped(name, dropped.Count, dropped.Bytes());
    }
  }
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
  TDropTally dropped;
  AppendEscaped<TEscapeForm::Xml>(out, text, controls, dropped);
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
  TDropTally dropped;
  AppendEscaped<TEscapeForm::Name>(out, text, TControlBytes::Drop, dropped);
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

void WriteTextAttribute(TStream& stream, std::string_view name, std::string_view text,
                        TControlBytes controls) {
  WriteEscapedAttribute<TEscapeForm::Xml>(stream, name, text, controls);
}

void WriteNameAttribute(TStream& stream, std::string_view name, std::string_view text) {
  WriteEscapedAttribute<TEscapeForm::Name>(stream, name, text, TControlBytes::Drop);
}

void TDocumentStream::NoteDropped(std::string_view attribute, std::size_t count,
                                  std::string_view bytes) {
  for (TDroppedControls& entry : Record) {
    if (entry.Page == Page && entry.Object == Object && entry.Attribute == attribute) {
      entry.Count += count;
      for (const char c : bytes) {
        if (entry.Bytes.find(c) == std::string::npos) entry.Bytes += c;
      }
      return;
    }
  }
  Record.push_back({.Page = Page,
                    .Object = std::string(Object),
                    .Attribute = std::string(attribute),
                    .Count = count,
                    .Bytes = std::string(bytes)});
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
