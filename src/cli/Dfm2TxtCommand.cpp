// kv3conv dfm2txt: binary form files to their text form, one file to a named file or standard
// output, or many files and folders of forms in one run.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>

#include "base/Files.h"
#include "base/Stream.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "migrate/FormStream.h"
#include "platform/File.h"
#include "platform/Path.h"

namespace kv::cli {

namespace {

// True when both paths name one existing file (also through links or another spelling).
bool SameFile(const std::string& a, const std::string& b) {
  const std::optional<os::TEntry> ea = os::StatusOf(a, os::TFollow::Yes);
  const std::optional<os::TEntry> eb = ea ? os::StatusOf(b, os::TFollow::Yes) : std::nullopt;
  return ea && eb && ea->Status.Device == eb->Status.Device && ea->Status.Inode == eb->Status.Inode;
}

bool IsFolder(const std::string& path) {
  const std::optional<os::TEntry> entry = os::StatusOf(path, os::TFollow::Yes);
  return entry && entry->Kind == os::TEntryKind::Folder;
}

bool EndsWithDfm(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return tail == ".dfm";
}

// How the form's bytes are converted; Unknown for bytes that are no binary form.
enum class TFormKind { Resource, Stream, Unknown };

TFormKind KindOf(const std::string& bytes) {
  if (!bytes.empty() && static_cast<unsigned char>(bytes[0]) == 0xFF) return TFormKind::Resource;
  if (bytes.starts_with("TPF0")) return TFormKind::Stream;
  return TFormKind::Unknown;
}

void PrintNotBinary(const std::string& path) {
  std::fprintf(stderr,
               "kv3conv: %s: not a binary form file (it starts with neither the byte 0xFF "
               "nor \"TPF0\"); a form in text form needs no conversion.\n",
               Printable(path).c_str());
}

// The text form of a binary form held in bytes, appended to output.
void ConvertForm(const std::string& bytes, TFormKind kind, TMemoryStream& output, int codePage) {
  TByteView input(bytes);
  if (kind == TFormKind::Resource) {
    FormResourceToText(input, output, codePage);
  } else {
    FormBinaryToText(input, output, codePage);
  }
}

// One input of a run of many: the form, where its text goes, and whether it was found in a
// folder (a text form found there is passed over) or named on the command line.
struct TFormJob {
  std::string Input;
  std::string Output;
  bool Found = false;
};

// A spelling of a path that two spellings of one path share (absolute, without "." and ".."
// steps), to find two inputs whose text forms would go to one file before anything is written.
std::string PathKey(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(os::ToPath(path), ec);
  if (ec) p = os::ToPath(path);
  return os::ToUtf8(p.lexically_normal());
}

// Creates folder and the folders above it that are missing. False with the system's words for
// the failure in problem.
bool MakeFolders(const std::string& folder, std::string& problem) {
  std::error_code ec;
  std::filesystem::create_directories(os::ToPath(folder), ec);
  if (ec) {
    problem = ec.message();
    return false;
  }
  return true;
}

// The single-file form: input to output, or to standard output when output is empty. A file that
// is replaced is kept until its new text is on the disk; a new file has no old content to lose,
// so it is not flushed to the disk before its name is given (here and in runs of many).
int ConvertOne(const std::string& inputPath, const std::string& outputPath, int codePage) {
  // Writing the text over the binary form would lose the only copy of the form.
  if (!outputPath.empty() && SameFile(inputPath, outputPath)) {
    std::fprintf(stderr,
                 "kv3conv: %s: the output file is the input file; name another output file, or "
                 "none for standard output\n",
                 Printable(outputPath).c_str());
    return ExitUsage;
  }
  try {
    const std::string bytes = ReadFileBytes(inputPath);
    const TFormKind kind = KindOf(bytes);
    if (kind == TFormKind::Unknown) {
      PrintNotBinary(inputPath);
      return ExitFileFailed;
    }
    TMemoryStream output;
    ConvertForm(bytes, kind, output, codePage);
    if (outputPath.empty()) {
      // Checked when the program ends (FinishOutput).
      WriteOut(output.Bytes());
    } else {
      // A text form of an earlier run that was killed may have left its temporary file there.
      RemoveStaleTemporaries(FolderOf(outputPath));
      WriteFileSafely(outputPath, output.Bytes(), FileExists(outputPath));
    }
    return ExitOk;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv3conv: %s: %s\n", Printable(inputPath).c_str(),
                 Printable(e.what()).c_str());
    return ExitFileFailed;
  }
}

// The list of a run of many: each form named, and the *.dfm files of each folder named, to every
// level. The text form goes beside the form, or into outFolder; a form found in a folder keeps its
// place below that folder there, so forms of one name in different subfolders stay apart.
std::vector<TFormJob> CollectJobs(const std::vector<std::string>& paths,
                                  const std::string& outFolder, bool& failedScan) {
  std::vector<TFormJob> jobs;
  for (const std::string& path : paths) {
    if (!IsFolder(path)) {
      TFormJob job;
      job.Input = path;
      job.Output = ChangeFileExt(
          outFolder.empty() ? path : os::Join(outFolder, ExtractFileName(path)), ".txt");
      jobs.push_back(std::move(job));
      continue;
    }
    for (const std::string& found : CollectFiles({path}, {"*.dfm"}, {}, failedScan)) {
      TFormJob job;
      job.Input = found;
      job.Found = true;
      if (outFolder.empty()) {
        job.Output = ChangeFileExt(found, ".txt");
      } else {
        std::size_t start = found.starts_with(path) ? path.size() : 0;
        while (start < found.size() && os::IsSeparator(found[start])) ++start;
        job.Output = ChangeFileExt(os::Join(outFolder, found.substr(start)), ".txt");
      }
      jobs.push_back(std::move(job));
    }
  }
  return jobs;
}

// Refuses, before anything is written, a run in which two forms would be written to one text
// file, or a text form would replace a file the run reads.
bool CheckOutputs(const std::vector<TFormJob>& jobs) {
  std::map<std::string, const TFormJob*> inputs;
  for (const TFormJob& job : jobs) inputs.emplace(PathKey(job.Input), &job);
  std::map<std::string, const TFormJob*> outputs;
  for (const TFormJob& job : jobs) {
    const std::string key = PathKey(job.Output);
    const auto input = inputs.find(key);
    if (input != inputs.end() || SameFile(job.Input, job.Output)) {
      const std::string& replaced = input != inputs.end() ? input->second->Input : job.Input;
      std::fprintf(stderr,
                   "kv3conv: %s: its text form %s would replace %s, a file this run reads; "
                   "nothing was written\n",
                   Printable(job.Input).c_str(), Printable(job.Output).c_str(),
                   Printable(replaced).c_str());
      return false;
    }
    const auto [other, added] = outputs.emplace(key, &job);
    if (!added) {
      std::fprintf(stderr,
                   "kv3conv: %s and %s would both be written to %s; convert them in separate "
                   "runs or into separate folders; nothing was written\n",
                   Printable(other->second->Input).c_str(), Printable(job.Input).c_str(),
                   Printable(job.Output).c_str());
      return false;
    }
  }
  return true;
}

int ConvertMany(const std::vector<std::string>& paths, const std::string& outFolder,
                int codePage) {
  bool failedScan = false;
  const std::vector<TFormJob> jobs = CollectJobs(paths, outFolder, failedScan);
  if (!CheckOutputs(jobs)) return ExitUsage;
  // Removes what killed runs left where the text forms go.
  std::vector<std::string> outputs;
  outputs.reserve(jobs.size());
  for (const TFormJob& job : jobs) outputs.push_back(job.Output);
  TStaleTemporaries staleTemporaries(outputs);
  bool failed = false;
  std::string bytes;
  TMemoryStream output;
  std::string madeFolder;  // the last folder created for an output, so each is made once
  for (const TFormJob& job : jobs) {
    try {
      ReadFileInto(job.Input, bytes);
      const TFormKind kind = KindOf(bytes);
      if (kind == TFormKind::Unknown) {
        // A folder may hold forms already in text form; they need nothing.
        if (job.Found) continue;
        PrintNotBinary(job.Input);
        failed = true;
        continue;
      }
      output.Clear();
      ConvertForm(bytes, kind, output, codePage);
      if (!outFolder.empty()) {
        const std::string folder = FolderOf(job.Output);
        std::string problem;
        if (folder != madeFolder) {
          if (!MakeFolders(folder, problem)) {
            std::fprintf(stderr, "kv3conv: %s: cannot create the folder %s: %s\n",
                         Printable(job.Input).c_str(), Printable(folder).c_str(), problem.c_str());
            failed = true;
            continue;
          }
          madeFolder = folder;
        }
      }
      WriteFileSafely(job.Output, output.Bytes(), FileExists(job.Output));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "kv3conv: %s: %s\n", Printable(job.Input).c_str(),
                   Printable(e.what()).c_str());
      failed = true;
    }
  }
  return failed || failedScan ? ExitFileFailed : ExitOk;
}

}  // namespace

int RunDfm2Txt(const TDfm2TxtArgs& args) {
  const std::vector<std::string>& paths = args.Paths;
  // The forms of old calls keep their meaning: "IN" writes to standard output, "IN OUT" writes the
  // text of IN to OUT, unless OUT is a folder or a binary form (*.dfm) itself.
  // "IN IN" is refused as it always was, whatever the name.
  if (args.OutFolder.empty() && !paths.empty() && paths.size() <= 2 && !IsFolder(paths[0]) &&
      (paths.size() == 1 || (!IsFolder(paths[1]) && !EndsWithDfm(paths[1])) ||
       SameFile(paths[0], paths[1]))) {
    return ConvertOne(paths[0], paths.size() == 2 ? paths[1] : std::string(), args.CodePage);
  }
  return ConvertMany(paths, args.OutFolder, args.CodePage);
}

}  // namespace kv::cli
