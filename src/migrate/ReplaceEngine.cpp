// The replacement engine. A file is held as one buffer with its original line breaks; since no
// find or replacement text can hold a line break, a match never crosses a line, and applying a
// pair to the whole buffer gives exactly what applying it line by line gives. Speed comes from
// three things: the whole file is upper-cased once (and the copy kept up to date as pairs apply),
// one pass of a multi-pattern matcher tells which find texts occur at all, and only the pairs
// that can occur are searched for.
#include "migrate/ReplaceEngine.h"

#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "app/FastTimer.h"
#include "legacy/Errors.h"
#include "legacy/Files.h"
#include "legacy/Stream.h"
#include "migrate/FormStream.h"
#include "migrate/TextLines.h"

namespace kv {

namespace {

std::vector<std::string> UniqueUpperFinds(const std::vector<TPair>& pairs) {
  std::vector<std::string> patterns;
  std::unordered_map<std::string, std::size_t> index;
  for (const auto& pair : pairs) {
    std::string upper = AsciiUpper(pair.Find);
    if (index.emplace(upper, patterns.size()).second) patterns.push_back(std::move(upper));
  }
  return patterns;
}

// Finds needle in haystack from position from; npos when absent.
std::size_t FindFrom(std::string_view haystack, std::string_view needle, std::size_t from) {
  if (from >= haystack.size() || needle.size() > haystack.size() - from) return std::string::npos;
  const void* hit =
      ::memmem(haystack.data() + from, haystack.size() - from, needle.data(), needle.size());
  return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - haystack.data())
             : std::string::npos;
}

// Turns CR LF and lone CR into LF, in place, and ends the last line with a break, so that every
// line keeps its place when a replacement empties it.
void UnifyLineBreaks(std::string& text) {
  if (!text.empty() && text.back() != '\n') text += '\n';
  if (text.find('\r') == std::string::npos) return;
  std::size_t out = 0;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    char c = text[i];
    if (c == '\r') {
      if (i + 1 < n && text[i + 1] == '\n') ++i;
      c = '\n';
    }
    text[out++] = c;
  }
  text.resize(out);
}

std::string CanonicalKey(const std::string& path) {
  std::error_code ec;
  auto canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
  return ec ? path : canonical.string();
}

std::string FileExtensionUpper(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return AsciiUpper(std::string_view(path).substr(dot));
}

}  // namespace

std::int32_t ReplacePair(std::vector<std::string>& lines, std::string_view upperFind,
                         std::string_view replacement) {
  std::int32_t count = 0;
  if (upperFind.empty()) return 0;
  for (auto& line : lines) {
    std::string rest = line;
    std::string restUpper = AsciiUpper(line);
    std::string result;
    for (;;) {
      const std::size_t at = restUpper.find(upperFind);
      if (at == std::string::npos) break;
      ++count;
      result += rest.substr(0, at);
      result += replacement;
      rest.erase(0, at + upperFind.size());
      restUpper.erase(0, at + upperFind.size());
    }
    line = result + rest;
  }
  return count;
}

std::string BackupNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return path + ".BAK";
  }
  return path.substr(0, dot) + ".BAK";
}

TSourceConverter::TSourceConverter(std::vector<TPair> pairs, TConvertOptions options)
    : Matcher(UniqueUpperFinds(pairs)), Options(options) {
  const std::vector<std::string> patterns = UniqueUpperFinds(pairs);
  std::unordered_map<std::string_view, std::size_t> index;
  for (std::size_t p = 0; p < patterns.size(); ++p) index.emplace(patterns[p], p);
  Pairs.reserve(pairs.size());
  for (auto& pair : pairs) {
    TPreparedPair prepared;
    prepared.UpperFind = AsciiUpper(pair.Find);
    prepared.UpperReplace = AsciiUpper(pair.Replace);
    prepared.Replace = std::move(pair.Replace);
    prepared.Pattern = index.at(prepared.UpperFind);
    Pairs.push_back(std::move(prepared));
  }
}

void TSourceConverter::LoadProjectFile(const std::string& path, std::string& text) {
  ReadFileInto(path, text);
  // A form file whose first byte is 0xFF is a binary form resource; any other form file is read
  // as text ("object"/"inherited"/"inline" forms, and anything else too, so that no file is
  // skipped silently).
  if (!text.empty() && static_cast<unsigned char>(text[0]) == 0xFF &&
      FileExtensionUpper(path) == ".DFM") {
    TByteView input(text);
    TMemoryStream output;
    FormResourceToText(input, output);
    text = output.TakeBytes();
  }
}

std::int32_t TSourceConverter::ApplyPair(const TPreparedPair& pair, std::string& text,
                                         std::string& upper, std::vector<std::uint8_t>& seen) {
  const std::string_view find = pair.UpperFind;
  std::size_t at = FindFrom(upper, find, 0);
  if (at == std::string::npos) return 0;

  std::int32_t count = 0;
  Scratch.clear();
  ScratchUpper.clear();
  // Where the inserted replacements stand in the new text; new occurrences of later find texts
  // can only appear around them.
  std::vector<std::size_t> inserted;
  std::size_t from = 0;
  while (at != std::string::npos) {
    ++count;
    Scratch.append(text, from, at - from);
    ScratchUpper.append(upper, from, at - from);
    inserted.push_back(Scratch.size());
    Scratch += pair.Replace;
    ScratchUpper += pair.UpperReplace;
    from = at + find.size();
    at = FindFrom(upper, find, from);
  }
  Scratch.append(text, from, std::string::npos);
  ScratchUpper.append(upper, from, std::string::npos);
  text.swap(Scratch);
  upper.swap(ScratchUpper);

  // Look for find texts that the replacements may have created: any new occurrence overlaps an
  // inserted replacement or spans the place where one was (an empty replacement), so it lies in
  // a window of the longest find length around it.
  const std::size_t reach = Matcher.LongestPattern() > 0 ? Matcher.LongestPattern() - 1 : 0;
  const std::size_t length = pair.Replace.size();
  std::size_t windowStart = 0;
  std::size_t windowEnd = 0;
  bool open = false;
  for (const std::size_t start : inserted) {
    const std::size_t lo = start > reach ? start - reach : 0;
    const std::size_t hi = std::min(upper.size(), start + length + reach);
    if (open && lo <= windowEnd) {
      windowEnd = std::max(windowEnd, hi);
      continue;
    }
    if (open)
      Matcher.Scan(std::string_view(upper).substr(windowStart, windowEnd - windowStart), seen);
    windowStart = lo;
    windowEnd = hi;
    open = true;
  }
  if (open)
    Matcher.Scan(std::string_view(upper).substr(windowStart, windowEnd - windowStart), seen);
  return count;
}

std::int32_t TSourceConverter::ApplyPairs(std::string& text) {
  std::vector<std::uint8_t> seen(Matcher.PatternCount(), 0);
  if (Matcher.Scan(text, seen) == 0) return 0;
  // Every line gets a lone LF as its break first: emptying a line between a CR and an LF must
  // not fuse two breaks into one CR LF, nor emptying the last line drop it.
  UnifyLineBreaks(text);
  Upper.assign(text);
  for (char& c : Upper) c = AsciiUpper(c);
  std::int32_t count = 0;
  for (const auto& pair : Pairs) {
    if (pair.UpperFind.empty() || !seen[pair.Pattern]) continue;
    count += ApplyPair(pair, text, Upper, seen);
  }
  return count;
}

std::string TSourceConverter::ClaimBackupName(const std::string& path) {
  std::string candidate = BackupNameOf(path);
  for (int n = 1; BackupsMade.count(CanonicalKey(candidate)) > 0; ++n) {
    candidate = n == 1 ? path + ".BAK" : path + "." + std::to_string(n) + ".BAK";
  }
  BackupsMade.insert(CanonicalKey(candidate));
  return candidate;
}

std::int32_t TSourceConverter::ConvertFile(const std::string& path, std::int64_t& microseconds) {
  std::string& text = FileLines.Text;
  LoadProjectFile(path, text);

  FastTimer.Start();
  const std::int32_t count = ApplyPairs(text);
  FastTimer.Stop();
  microseconds = FastTimer.ElapsedMicroseconds();

  if (count > 0 && !Options.DryRun) {
    // The old file survives under the backup name, so the new text need not be flushed to the
    // disk before it takes the file's place.
    WriteFileSafely(path, NormalizeLineBreaks(text), ClaimBackupName(path), false);
  }
  return count;
}

}  // namespace kv
