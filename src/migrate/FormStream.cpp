// Conversion of binary form streams to their text form. One pass over the input through a
// 4096-byte read buffer, output collected in a 4096-byte buffer; the recursion follows the
// nesting of components, lists and collections and is bounded by MaxFormNesting.
#include "migrate/FormStream.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/CodePage.h"
#include "base/Errors.h"
#include "base/FloatText.h"

namespace kv {

namespace {

constexpr std::size_t BufferSize = 4096;
// A text line of the output holds at most this many bytes (or 16-bit units) of a text value.
constexpr std::size_t TextLineLength = 64;
// Binary data is written in lines of this many bytes.
constexpr std::size_t BinaryLineLength = 32;

[[noreturn]] void InvalidStreamFormat() {
  throw EStreamError("Invalid stream format");
}
[[noreturn]] void InvalidPropertyValue() {
  throw EReadError("Invalid property value");
}

bool IsIntegerCode(std::uint8_t code) {
  return code == static_cast<std::uint8_t>(TValueCode::Int8) ||
         code == static_cast<std::uint8_t>(TValueCode::Int16) ||
         code == static_cast<std::uint8_t>(TValueCode::Int32);
}

// Reads the input through a buffer. Every read checks what is left, so a truncated or lying
// stream ends in "Stream read error".
class TInputBuffer {
 public:
  explicit TInputBuffer(TStream& input) : Input(input) {}

  std::uint8_t ReadU8() {
    if (Pos == End && !Fill()) throw EReadError();
    return Buffer[Pos++];
  }

  void Read(void* destination, std::size_t count) {
    auto* out = static_cast<unsigned char*>(destination);
    while (count > 0) {
      if (Pos == End && !Fill()) throw EReadError();
      const std::size_t n = std::min(count, End - Pos);
      std::memcpy(out, Buffer + Pos, n);
      Pos += n;
      out += n;
      count -= n;
    }
  }

  // Reads count bytes; the count is checked against what is left before memory is reserved.
  std::string ReadBytes(std::uint64_t count) {
    if (count > Available()) throw EReadError();
    std::string bytes(static_cast<std::size_t>(count), '\0');
    Read(bytes.data(), bytes.size());
    return bytes;
  }

  template <typename T>
  T ReadLittleEndian() {
    unsigned char bytes[sizeof(T)];
    Read(bytes, sizeof bytes);
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) bits |= std::uint64_t{bytes[i]} << (8 * i);
    return static_cast<T>(bits);
  }

  float ReadF32() {
    const auto bits = ReadLittleEndian<std::uint32_t>();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  double ReadF64() {
    const auto bits = ReadLittleEndian<std::uint64_t>();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  long double ReadF80() {
    static_assert(sizeof(long double) >= 10, "long double must hold an 80-bit extended value");
    unsigned char bytes[sizeof(long double)] = {};
    Read(bytes, 10);
    long double value;
    std::memcpy(&value, bytes, sizeof value);  // x86-64: the first ten bytes are the value
    return value;
  }

  // Bytes that can still be read: those in the buffer and those left in the stream.
  std::uint64_t Available() { return (End - Pos) + static_cast<std::uint64_t>(Input.Remaining()); }

  // Moves the stream back to the first byte not taken from the buffer.
  void GiveBackUnread() {
    if (End > Pos) Input.Seek(-static_cast<std::int64_t>(End - Pos), TSeekOrigin::soCurrent);
    Pos = End = 0;
  }

 private:
  bool Fill() {
    Pos = 0;
    End = Input.Read(Buffer, sizeof Buffer);
    return End > 0;
  }

  TStream& Input;
  unsigned char Buffer[BufferSize];
  std::size_t Pos = 0;
  std::size_t End = 0;
};

// Collects output text and writes it to the stream in blocks.
class TOutputBuffer {
 public:
  explicit TOutputBuffer(TStream& output) : Output(output) { Buffer.reserve(BufferSize); }

  TOutputBuffer& operator<<(std::string_view text) {
    if (Buffer.size() + text.size() > BufferSize) {
      Flush();
      if (text.size() >= BufferSize) {
        Output.WriteText(text);
        return *this;
      }
    }
    Buffer.append(text);
    return *this;
  }

  TOutputBuffer& operator<<(char c) {
    if (Buffer.size() == BufferSize) Flush();
    Buffer += c;
    return *this;
  }

  TOutputBuffer& operator<<(std::int64_t value) {
    return *this << std::string_view(std::to_string(value));
  }

  void Flush() {
    if (Buffer.empty()) return;
    // Taken out first, so that a failing write is never repeated by a later flush.
    std::string pending;
    pending.swap(Buffer);
    Buffer.reserve(BufferSize);
    Output.WriteText(pending);
  }

 private:
  TStream& Output;
  std::string Buffer;
};

class TFormTextConverter {
 public:
  TFormTextConverter(TStream& input, TStream& output, int codePage)
      : In(input), Out(output), CodePage(codePage) {}

  void Run() {
    char signature[4];
    In.Read(signature, sizeof signature);
    if (std::memcmp(signature, "TPF0", sizeof signature) != 0) InvalidStreamFormat();
    ConvertComponent(In.ReadU8());
  }

  // Writes the buffered text and returns the unread input; used on success and after an error.
  void Finish() {
    Out.Flush();
    In.GiveBackUnread();
  }

 private:
  // --- Output helpers ---

  void WriteIndent() {
    for (int i = 0; i < Level; ++i) Out << "  ";
  }

  void NewLine() {
    Out << "\r\n";
    WriteIndent();
  }

  void EnterNesting() {
    if (++Depth > MaxFormNesting) InvalidStreamFormat();
  }
  void LeaveNesting() { --Depth; }

  // --- Reading ---

  std::string ReadShortName(std::uint8_t length) { return In.ReadBytes(length); }
  std::string ReadShortName() { return ReadShortName(In.ReadU8()); }

  std::int32_t ReadIntegerOfCode(std::uint8_t code) {
    switch (static_cast<TValueCode>(code)) {
      case TValueCode::Int8:
        return static_cast<std::int8_t>(In.ReadU8());
      case TValueCode::Int16:
        return In.ReadLittleEndian<std::int16_t>();
      case TValueCode::Int32:
        return In.ReadLittleEndian<std::int32_t>();
      default:
        InvalidPropertyValue();
    }
  }

  // An integer value where nothing else is allowed.
  std::int32_t ReadIntegerValue() {
    const std::uint8_t code = In.ReadU8();
    if (!IsIntegerCode(code)) InvalidPropertyValue();
    return ReadIntegerOfCode(code);
  }

  // --- Structure ---

  // A component whose first byte (a prefix byte or the length of the class name) is read.
  void ConvertComponent(std::uint8_t firstByte) {
    EnterNesting();
    std::uint8_t flags = 0;
    std::int32_t position = 0;
    std::uint8_t classNameLength = firstByte;
    if (firstByte >= 0xF0) {
      flags = firstByte & 0x0F;
      if (flags & 2) position = ReadIntegerValue();
      classNameLength = In.ReadU8();
    }
    const std::string className = ReadShortName(classNameLength);
    const std::string name = ReadShortName();

    WriteIndent();
    if (flags & 1) {
      Out << "inherited ";
    } else if (flags & 4) {
      Out << "inline ";
    } else {
      Out << "object ";
    }
    if (!name.empty()) Out << std::string_view(name) << ": ";
    Out << std::string_view(className);
    if (flags & 2) Out << " [" << std::int64_t{position} << ']';
    Out << "\r\n";

    // Error texts name this component from here on; the parent's name returns after it.
    std::string parentName = std::move(ComponentName);
    ComponentName = name.empty() ? className : name;
    ++Level;
    for (std::uint8_t length = In.ReadU8(); length != 0; length = In.ReadU8()) {
      ConvertProperty(length);
    }
    for (std::uint8_t first = In.ReadU8(); first != 0; first = In.ReadU8()) {
      ConvertComponent(first);
    }
    --Level;
    WriteIndent();
    Out << "end\r\n";
    ComponentName = std::move(parentName);
    LeaveNesting();
  }

  // One property line; the length byte of its name is read.
  void ConvertProperty(std::uint8_t nameLength) {
    PropertyName = ReadShortName(nameLength);
    WriteIndent();
    Out << std::string_view(PropertyName) << " = ";
    ConvertValue(In.ReadU8());
    Out << "\r\n";
  }

  // One value whose code is read.
  void ConvertValue(std::uint8_t code) {
    const std::uint8_t row = code & 0x7F;
    if (row > static_cast<std::uint8_t>(TValueCode::Utf8Text)) {
      throw EReadError("Error reading " + ComponentName + "." + PropertyName + ": " +
                       std::to_string(row));
    }
    // Codes with the top bit set would repeat the row 128 lower; they are refused.
    if (code != row) InvalidPropertyValue();

    switch (static_cast<TValueCode>(code)) {
      case TValueCode::Null:
        Out << "Null";
        break;
      case TValueCode::List:
        ConvertList();
        break;
      case TValueCode::Int8:
      case TValueCode::Int16:
      case TValueCode::Int32:
        Out << std::int64_t{ReadIntegerOfCode(code)};
        break;
      case TValueCode::Extended:
        Out << std::string_view(FormatFloatFixed80(In.ReadF80()));
        break;
      case TValueCode::Text:
        WriteTextValue(In.ReadBytes(In.ReadU8()));
        break;
      case TValueCode::Ident:
        Out << std::string_view(ReadShortName());
        break;
      case TValueCode::False:
        Out << "False";
        break;
      case TValueCode::True:
        Out << "True";
        break;
      case TValueCode::Binary:
        ConvertBinary();
        break;
      case TValueCode::Set:
        ConvertSet();
        break;
      case TValueCode::LongText:
        WriteTextValue(In.ReadBytes(In.ReadLittleEndian<std::uint32_t>()));
        break;
      case TValueCode::Nil:
        Out << "nil";
        break;
      case TValueCode::Collection:
        ConvertCollection();
        break;
      case TValueCode::Single:
        WriteGeneralFloat(In.ReadF32(), 's');
        break;
      case TValueCode::Currency:
        WriteGeneralFloat(static_cast<long double>(In.ReadLittleEndian<std::int64_t>()), 'c');
        break;
      case TValueCode::Date:
        WriteGeneralFloat(In.ReadF64(), 'd');
        break;
      case TValueCode::WideText:
        ConvertWideText();
        break;
      case TValueCode::Int64:
        Out << In.ReadLittleEndian<std::int64_t>();
        break;
      case TValueCode::Utf8Text:
        WriteTextValue(
            std::u16string_view(Utf8ToUtf16(In.ReadBytes(In.ReadLittleEndian<std::uint32_t>()))));
        break;
    }
  }

  // "(", every value on a line of its own one level deeper, ")" right after the last value.
  void ConvertList() {
    EnterNesting();
    Out << '(';
    ++Level;
    for (std::uint8_t code = In.ReadU8(); code != 0; code = In.ReadU8()) {
      NewLine();
      ConvertValue(code);
    }
    --Level;
    Out << ')';
    LeaveNesting();
  }

  // "<", then per item: "item" with an optional " [index]", its property lines one level deeper
  // and "end"; ">" right after the last "end".
  void ConvertCollection() {
    EnterNesting();
    Out << '<';
    ++Level;
    for (std::uint8_t code = In.ReadU8(); code != 0; code = In.ReadU8()) {
      NewLine();
      Out << "item";
      if (IsIntegerCode(code)) {
        Out << " [" << std::int64_t{ReadIntegerOfCode(code)} << ']';
        code = In.ReadU8();
      }
      if (code != static_cast<std::uint8_t>(TValueCode::List)) InvalidPropertyValue();
      Out << "\r\n";
      ++Level;
      for (std::uint8_t length = In.ReadU8(); length != 0; length = In.ReadU8()) {
        ConvertProperty(length);
      }
      --Level;
      WriteIndent();
      Out << "end";
    }
    --Level;
    Out << '>';
    LeaveNesting();
  }

  // "[", the names separated by ", ", "]".
  void ConvertSet() {
    Out << '[';
    bool first = true;
    for (std::string name = ReadShortName(); !name.empty(); name = ReadShortName()) {
      if (!first) Out << ", ";
      Out << std::string_view(name);
      first = false;
    }
    Out << ']';
  }

  // "{", upper-case hexadecimal digits, "}". From 32 bytes on, every 32 bytes go on a line of
  // their own one level deeper.
  void ConvertBinary() {
    static constexpr char HexDigits[] = "0123456789ABCDEF";
    const std::uint32_t length = In.ReadLittleEndian<std::uint32_t>();
    if (length > In.Available()) throw EReadError();
    Out << '{';
    ++Level;
    unsigned char chunk[BinaryLineLength];
    char hex[2 * BinaryLineLength];
    for (std::uint32_t done = 0; done < length;) {
      const std::size_t n = std::min<std::size_t>(BinaryLineLength, length - done);
      if (length >= BinaryLineLength) NewLine();
      In.Read(chunk, n);
      for (std::size_t i = 0; i < n; ++i) {
        hex[2 * i] = HexDigits[chunk[i] >> 4];
        hex[2 * i + 1] = HexDigits[chunk[i] & 0x0F];
      }
      Out << std::string_view(hex, 2 * n);
      done += static_cast<std::uint32_t>(n);
    }
    --Level;
    Out << '}';
  }

  void ConvertWideText() {
    const std::uint64_t units = In.ReadLittleEndian<std::uint32_t>();
    const std::string bytes = In.ReadBytes(2 * units);
    std::u16string text(static_cast<std::size_t>(units), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                      static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    WriteTextValue(std::u16string_view(text));
  }

  void WriteGeneralFloat(long double value, char suffix) {
    Out << std::string_view(FormatFloatGeneral(value, '.')) << suffix;
  }

  void WriteTextValue(std::string_view text) { WriteTextRule(text); }
  void WriteTextValue(std::u16string_view text) { WriteTextRule(text); }

  // A text as quoted runs and "#" codes side by side. A text of more than 64 units starts on a
  // line of its own one level deeper and is split into lines of at most 64 units, each line but
  // the last ending with " +". Byte texts keep bytes from 128 up inside the quotes and never split
  // a character of the code page; 16-bit texts write every unit above 127 as a
  // "#" code.
  template <typename TView>
  void WriteTextRule(TView text) {
    constexpr bool Wide = std::is_same_v<TView, std::u16string_view>;
    const std::size_t length = text.size();
    if (length == 0) {
      Out << "''";
      return;
    }
    auto unitAt = [&](std::size_t i) -> std::uint32_t {
      if constexpr (Wide) {
        return text[i];
      } else {
        return static_cast<unsigned char>(text[i]);
      }
    };
    auto isCoded = [](std::uint32_t unit) {
      return unit < 32 || unit == '\'' || (Wide && unit > 127);
    };

    ++Level;
    if (length > TextLineLength) NewLine();
    std::size_t lineStart = 0;
    std::size_t i = 0;
    while (i < length) {
      std::size_t j = i + 1;
      bool breakDue;
      if (isCoded(unitAt(i))) {
        Out << '#' << std::int64_t{unitAt(i)};
        breakDue = j - lineStart >= TextLineLength;
      } else {
        while (j < length && !isCoded(unitAt(j)) && j - lineStart < TextLineLength) ++j;
        breakDue = j - lineStart >= TextLineLength;
        Out << '\'';
        if constexpr (Wide) {
          for (std::size_t k = i; k < j; ++k) Out << static_cast<char>(text[k]);
        } else {
          // Never cut inside a character of the system code page (two bytes of a double-byte
          // one, up to four of UTF-8). A line always starts on a character boundary, so the test
          // may scan from the line's start.
          while (breakDue && j > i && IsTrailByteAt(text.substr(lineStart), j - lineStart, CodePage)) --j;
          Out << text.substr(i, j - i);
        }
        Out << '\'';
      }
      if (breakDue && j < length) {
        Out << " +";
        NewLine();
        lineStart = j;
      }
      i = j;
    }
    --Level;
  }

  TInputBuffer In;
  TOutputBuffer Out;
  int Level = 0;  // indentation level of the output
  int Depth = 0;  // nesting of components, lists and collections
  // Names used in "Error reading" texts: the component whose header line is complete (its name,
  // or its class name when unnamed) and the property being read.
  std::string ComponentName;
  std::string PropertyName;
  int CodePage;
};

}  // namespace

void FormResourceToText(TStream& input, TStream& output, int codePage) {
  if (input.ReadU8() != 0xFF) InvalidStreamFormat();
  if (input.ReadU16() != 10) InvalidStreamFormat();
  while (input.ReadU8() != 0) {
    // The resource name; it is not needed for the conversion.
  }
  input.ReadU16();  // memory flags
  input.ReadU32();  // size of the form stream
  FormBinaryToText(input, output, codePage);
}

void FormBinaryToText(TStream& input, TStream& output, int codePage) {
  TFormTextConverter converter(input, output, codePage);
  try {
    converter.Run();
  } catch (...) {
    // The text produced so far still reaches the output; the first error is the one reported.
    try {
      converter.Finish();
    } catch (...) {
    }
    throw;
  }
  converter.Finish();
}

}  // namespace kv
