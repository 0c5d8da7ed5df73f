// Fuzz target: any bytes as a binary form file, and as a bare form stream. The conversion to
// text must end with the text or one of its errors, never a crash or a read past the data.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Errors.h"
#include "base/Stream.h"
#include "migrate/FormStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (const bool resource : {true, false}) {
    kv::TByteView input(bytes);
    kv::TMemoryStream output;
    try {
      if (resource) {
        kv::FormResourceToText(input, output, 1252);
      } else {
        kv::FormBinaryToText(input, output, 1252);
      }
    } catch (const kv::EKvError&) {
    }
  }
  return 0;
}
