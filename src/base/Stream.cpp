// Seekable, bounds-checked byte streams.
#include "base/Stream.h"

#include <algorithm>
#include <cstring>

#include "base/Errors.h"
#include "base/Files.h"

namespace kv {

namespace {

// Resolves a seek request against a stream of the given size and current position.
std::size_t ResolveSeek(std::int64_t offset, TSeekOrigin origin, std::size_t pos,
                        std::size_t size) {
  std::int64_t base = 0;
  switch (origin) {
    case TSeekOrigin::soBeginning:
      base = 0;
      break;
    case TSeekOrigin::soCurrent:
      base = static_cast<std::int64_t>(pos);
      break;
    case TSeekOrigin::soEnd:
      base = static_cast<std::int64_t>(size);
      break;
  }
  std::int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) {
    throw EStreamError("Stream seek error");
  }
  return static_cast<std::size_t>(target);
}

template <typename T>
T LoadLittleEndian(const unsigned char* bytes) {
  T value = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    value |= static_cast<T>(static_cast<T>(bytes[i]) << (8 * i));
  }
  return value;
}

template <typename T>
void StoreLittleEndian(unsigned char* bytes, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i)
    bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

std::int64_t TStream::Remaining() {
  const std::int64_t rest = Size() - Position();
  return rest > 0 ? rest : 0;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  if (count == 0) return;
  if (Read(buffer, count) != count) throw EReadError();
}

std::string TStream::ReadBytes(std::size_t count) {
  if (static_cast<std::uint64_t>(count) > static_cast<std::uint64_t>(Remaining())) {
    throw EReadError();
  }
  std::string bytes(count, '\0');
  ReadBuffer(bytes.data(), count);
  return bytes;
}

std::uint8_t TStream::ReadU8() {
  unsigned char byte = 0;
  ReadBuffer(&byte, 1);
  return byte;
}

std::uint16_t TStream::ReadU16() {
  unsigned char bytes[2];
  ReadBuffer(bytes, sizeof bytes);
  return LoadLittleEndian<std::uint16_t>(bytes);
}

std::uint32_t TStream::ReadU32() {
  unsigned char bytes[4];
  ReadBuffer(bytes, sizeof bytes);
  return LoadLittleEndian<std::uint32_t>(bytes);
}

std::uint64_t TStream::ReadU64() {
  unsigned char bytes[8];
  ReadBuffer(bytes, sizeof bytes);
  return LoadLittleEndian<std::uint64_t>(bytes);
}

float TStream::ReadF32() {
  const std::uint32_t bits = ReadU32();
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double TStream::ReadF64() {
  const std::uint64_t bits = ReadU64();
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

long double TStream::ReadF80() {
  static_assert(sizeof(long double) >= 10, "long double must hold an 80-bit extended value");
  unsigned char bytes[10];
  ReadBuffer(bytes, sizeof bytes);
  long double value = 0;
  std::memcpy(&value, bytes, sizeof bytes);  // x86-64: the first ten bytes are the value
  return value;
}

void TStream::WriteU16(std::uint16_t value) {
  unsigned char bytes[2];
  StoreLittleEndian(bytes, value);
  Write(bytes, sizeof bytes);
}

void TStream::WriteU32(std::uint32_t value) {
  unsigned char bytes[4];
  StoreLittleEndian(bytes, value);
  Write(bytes, sizeof bytes);
}

void TStream::WriteU64(std::uint64_t value) {
  unsigned char bytes[8];
  StoreLittleEndian(bytes, value);
  Write(bytes, sizeof bytes);
}

void TStream::WriteF32(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  WriteU32(bits);
}

void TStream::WriteF64(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  WriteU64(bits);
}

void TStream::WriteF80(long double value) {
  unsigned char bytes[sizeof(long double)] = {};
  std::memcpy(bytes, &value, sizeof value);
  Write(bytes, 10);
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (Pos >= Data.size()) return 0;
  const std::size_t n = std::min(count, Data.size() - Pos);
  std::memcpy(buffer, Data.data() + Pos, n);
  Pos += n;
  return n;
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return;
  if (Pos > Data.size()) Data.resize(Pos, '\0');
  const std::size_t overlap = std::min(count, Data.size() - Pos);
  std::memcpy(Data.data() + Pos, buffer, overlap);
  Data.append(static_cast<const char*>(buffer) + overlap, count - overlap);
  Pos += count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  Pos = ResolveSeek(offset, origin, Pos, Data.size());
  return static_cast<std::int64_t>(Pos);
}

std::string TMemoryStream::TakeBytes() {
  std::string bytes = std::move(Data);
  Clear();
  return bytes;
}

void TMemoryStream::Clear() {
  Data.clear();
  Pos = 0;
}

TFileStream::TFileStream(const std::string& path) : TMemoryStream(ReadFileBytes(path)) {}

namespace {

std::string ReadFileReusing(const std::string& path, std::string buffer) {
  ReadFileInto(path, buffer);
  return buffer;
}

}  // namespace

TFileStream::TFileStream(const std::string& path, std::string buffer)
    : TMemoryStream(ReadFileReusing(path, std::move(buffer))) {}

std::size_t TByteView::Read(void* buffer, std::size_t count) {
  if (Pos >= Data.size()) return 0;
  const std::size_t n = std::min(count, Data.size() - Pos);
  std::memcpy(buffer, Data.data() + Pos, n);
  Pos += n;
  return n;
}

void TByteView::Write(const void*, std::size_t) {
  throw EStreamError("Stream write error");
}

std::int64_t TByteView::Seek(std::int64_t offset, TSeekOrigin origin) {
  Pos = ResolveSeek(offset, origin, Pos, Data.size());
  return static_cast<std::int64_t>(Pos);
}

}  // namespace kv
