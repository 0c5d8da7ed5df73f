// kv3conv report: converts legacy report files (.kvf), listed or found in folders, into new XML
// report documents (.kv3) written beside them.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string_view>

#include "base/CodePage.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "writer/Conversion.h"
#include "writer/ReportHost.h"

namespace kv::cli {

namespace {

struct TReportLine {
  std::string Path;
  TConversionOutcome Outcome;
};

// How many files of a run ended in each way.
struct TReportTotals {
  std::size_t Done = 0, Warnings = 0, Failed = 0;
  std::int64_t Microseconds = 0;
  std::size_t Written() const { return Done + Warnings; }
  void Add(const TConversionOutcome& o) {
    Microseconds += o.Microseconds;
    switch (o.Status) {
      case TConversionStatus::Done:
        ++Done;
        break;
      case TConversionStatus::Warnings:
        ++Warnings;
        break;
      case TConversionStatus::Failed:
        ++Failed;
        break;
    }
  }
};

void PrintJson(const std::vector<TReportLine>& lines, const TReportTotals& totals) {
  std::string out = "{\n  \"reports\": [";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TReportLine& l = lines[i];
    const TConversionOutcome& o = l.Outcome;
    out += i == 0 ? "\n    " : ",\n    ";
    out += "{\"path\": " + JsonString(l.Path) + ", \"output\": " + JsonString(o.OutputPath) +
           ", \"status\": \"" + StatusWord(o.Status) +
           "\", \"written\": " + (o.Written() ? "true" : "false") +
           ", \"microseconds\": " + std::to_string(o.Microseconds) +
           ", \"messageCount\": " + std::to_string(o.Messages.size()) +
           ", \"messages\": " + JsonCodePageTexts(o.Messages) +
           ", \"notes\": " + JsonCodePageTexts(o.Notes) +
           ", \"problem\": " + (o.Problem.empty() ? "null" : JsonString(o.Problem)) + "}";
  }
  out += lines.empty() ? "],\n" : "\n  ],\n";
  out += "  \"total\": {\"reports\": " + std::to_string(lines.size()) +
         ", \"written\": " + std::to_string(totals.Written()) +
         ", \"done\": " + std::to_string(totals.Done) +
         ", \"warnings\": " + std::to_string(totals.Warnings) +
         ", \"failed\": " + std::to_string(totals.Failed) +
         ", \"microseconds\": " + std::to_string(totals.Microseconds) + "}\n}\n";
  std::fputs(out.c_str(), stdout);
}

// True when the lines of each file are to be written as soon as the file is done: when a person
// watches (a terminal), or when both standard streams go to one file or pipe, where a file's
// messages belong before its line. Otherwise both streams are written in large blocks, which
// saves several writes per report on runs over many small reports.
bool FlushEachFile() {
  if (::isatty(1) == 1 || ::isatty(2) == 1) return true;
  struct stat out {};
  struct stat err {};
  if (::fstat(1, &out) != 0 || ::fstat(2, &err) != 0) return true;
  return out.st_dev == err.st_dev && out.st_ino == err.st_ino;
}

// Runs over many reports are shared among worker processes, one per processor. Each worker has
// its own copy of the run's report host (the process's one host, as the library expects) and
// converts a contiguous share of the list; what it finds (outcomes, and the library's messages
// as they were printed) comes back through two unnamed temporary files, and this process prints
// everything in the order of the list, as a run in one process would. Processes, not threads: nothing of the report library is shared between two workers.
// (Labels are measured through Qt only in the process that meets one, after the workers started:
// a process that has started Qt is never forked.)
constexpr std::size_t MinFilesPerWorker = 200;

void PutNumber(std::string& out, std::uint64_t n) {
  out.append(reinterpret_cast<const char*>(&n), sizeof n);
}
void PutText(std::string& out, const std::string& text) {
  PutNumber(out, text.size());
  out += text;
}

// Reads what PutNumber and PutText wrote; false once the bytes run out or do not fit.
struct TRecordReader {
  std::string_view Bytes;
  bool Number(std::uint64_t& n) {
    if (Bytes.size() < sizeof n) return false;
    std::memcpy(&n, Bytes.data(), sizeof n);
    Bytes.remove_prefix(sizeof n);
    return true;
  }
  bool Text(std::string& text) {
    std::uint64_t size = 0;
    if (!Number(size) || size > Bytes.size()) return false;
    text.assign(Bytes.substr(0, size));
    Bytes.remove_prefix(size);
    return true;
  }
  bool Texts(std::vector<std::string>& texts) {
    std::uint64_t count = 0;
    if (!Number(count) || count > Bytes.size()) return false;
    texts.resize(count);
    for (std::string& text : texts) {
      if (!Text(text)) return false;
    }
    return true;
  }
};

// The results of a share converted elsewhere, by file: outcome and the messages printed.
struct TConverted {
  bool Done = false;
  TConversionOutcome Outcome;
  std::string Printed;
};

bool WriteAllTo(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool ReadAllFrom(int fd, std::string& bytes) {
  bytes.clear();
  char buffer[65536];
  std::uint64_t offset = 0;
  for (;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    bytes.append(buffer, static_cast<std::size_t>(n));
    offset += static_cast<std::uint64_t>(n);
  }
}

// In a worker process: converts files [begin, end) and writes the results; the library's
// messages go to the messages file, which is the worker's standard error.
[[noreturn]] void RunWorker(TReportHost& host, const std::vector<std::string>& files,
                            std::size_t begin,
                            std::size_t end, const std::optional<std::string>& password,
                            int resultsFd, int messagesFd) {
  int code = 1;
  try {
    if (::dup2(messagesFd, 2) < 0) ::_exit(1);
    std::string record;
    for (std::size_t i = begin; i < end; ++i) {
      const off_t before = ::lseek(2, 0, SEEK_CUR);
      TCliReportPrompter prompter(files[i], password);
      const TConversionOutcome o =
          ConvertReportFile(host, files[i], prompter, TConversionErrors::Record);
      if (std::fflush(stderr) != 0) ::_exit(1);
      const off_t after = ::lseek(2, 0, SEEK_CUR);
      if (before < 0 || after < before) ::_exit(1);
      PutNumber(record, static_cast<std::uint64_t>(o.Status));
      PutText(record, o.OutputPath);
      PutNumber(record, o.Messages.size());
      for (const std::string& m : o.Messages) PutText(record, m);
      PutNumber(record, o.Notes.size());
      for (const std::string& n : o.Notes) PutText(record, n);
      PutText(record, o.Problem);
      PutNumber(record, static_cast<std::uint64_t>(o.Microseconds));
      PutNumber(record, static_cast<std::uint64_t>(before));
      PutNumber(record, static_cast<std::uint64_t>(after));
    }
    if (WriteAllTo(resultsFd, record)) code = 0;
  } catch (...) {
    code = 1;
  }
  ::_exit(code);
}

// Converts the files in worker processes when the run is large enough and there is more than
// one processor. A share whose worker did not end well is left undone (Done false), to be
// converted by the caller as usual.
std::vector<TConverted> ConvertInWorkers(TReportHost& host, const std::vector<std::string>& files,
                                         const std::optional<std::string>& password) {
  std::vector<TConverted> converted(files.size());
  const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
  const std::size_t workers =
      std::min<std::size_t>(processors > 1 ? static_cast<std::size_t>(processors) : 1,
                            files.size() / MinFilesPerWorker);
  if (workers < 2) return converted;
  struct TWorker {
    pid_t Pid = -1;
    std::FILE* Results = nullptr;
    std::FILE* Messages = nullptr;
    std::size_t Begin = 0, End = 0;
  };
  std::vector<TWorker> pool(workers);
  std::fflush(stdout);
  std::fflush(stderr);
  for (std::size_t w = 0; w < workers; ++w) {
    TWorker& worker = pool[w];
    worker.Begin = files.size() * w / workers;
    worker.End = files.size() * (w + 1) / workers;
    worker.Results = std::tmpfile();
    worker.Messages = std::tmpfile();
    if (!worker.Results || !worker.Messages) continue;
    worker.Pid = ::fork();
    if (worker.Pid == 0) {
      RunWorker(host, files, worker.Begin, worker.End, password, ::fileno(worker.Results),
                ::fileno(worker.Messages));
    }
  }
  for (TWorker& worker : pool) {
    int status = 0;
    bool ok = worker.Pid > 0;
    while (ok && ::waitpid(worker.Pid, &status, 0) < 0) {
      if (errno != EINTR) ok = false;
    }
    ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::string results, messages;
    ok = ok && ReadAllFrom(::fileno(worker.Results), results) &&
         ReadAllFrom(::fileno(worker.Messages), messages);
    std::vector<TConverted> share(worker.End - worker.Begin);
    TRecordReader reader{results};
    for (TConverted& c : share) {
      std::uint64_t status = 0, microseconds = 0, before = 0, after = 0;
      ok = ok && reader.Number(status) && status <= 2 && reader.Text(c.Outcome.OutputPath) &&
           reader.Texts(c.Outcome.Messages) && reader.Texts(c.Outcome.Notes) &&
           reader.Text(c.Outcome.Problem) && reader.Number(microseconds) &&
           reader.Number(before) && reader.Number(after) && before <= after &&
           after <= messages.size();
      if (!ok) break;
      c.Outcome.Status = static_cast<TConversionStatus>(status);
      c.Outcome.Microseconds = static_cast<std::int64_t>(microseconds);
      c.Printed = messages.substr(before, after - before);
      c.Done = true;
    }
    if (ok && reader.Bytes.empty()) {
      std::move(share.begin(), share.end(), converted.begin() + static_cast<long>(worker.Begin));
    }
    if (worker.Results) std::fclose(worker.Results);
    if (worker.Messages) std::fclose(worker.Messages);
  }
  return converted;
}
}  // namespace

int RunReport(const TReportArgs& args) {
  std::optional<std::string> password;
  if (!ReadPasswordOption(args.Password, args.PasswordFile, password)) return ExitUsage;

  // The file list: files as given, folders scanned for report files down to their direct
  // subfolders, or to every level with --recursive.
  bool failedScan = false;
  const std::vector<std::string> files =
      CollectFiles(args.Paths, {"*.kvf"}, {args.Recursive ? 0 : 1}, failedScan);

  // One report host for the whole run: every file is loaded into the same kvReport1, as in the
  // workbench, and each load replaces what the previous one left.
  const bool flushEachFile = FlushEachFile();
  if (!flushEachFile) std::setvbuf(stderr, nullptr, _IOFBF, 1 << 16);
  // Even so, what is done shows in the output every so many files.
  constexpr std::size_t FlushEvery = 256;
  // Documents are written beside their reports, where killed runs may have left temporary files.
  TStaleTemporaries staleTemporaries(files);
  TReportHost host;
  std::vector<TReportLine> lines;
  lines.reserve(files.size());
  TReportTotals totals;
  // Runs that nobody watches line by line may be converted by worker processes first; their
  // results are then printed here as if the files were converted now.
  std::vector<TConverted> converted;
  if (!flushEachFile) {
    // No thread may run while worker processes are forked.
    staleTemporaries.Join();
    converted = ConvertInWorkers(host, files, password);
  }
  {
    TProgressLine progress(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      progress.Show(i, files[i]);
      TReportLine line;
      line.Path = files[i];
      if (i < converted.size() && converted[i].Done) {
        std::fwrite(converted[i].Printed.data(), 1, converted[i].Printed.size(), stderr);
        line.Outcome = std::move(converted[i].Outcome);
        converted[i].Printed.clear();
      } else
      {
        // The prompter clears the progress line before it prints one of the library's messages.
        TCliReportPrompter prompter(files[i], password, &progress);
        line.Outcome = ConvertReportFile(host, files[i], prompter, TConversionErrors::Record);
      }
      const TConversionOutcome& o = line.Outcome;
      totals.Add(o);
      if (o.Status == TConversionStatus::Failed || !o.Notes.empty()) progress.Clear();
      if (o.Status == TConversionStatus::Failed) {
        std::fprintf(stderr, "kv3conv: %s: %s; no document was written\n",
                     Printable(files[i]).c_str(), Printable(CodePageToUtf8(o.Problem)).c_str());
      }
      for (const std::string& note : o.Notes) {
        std::fprintf(stderr, "kv3conv: %s: %s\n", Printable(files[i]).c_str(),
                     Printable(CodePageToUtf8(note)).c_str());
      }
      if (!args.Json) {
        progress.Clear();
        std::printf("%-8s %12lld %4zu  %s\n", StatusWord(o.Status),
                    static_cast<long long>(o.Microseconds), o.Messages.size() + o.Notes.size(),
                    Printable(o.Written() ? o.OutputPath : files[i]).c_str());
      }
      if (flushEachFile || (i + 1) % FlushEvery == 0) {
        std::fflush(stderr);
        std::fflush(stdout);
      }
      lines.push_back(std::move(line));
      // Once nobody reads what the run prints (a closed pipe, a full disk), it stops after the
      // file in hand; the documents written stay.
      if (OutputLost()) break;
    }
  }
  staleTemporaries.Join();

  if (args.Json) {
    PrintJson(lines, totals);
  } else {
    std::printf(
        "Total: %zu reports, %zu written, %zu with warnings, %zu failed, %lld microseconds "
        "(%.2f secs)\n",
        lines.size(), totals.Written(), totals.Warnings, totals.Failed,
        static_cast<long long>(totals.Microseconds),
        static_cast<double>(totals.Microseconds) / 1000000.0);
  }
  // Every file that did not end plainly Done (no document, or one with messages or notes) makes
  // the exit code 1, so scripts notice what a conversion left out.
  const bool problems = totals.Warnings > 0 || totals.Failed > 0;
  return problems || failedScan ? ExitFileFailed : ExitOk;
}

}  // namespace kv::cli
