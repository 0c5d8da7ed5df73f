// The replacement engine: converts one Pascal project file by applying every find/replace pair
// of the conversion table in table order, counting and timing the replacements, keeping a .BAK
// copy of a changed file and writing the new text in its place. Binary form files are turned into
// their text form first.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "migrate/ConversionTable.h"
#include "migrate/PairMatcher.h"

namespace kv {

// Applies one pair to every line: each occurrence of upperFind in the upper-cased line (ASCII
// letters only) is replaced, left to right, without overlaps, resuming right after the match, so
// inserted text is never scanned again by the same pair. An empty find text never occurs.
// Returns the number of replacements. This is the plain line-by-line form of a pass; the engine
// below gives the same results on a whole file at once.
std::int32_t ReplacePair(std::vector<std::string>& lines, std::string_view upperFind,
                         std::string_view replacement);

// The backup name of a changed file: the path with the extension of its file name (from the last
// ".") replaced by ".BAK", or ".BAK" appended when the name has none.
std::string BackupNameOf(const std::string& path);

struct TConvertOptions {
  // Count and time the replacements but write nothing.
  bool DryRun = false;
};

// Converts project files with one table. It prepares the pairs once (upper-cased find texts, the
// matcher that tells which of them occur in a file) and remembers the backups it made, so that two
// files of one run never back up to the same name: the second one keeps its extension and gets
// ".BAK" appended (Unit1.dfm.BAK beside Unit1.BAK). A backup left by an earlier run is replaced.
class TSourceConverter {
 public:
  explicit TSourceConverter(std::vector<TPair> pairs, TConvertOptions options = {});

  // Converts the file at path; returns the replacement count and sets microseconds to the time of
  // the replacement passes alone. Errors (a file that cannot be read, an invalid binary form, a
  // failed write) raise an exception; the file is then as it was.
  std::int32_t ConvertFile(const std::string& path, std::int64_t& microseconds);

  // Applies every pair to text in table order and returns the replacement count. When anything
  // may match, every line break of text becomes a lone LF (the lines stay the same lines).
  std::int32_t ApplyPairs(std::string& text);

  // Reads a project file as the text the pairs work on: a .dfm holding a binary form becomes its
  // text form; anything else is taken as it is.
  static void LoadProjectFile(const std::string& path, std::string& text);

 private:
  struct TPreparedPair {
    std::string UpperFind;
    std::string Replace;
    std::string UpperReplace;
    std::size_t Pattern;  // index of UpperFind among the matcher's patterns
  };

  std::int32_t ApplyPair(const TPreparedPair& pair, std::string& text, std::string& upper,
                         std::vector<std::uint8_t>& seen);
  std::string ClaimBackupName(const std::string& path);

  std::vector<TPreparedPair> Pairs;
  TPairMatcher Matcher;
  TConvertOptions Options;
  std::set<std::string> BackupsMade;  // canonical paths of this run's backups
  // Work buffers kept between files.
  std::string Upper;
  std::string Scratch;
  std::string ScratchUpper;
};

}  // namespace kv
