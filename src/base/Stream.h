// Seekable byte streams. Every reader of file data goes through TStream, whose reads check the
// remaining length before touching memory: a read past the end raises "Stream read error", so no
// reader anywhere can run past its data, whatever bytes a file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to count bytes into buffer; returns how many were read (fewer only at the end).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes count bytes; raises EStreamError when they cannot all be written.
  virtual void Write(const void* buffer, std::size_t count) = 0;
  // Moves the position and returns the new one; raises EStreamError for a negative position.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual std::int64_t Size() = 0;

  // True for a stream that holds a file's content (as opposed to data made in memory).
  virtual bool IsFileStream() const { return false; }

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  // Bytes between the position and the end (0 when the position is past the end).
  std::int64_t Remaining();

  // Reads exactly count bytes or raises EReadError; the position then is unspecified.
  void ReadBuffer(void* buffer, std::size_t count);
  void WriteBuffer(const void* buffer, std::size_t count) { Write(buffer, count); }
  void WriteText(std::string_view text) { Write(text.data(), text.size()); }

  // Reads count bytes as a text. The count is checked against the remaining length before any
  // memory is reserved, so a huge length read from a file cannot exhaust memory.
  std::string ReadBytes(std::size_t count);

  // Little-endian scalars.
  std::uint8_t ReadU8();
  std::int8_t ReadI8() { return static_cast<std::int8_t>(ReadU8()); }
  std::uint16_t ReadU16();
  std::int16_t ReadI16() { return static_cast<std::int16_t>(ReadU16()); }
  std::uint32_t ReadU32();
  std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
  std::uint64_t ReadU64();
  std::int64_t ReadI64() { return static_cast<std::int64_t>(ReadU64()); }
  float ReadF32();
  double ReadF64();
  // An 80-bit extended value (10 bytes) as the platform's long double.
  long double ReadF80();

  void WriteU8(std::uint8_t value) { Write(&value, 1); }
  void WriteU16(std::uint16_t value);
  void WriteU32(std::uint32_t value);
  void WriteU64(std::uint64_t value);
  void WriteI16(std::int16_t value) { WriteU16(static_cast<std::uint16_t>(value)); }
  void WriteI32(std::int32_t value) { WriteU32(static_cast<std::uint32_t>(value)); }
  void WriteI64(std::int64_t value) { WriteU64(static_cast<std::uint64_t>(value)); }
  void WriteF32(float value);
  void WriteF64(double value);
  void WriteF80(long double value);
};

// A stream over bytes held in memory; it owns them and grows on writes.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : Data(std::move(bytes)) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(Data.size()); }

  // Write without the virtual call, for writers that append many short pieces.
  void Append(const char* bytes, std::size_t count) {
    if (Pos == Data.size()) {
      Data.append(bytes, count);
      Pos += count;
    } else {
      Write(bytes, count);
    }
  }

  const std::string& Bytes() const { return Data; }
  std::string TakeBytes();
  void Clear();

 private:
  std::string Data;
  std::size_t Pos = 0;
};

// The content of a file, read whole when the stream is created, then read from memory.
// Raises EFileError "Cannot open file ..." when the file cannot be read.
class TFileStream : public TMemoryStream {
 public:
  explicit TFileStream(const std::string& path);
  // The same, read into buffer's memory (a buffer kept from an earlier file, to spare growing a
  // new one).
  TFileStream(const std::string& path, std::string buffer);
  bool IsFileStream() const override { return true; }
};

// A read-only stream over bytes that someone else keeps alive for the stream's lifetime.
class TByteView : public TStream {
 public:
  explicit TByteView(std::string_view bytes) : Data(bytes) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(Data.size()); }

 private:
  std::string_view Data;
  std::size_t Pos = 0;
};

}  // namespace kv
