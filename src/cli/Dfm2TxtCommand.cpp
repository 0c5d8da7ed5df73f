// kv3conv dfm2txt: a binary form file to its text form.
#include <cstdio>
#include <exception>

#include "base/Files.h"
#include "base/Stream.h"
#include "cli/Commands.h"
#include "migrate/FormStream.h"

namespace kv::cli {

int RunDfm2Txt(const TDfm2TxtArgs& args) {
  try {
    const std::string bytes = ReadFileBytes(args.Input);
    TByteView input(bytes);
    TMemoryStream output;
    if (!bytes.empty() && static_cast<unsigned char>(bytes[0]) == 0xFF) {
      FormResourceToText(input, output);
    } else if (bytes.starts_with("TPF0")) {
      FormBinaryToText(input, output);
    } else {
      std::fprintf(stderr,
                   "kv3conv: %s: not a binary form file (it starts with neither the byte 0xFF "
                   "nor \"TPF0\"); a form in text form needs no conversion.\n",
                   args.Input.c_str());
      return ExitFileFailed;
    }
    if (args.Output.empty()) {
      std::fwrite(output.Bytes().data(), 1, output.Bytes().size(), stdout);
      if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "kv3conv: cannot write to standard output\n");
        return ExitFileFailed;
      }
    } else {
      WriteFileSafely(args.Output, output.Bytes());
    }
    return ExitOk;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv3conv: %s: %s\n", args.Input.c_str(), e.what());
    return ExitFileFailed;
  }
}

}  // namespace kv::cli
