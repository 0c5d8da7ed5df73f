// kv3conv dfm2txt: a binary form file to its text form.
#include <sys/stat.h>

#include <cstdio>
#include <exception>

#include "base/Files.h"
#include "base/Stream.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "migrate/FormStream.h"

namespace kv::cli {

namespace {

// True when both paths name one existing file (also through links or another spelling).
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

int RunDfm2Txt(const TDfm2TxtArgs& args) {
  // Writing the text over the binary form would lose the only copy of the form.
  if (!args.Output.empty() && SameFile(args.Input, args.Output)) {
    std::fprintf(stderr,
                 "kv3conv: %s: the output file is the input file; name another output file, or "
                 "none for standard output\n",
                 Printable(args.Output).c_str());
    return ExitUsage;
  }
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
                   Printable(args.Input).c_str());
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
    std::fprintf(stderr, "kv3conv: %s: %s\n", Printable(args.Input).c_str(),
                 Printable(e.what()).c_str());
    return ExitFileFailed;
  }
}

}  // namespace kv::cli
