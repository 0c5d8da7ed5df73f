// Code page conversions on POSIX, through iconv: Windows code page n is "CPn", 65001 is "UTF-8".
#include "platform/CodePages.h"

#include <iconv.h>

#include <cerrno>

namespace kv::os {

namespace {

std::string IconvName(int codePage) {
  if (codePage == 65001) return "UTF-8";
  return "CP" + std::to_string(codePage);
}

const iconv_t NoConversion = reinterpret_cast<iconv_t>(-1);

}  // namespace

struct TCodePageConverter::TState {
  iconv_t Handle = NoConversion;
};

TCodePageConverter::TCodePageConverter(int codePage, bool toCodePage)
    : State(std::make_unique<TState>()) {
  if (codePage <= 0) return;
  State->Handle = toCodePage ? ::iconv_open(IconvName(codePage).c_str(), "UTF-8")
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
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t rc = ::iconv(handle, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    // E2BIG: the buffer is full, and the rest goes into it next; anything else (EILSEQ, EINVAL)
    // stops at the sequence that cannot be taken.
    if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) break;
  }
  ::iconv(handle, nullptr, nullptr, nullptr, nullptr);
  return in.size() - inLeft;
}

}  // namespace kv::os
