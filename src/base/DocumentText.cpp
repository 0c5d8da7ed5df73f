// Document text: conversion to UTF-8 on the way into the document, escaping of attribute values,
// hexadecimal blocks and the document's decimal separator.
#include "base/DocumentText.h"

#include <array>
#include <charconv>
#include <clocale>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>

#include "base/CodePage.h"
#include "base/Hex.h"

namespace kv {

// The UTF-8 form of every byte of one single-byte code page.
struct TUtf8Table {
  std::array<std::string, 256> Bytes;
  // True when the bytes 0 to 127 stay as they are, so that ASCII runs are copied unchanged.
  bool AsciiUnchanged = true;
};

namespace {

// Code pages whose conversion is not byte by byte: the double-byte ones, UTF-8, and those whose
// converter combines a letter with the accent that follows it into one character.
bool NeedsWholeTextConversion(int codePage) {
  return IsDoubleByteCodePage(codePage) || codePage == Utf8CodePage || codePage == 1255 ||
         codePage == 1258;
}

std::unique_ptr<TUtf8Table> BuildTable(int codePage) {
  auto table = std::make_unique<TUtf8Table>();
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    table->Bytes[static_cast<std::size_t>(b)] =
        CodePageToUtf8(std::string_view(&byte, 1), codePage);
    if (b < 128 && table->Bytes[static_cast<std::size_t>(b)] != std::string_view(&byte, 1)) {
      table->AsciiUnchanged = false;
    }
  }
  return table;
}

// The table of a code page, built on first use and kept, unchanged, for the life of the process:
// a cache, which gives every thread the same table.
const TUtf8Table* TableFor(int codePage) {
  if (NeedsWholeTextConversion(codePage)) return nullptr;
  static std::mutex lock;
  static std::map<int, std::unique_ptr<TUtf8Table>> tables;
  std::lock_guard guard(lock);
  auto& slot = tables[codePage];
  if (!slot) slot = BuildTable(codePage);
  return slot.get();
}

// Appends "&#", the decimal code of c and ";".
void AppendReference(std::string& out, unsigned char c) {
  char digits[4];
  const auto [end, error] = std::to_chars(std::begin(digits), std::end(digits), c);
  out += "&#";
  out.append(digits, end);
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

}  // namespace

struct TDocumentStream::TAccess {
  // Appends text converted to UTF-8. Through a byte table the text goes in pieces (runs of ASCII
  // as they are, other bytes as their table entry), so nothing is copied on the way.
  static void Text(TDocumentStream& stream, std::string_view text) {
    if (text.empty()) return;
    const TUtf8Table* table = stream.Table;
    if (!table) {
      const std::string converted = CodePageToUtf8(text, stream.CodePage);
      stream.Put(converted.data(), converted.size());
      return;
    }
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
      if (table->AsciiUnchanged) {
        const char* run = p;
        while (p < end && static_cast<unsigned char>(*p) < 0x80) ++p;
        if (p != run) stream.Put(run, static_cast<std::size_t>(p - run));
        if (p == end) break;
      }
      const std::string& bytes = table->Bytes[static_cast<unsigned char>(*p++)];
      stream.Put(bytes.data(), bytes.size());
    }
  }

  // One attribute: blank, name, '=' and the value in quotes, the value as given.
  static void Attribute(TDocumentStream& stream, std::string_view name, std::string_view value) {
    if (!stream.Table) {
      // Converted whole, as one text, for code pages whose characters span bytes.
      std::string& text = stream.Scratch;
      text.clear();
      text += ' ';
      text += name;
      text += "=\"";
      text += value;
      text += '"';
      Text(stream, text);
      return;
    }
    stream.Put(" ", 1);
    Text(stream, name);
    stream.Put("=\"", 2);
    Text(stream, value);
    stream.Put("\"", 1);
  }

  // One attribute whose value is escaped text; what escaping left out is noted on the stream.
  template <TEscapeForm Form>
  static void Escaped(TDocumentStream& stream, std::string_view name, std::string_view text,
                      TControlBytes controls) {
    std::string& out = stream.Scratch;
    out.clear();
    TDropTally dropped;
    if (stream.Table) {
      AppendEscaped<Form>(out, text, controls, dropped);
      stream.Put(" ", 1);
      Text(stream, name);
      stream.Put("=\"", 2);
      Text(stream, out);
      stream.Put("\"", 1);
    } else {
      out += ' ';
      out += name;
      out += "=\"";
      AppendEscaped<Form>(out, text, controls, dropped);
      out += '"';
      Text(stream, out);
    }
    if (dropped.Count != 0) stream.NoteDropped(name, dropped.Count, dropped.Bytes());
  }
};

TDocumentStream::TDocumentStream(TStream& target, int codePage, char decimalSeparator)
    : CodePage(codePage),
      DecimalSeparator(decimalSeparator),
      Target(target),
      Memory(dynamic_cast<TMemoryStream*>(&target)),
      Table(TableFor(codePage)) {}

void WriteText(TDocumentStream& stream, std::string_view text) {
  TDocumentStream::TAccess::Text(stream, text);
}

void WriteLine(TDocumentStream& stream, std::string_view text) {
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

void WriteAttribute(TDocumentStream& stream, std::string_view name, std::string_view value) {
  TDocumentStream::TAccess::Attribute(stream, name, value);
}

void WriteAttribute(TDocumentStream& stream, std::string_view name, std::int64_t value) {
  char digits[24];
  const auto [end, error] = std::to_chars(std::begin(digits), std::end(digits), value);
  TDocumentStream::TAccess::Attribute(
      stream, name, std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void WriteTextAttribute(TDocumentStream& stream, std::string_view name, std::string_view text,
                        TControlBytes controls) {
  TDocumentStream::TAccess::Escaped<TEscapeForm::Xml>(stream, name, text, controls);
}

void WriteNameAttribute(TDocumentStream& stream, std::string_view name, std::string_view text) {
  TDocumentStream::TAccess::Escaped<TEscapeForm::Name>(stream, name, text, TControlBytes::Drop);
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

char LocaleDecimalSeparator() {
  const char* point = std::localeconv()->decimal_point;
  return point && point[0] && !point[1] ? point[0] : '.';
}

}  // namespace kv
