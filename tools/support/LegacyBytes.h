// Builds the bytes of legacy report files in tests, value by value, in the file's little-endian
// encodings, so that readers are checked against the format rather than against our writer.
#pragma once

#include <cstdint>
#include <string>

namespace kv::test {

struct TBytes {
  std::string Data;
  TBytes& Byte(int b) {
    Data += static_cast<char>(b);
    return *this;
  }
  TBytes& Word(int w) {
    Byte(w & 0xFF);
    return Byte((w >> 8) & 0xFF);
  }
  TBytes& Int(std::int32_t v) {
    for (int i = 0; i < 4; ++i) Byte((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    return *this;
  }
  // A string of version 23 and later: word length, the bytes, one byte.
  TBytes& Str(const std::string& s) {
    Word(static_cast<int>(s.size()));
    Data += s;
    return Byte(0);
  }
  // A string or memo of versions 21 and 22: the bytes, then 0.
  TBytes& Zero(const std::string& s) {
    Data += s;
    return Byte(0);
  }
  TBytes& Raw(const std::string& s) {
    Data += s;
    return *this;
  }
};

}  // namespace kv::test
