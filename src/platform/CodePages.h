// Conversion between the code pages of Windows and UTF-8: iconv on Linux, the Windows API on
// Windows, with the same results byte for byte.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace kv::os {

// One direction of conversion for one code page (65001 is UTF-8), in its initial state.
class TCodePageConverter {
 public:
  TCodePageConverter(int codePage, bool toCodePage);
  ~TCodePageConverter();
  TCodePageConverter(const TCodePageConverter&) = delete;
  TCodePageConverter& operator=(const TCodePageConverter&) = delete;

  // False when the system cannot convert this code page.
  bool Valid() const;
  // Appends to out what in converts to, up to the first sequence the other side cannot take (a
  // byte the code page does not define, an incomplete sequence at the end, a character the code
  // page lacks, malformed UTF-8), and returns how many bytes of in were taken: in.size() when
  // all of it converted. The converter is back in its initial state afterwards.
  std::size_t Convert(std::string_view in, std::string& out);

 private:
  struct TState;
  std::unique_ptr<TState> State;
};

}  // namespace kv::os
