// The text helpers of the new XML report document: the one place where text reaches a document
// (converted from the system code page to UTF-8, so that every document is valid UTF-8), the two
// escaping forms of attribute values with the record of the control bytes they leave out, the
// hexadecimal form of binary property blocks and the decimal separator of floating-point values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Stream.h"

namespace kv {

struct TUtf8Table;
class TDocumentStream;

// Appends text, converted from the document's code page to UTF-8. Single-byte code pages convert
// through a byte table built once per code page; the others go through CodePageToUtf8.
void WriteText(TDocumentStream& stream, std::string_view text);
// WriteText, then CR LF.
void WriteLine(TDocumentStream& stream, std::string_view text);

// What escaping does with control bytes below 32 other than tab, LF and CR: XML 1.0 allows them
// in no form, so they are dropped (and noted, when written through WriteTextAttribute or
// WriteNameAttribute); only the report's password keeps them, because its
// reader undoes the shift that produced them.
enum class TControlBytes { Drop, Keep };

// A copy of text in which tab, LF, CR, '"', '&', '<' and '>' become "&#9;", "&#10;", "&#13;",
// "&#34;", "&#38;", "&#60;" and "&#62;". Other control bytes below 32 are dropped or kept as
// they are. The apostrophe and every other byte, from 128 up too, stay.
std::string EscapeXml(std::string_view text, TControlBytes controls = TControlBytes::Drop);
// True when text holds a control byte that EscapeXml drops (below 32, other than tab, LF, CR).
bool HoldsForbiddenControl(std::string_view text);

// The form of values that are written without escaping (names): only '"', '&' and '<', which
// would break the document, become "&#34;", "&#38;" and "&#60;"; control bytes are dropped as in
// EscapeXml; every other byte stays.
std::string EscapeName(std::string_view text);

// Every byte of the stream, from its start, as two upper-case hexadecimal digits.
std::string StreamToHex(const TMemoryStream& stream);

// Appends one attribute: a blank, name, '=', and the value in double quotes. The value is written
// as given: the caller escapes it as the attribute requires.
void WriteAttribute(TDocumentStream& stream, std::string_view name, std::string_view value);
// The same with a signed decimal number.
void WriteAttribute(TDocumentStream& stream, std::string_view name, std::int64_t value);

// Appends one attribute whose value is text escaped as EscapeXml escapes it. Control bytes dropped
// are noted in the stream under the attribute's name.
void WriteTextAttribute(TDocumentStream& stream, std::string_view name, std::string_view text,
                        TControlBytes controls = TControlBytes::Drop);
// The same for a value written in the form of names (EscapeName).
void WriteNameAttribute(TDocumentStream& stream, std::string_view name, std::string_view text);

// The control bytes that escaping left out of one attribute value of a document.
struct TDroppedControls {
  int Page = -1;          // the page's index; -1 for an attribute of the report element
  std::string Object;     // the object's name; empty for an attribute of a page or the report
  std::string Attribute;  // the attribute's name
  std::size_t Count = 0;  // how many bytes were left out
  std::string Bytes;      // which: each byte once, in the order of its first appearance

  bool operator==(const TDroppedControls&) const = default;
};

// The stream a document is written through: it passes every byte on to the target stream, knows
// the code page of the texts written into it and the decimal separator of its floating-point
// values (those of the conversion), and keeps, for the length of one document, the record of the
// control bytes that WriteTextAttribute and WriteNameAttribute left out, under the part of the
// document being written (which the writer names before each part). Nothing is recorded while no
// byte is dropped.
class TDocumentStream : public TStream {
 public:
  TDocumentStream(TStream& target, int codePage, char decimalSeparator);

  const int CodePage;
  const char DecimalSeparator;

  std::size_t Read(void* buffer, std::size_t count) override { return Target.Read(buffer, count); }
  void Write(const void* buffer, std::size_t count) override {
    Put(static_cast<const char*>(buffer), count);
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    return Target.Seek(offset, origin);
  }
  std::int64_t Size() override { return Target.Size(); }

  // The attributes that follow belong to the report element (page -1), to the page of index
  // page (object empty) or to the object of that name on it. The name must outlive the part.
  void SetPart(int page, std::string_view object = {}) {
    Page = page;
    Object = object;
  }
  // Notes count bytes left out of attribute in the current part; bytes are the distinct ones in
  // order of first appearance. A second note on the same attribute of the same part adds to it.
  void NoteDropped(std::string_view attribute, std::size_t count, std::string_view bytes);
  const std::vector<TDroppedControls>& Dropped() const { return Record; }
  std::vector<TDroppedControls> TakeDropped() { return std::move(Record); }

  // The writing functions' way to the private members; defined in DocumentText.cpp only.
  struct TAccess;

 private:
  // A document is written in many short pieces; into a memory stream (the usual target) they go
  // straight, without a virtual call each.
  void Put(const char* bytes, std::size_t count) {
    if (Memory) {
      Memory->Append(bytes, count);
    } else {
      Target.Write(bytes, count);
    }
  }

  TStream& Target;
  TMemoryStream* Memory;    // the target, when it is a memory stream
  std::string Scratch;      // reused for the attribute being escaped, to spare an allocation each
  const TUtf8Table* Table;  // the code page's bytes in UTF-8; none: texts are converted whole
  int Page = -1;
  std::string_view Object;
  std::vector<TDroppedControls> Record;
};

// The decimal separator of the C locale in force (after setlocale(LC_ALL, "") the user's); "."
// when the locale's separator is not a single byte.
char LocaleDecimalSeparator();

}  // namespace kv
