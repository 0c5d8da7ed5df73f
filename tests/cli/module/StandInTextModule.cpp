// A text-measuring module for the tests of the Windows program, which is built here without Qt:
// it measures every text as 7 pixels per byte by the font's pixel size plus 2, so that a test can
// tell a label measured through a module beside the program from one that kept its stored size.
#include <cstddef>
#include <cstdint>

#include "cli/TextModuleAbi.h"

extern "C" KV3CONV_MODULE_EXPORT int kv3conv_measure_text(const char*, std::size_t textSize,
                                                          const char*, std::size_t, int pixelSize,
                                                          unsigned, std::int64_t,
                                                          std::int64_t* width,
                                                          std::int64_t* height) {
  *width = static_cast<std::int64_t>(textSize) * 7;
  *height = pixelSize + 2;
  return 0;
}
