// Code page conversions on POSIX, through iconv: Windows code page n is "CPn". UTF-8 (65001) is
// taken as far as it is well-formed, which iconv tells converting it to UTF-16: its own UTF-8 to
// UTF-8 passes the old five- and six-byte forms and characters above U+10FFFF, which no document
// may hold.
#include "platform/CodePages.h"

#include <iconv.h>

#include <cerrno>

namespace kv::os {

namespace {

constexpr int Utf8CodePage = 65001;

std::string IconvName(int codePage) {
  return "CP" + std::to_string(codePage);
}

const iconv_t NoConversion = reinterpret_cast<iconv_t>(-1);

}  // namespace

struct TCodePageConverter::TState {
  iconv_t Handle = NoConversion;
  bool Utf8 = false;  // Handle reads UTF-8 into UTF-16 only to tell how far it is well-formed
};

TCodePageConverter::TCodePageConverter(int codePage, bool toCodePage)
    : State(std::make_unique<TState>()) {
  if (codePage <= 0) return;
  State->Utf8 = codePage == Utf8CodePage;
  State->Handle = State->Utf8  ? ::iconv_open("UTF-16LE", "UTF-8")
                  : toCodePage ? ::iconv_open(IconvName(codePage).c_str(), "UTF-8")
                               : ::iconv_open("UTF-8", IconvName(codePage).c_str());
}

TCodePageConverter::~TCodePageConverter() {
  if (Valid()) ::iconv_close(State->Handle);
}

bool TCodePageConverter::Valid() const {
  return State->Handle != NoConversion;
}

std::size_t TCodePageConverter::Convert(std::string_view in, std::string& out) {
  if (!Valid()) return 0;
  iconv_t const handle = State->Handle;
  // From the initial state, also after a conversion that an exception cut short.
  ::iconv(handle, nullptr, nullptr, nullptr, nullptr);
  // UTF-16 of a UTF-8 text is only looked at, never kept.
  const bool keep = !State->Utf8;
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t rc = ::iconv(handle, &inPtr, &inLeft, &outPtr, &outLeft);
    if (keep) out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    // E2BIG: the buffer is full, and the rest goes into it next; anything else (EILSEQ, EINVAL)
    // stops at the sequence that cannot be taken.
    if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) break;
  }
  // iconv keeps back a character that marks after it may still compose with (CP1255, CP1258):
  // flushing gives it, so that neither the text's last character nor the one before a sequence
  // that cannot be taken is lost.
  char* outPtr = buffer;
  std::size_t outLeft = sizeof buffer;
  ::iconv(handle, nullptr, nullptr, &outPtr, &outLeft);
  if (keep) out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
  ::iconv(handle, nullptr, nullptr, nullptr, nullptr);
  const std::size_t taken = in.size() - inLeft;
  if (!keep) out.append(in.substr(0, taken));
  return taken;
}

}  // namespace kv::os
