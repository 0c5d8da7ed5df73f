#include "cli/Output.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "app/FolderScan.h"
#include "base/Files.h"
#include "base/JsonText.h"
#include "cli/Commands.h"
#include "platform/Console.h"
#include "platform/File.h"
#include "platform/Process.h"

namespace kv::cli {

namespace {

std::string PrintableText(std::string_view text, bool keepTabs) {
  std::string out;
  out.reserve(text.size());
  char hex[8];
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c >= 0x20 && c < 0x7F) || (keepTabs && c == '\t')) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (c >= 0x80) {
      // A valid character is kept, except the C1 controls U+0080 to U+009F, which terminals may
      // act on.
      const std::size_t len = Utf8SequenceLength(text, i);
      if (len > 0 && !(c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)) {
        out.append(text, i, len);
        i += len;
        continue;
      }
    }
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    out += hex;
    ++i;
  }
  return out;
}

}  // namespace

std::string Printable(std::string_view text) {
  return PrintableText(text, false);
}

std::string PrintableLine(std::string_view text) {
  return PrintableText(text, true);
}

std::vector<std::string> SplitMaskOption(std::string_view text) {
  std::vector<std::string> masks;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(";,", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view mask = text.substr(start, end - start);
    while (!mask.empty() && (mask.front() == ' ' || mask.front() == '\t')) mask.remove_prefix(1);
    while (!mask.empty() && (mask.back() == ' ' || mask.back() == '\t')) mask.remove_suffix(1);
    if (!mask.empty()) masks.emplace_back(mask);
    start = end + 1;
  }
  return masks;
}

namespace {

bool IsFolder(const std::string& path) {
  const std::optional<os::TEntry> entry = os::StatusOf(path, os::TFollow::Yes);
  return entry && entry->Kind == os::TEntryKind::Folder;
}

std::string MaskListText(const std::vector<std::string>& masks) {
  std::string text = masks.size() == 1 ? "the mask " : "the masks ";
  for (std::size_t i = 0; i < masks.size(); ++i) {
    if (i > 0) text += ";";
    text += masks[i];
  }
  return text;
}

}  // namespace

std::vector<std::string> CollectFiles(const std::vector<std::string>& paths,
                                      const std::vector<std::string>& masks,
                                      const TCollectOptions& options, bool& failedScan) {
  std::vector<std::string> files;
  std::vector<bool> maskMatched(masks.size(), false);
  bool scanned = false;
  // Links found in a folder may lead into any of the folders named.
  std::vector<std::string> folders;
  for (const auto& path : paths) {
    if (IsFolder(path)) folders.push_back(path);
  }
  for (const auto& path : paths) {
    if (!IsFolder(path)) {
      files.push_back(options.ResolveFileLinks ? FileBehindLink(path) : path);
      continue;
    }
    scanned = true;
    TSearchFiles scan;
    scan.RootDirectory = path;
    scan.FileMasks = masks;
    scan.DepthLimit = options.DepthLimit;
    scan.ResolveFileLinks = options.ResolveFileLinks;
    scan.LinkRoots = folders;
    scan.OnSkipped = [](const std::string& skipped, const std::string& reason) {
      std::fprintf(stderr, "kv3conv: %s: %s\n", Printable(skipped).c_str(),
                   Printable(reason).c_str());
    };
    const std::size_t before = files.size();
    const TScanResult result = scan.Search([&](const std::string& found) {
      files.push_back(found);
      if (!options.ReportUnmatchedMasks) return;
      const std::string name = ExtractFileName(found);
      for (std::size_t m = 0; m < masks.size(); ++m) {
        if (!maskMatched[m] && MatchesMask(name, masks[m])) maskMatched[m] = true;
      }
    });
    if (!result.Complete) {
      std::fprintf(stderr, "kv3conv: %s\n", Printable(result.Error).c_str());
      failedScan = true;
    } else if (files.size() == before) {
      std::fprintf(stderr, "kv3conv: %s: no file in this folder matches %s\n",
                   Printable(path).c_str(), Printable(MaskListText(masks)).c_str());
    }
  }
  if (options.ReportUnmatchedMasks && scanned && masks.size() > 1) {
    for (std::size_t m = 0; m < masks.size(); ++m) {
      if (!maskMatched[m]) {
        std::fprintf(stderr, "kv3conv: no file matches the mask %s\n", Printable(masks[m]).c_str());
      }
    }
  }
  return files;
}

void IgnoreClosedPipes() {
  os::IgnoreBrokenPipe();
}

void WriteOut(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

bool OutputLost() {
  return std::ferror(stdout) != 0;
}

int FinishOutput(int code) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  int err = flushed ? 0 : errno;
  const bool failedBefore = std::ferror(stdout) != 0;
  errno = 0;
  const bool closed = std::fclose(stdout) == 0;
  if (!closed && err == 0) err = errno;
  if (flushed && closed && !failedBefore) return code;
  std::fprintf(stderr, "kv3conv: the output could not be written%s%s; what it shows is incomplete\n",
               err != 0 ? ": " : "", err != 0 ? std::strerror(err) : "");
  return code == ExitOk || code == ExitFileFailed ? ExitOutputLost : code;
}

TStaleTemporaries::TStaleTemporaries(const std::vector<std::string>& files) {
  const auto remove = [this, files] {
    try {
      Removed = RemoveStaleTemporariesBeside(files);
    } catch (const std::exception&) {
      // Only memory can run out here; the folders are looked at again by the next run.
    }
  };
  try {
    Thread = std::thread(remove);
  } catch (const std::system_error&) {
    remove();
  }
}

void TStaleTemporaries::Join() {
  if (Thread.joinable()) Thread.join();
  for (const auto& path : Removed) {
    std::fprintf(stderr, "kv3conv: removed a temporary file left by an interrupted run: %s\n",
                 Printable(path).c_str());
  }
  Removed.clear();
}

TProgressLine::TProgressLine(std::size_t total)
    : Total(total), Enabled(os::IsTerminal(os::TStandardStream::Error)) {}

void TProgressLine::Show(std::size_t index, std::string_view path) {
  if (!Enabled) return;
  const std::string shown = Printable(path);
  std::string line = "[" + std::to_string(index + 1) + "/" + std::to_string(Total) + "] ";
  constexpr std::size_t width = 78;
  if (line.size() + shown.size() > width) {
    const std::size_t keep = width > line.size() + 3 ? width - line.size() - 3 : 0;
    std::size_t from = shown.size() - std::min(keep, shown.size());
    // Start on a character, not inside one.
    while (from < shown.size() && (static_cast<unsigned char>(shown[from]) & 0xC0) == 0x80) ++from;
    line += "...";
    line += std::string_view(shown).substr(from);
  } else {
    line += shown;
  }
  std::fprintf(stderr, "\r\033[K%s", line.c_str());
  std::fflush(stderr);
  Shown = true;
}

void TProgressLine::Clear() {
  if (!Shown) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  Shown = false;
}

}  // namespace kv::cli
