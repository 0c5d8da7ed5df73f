// The commands of kv3conv. Each returns the process exit code: 0 success, 1 when a file failed
// (the others are still done), 2 when the command cannot start (usage, missing table).
#pragma once

#include <string>
#include <vector>

namespace kv::cli {

enum TExitCode { ExitOk = 0, ExitFileFailed = 1, ExitUsage = 2 };

struct TSourceArgs {
  std::string Table = "kv25x.dat";
  std::string Mask = "*.pas;*.dfm;*.dpr;*.dpk";
  bool DryRun = false;
  bool Json = false;
  std::vector<std::string> Paths;
};

int RunSource(const TSourceArgs& args);

struct TDfm2TxtArgs {
  std::string Input;
  std::string Output;  // empty: standard output
};

int RunDfm2Txt(const TDfm2TxtArgs& args);

}  // namespace kv::cli
