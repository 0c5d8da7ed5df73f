#include "cli/Output.h"

#include <sys/stat.h>
#include <unistd.h>

#include "app/FolderScan.h"

namespace kv::cli {

namespace {

// Length of the valid UTF-8 sequence at text[i], or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  std::size_t len = 0;
  unsigned min = 0;
  unsigned cp = 0;
  if (b >= 0xC2 && b <= 0xDF)
    len = 2, cp = b & 0x1F, min = 0x80;
  else if (b >= 0xE0 && b <= 0xEF)
    len = 3, cp = b & 0x0F, min = 0x800;
  else if (b >= 0xF0 && b <= 0xF4)
    len = 4, cp = b & 0x07, min = 0x10000;
  else
    return 0;
  if (i + len > text.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  char hex[8];
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(hex, sizeof hex, "\\u%04X", c);
      out += hex;
    } else if (c >= 0x80) {
      const std::size_t len = Utf8SequenceLength(text, i);
      if (len > 0) {
        out.append(text, i, len);
        i += len;
        continue;
      }
      std::snprintf(hex, sizeof hex, "\\u%04X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  out += '"';
  return out;
}

std::vector<std::string> CollectFiles(const std::vector<std::string>& paths,
                                      const std::string& masks, int depthLimit, bool& failedScan) {
  std::vector<std::string> files;
  for (const auto& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      files.push_back(path);
      continue;
    }
    TSearchFiles scan;
    scan.RootDirectory = path;
    scan.FileMasks = SplitMaskList(masks);
    scan.DepthLimit = depthLimit;
    const TScanResult result =
        scan.Search([&](const std::string& found) { files.push_back(found); });
    if (!result.Complete) {
      std::fprintf(stderr, "kv3conv: %s\n", result.Error.c_str());
      failedScan = true;
    }
  }
  return files;
}

TProgressLine::TProgressLine(std::size_t total) : Total(total), Enabled(::isatty(2) == 1) {}

void TProgressLine::Show(std::size_t index, std::string_view path) {
  if (!Enabled) return;
  std::string line = "[" + std::to_string(index + 1) + "/" + std::to_string(Total) + "] ";
  constexpr std::size_t width = 78;
  if (line.size() + path.size() > width) {
    const std::size_t keep = width > line.size() + 3 ? width - line.size() - 3 : 0;
    line += "...";
    line += path.substr(path.size() - std::min(keep, path.size()));
  } else {
    line += path;
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
