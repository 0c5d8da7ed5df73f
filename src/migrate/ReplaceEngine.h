// The replacement engine: converts one Pascal project file by applying every find/replace pair
// of the conversion table in table order, counting and timing the replacements, keeping a .BAK
// copy of a changed file and writing the new text in its place. Binary form files are turned into
// their text form first.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Files.h"
#include "base/TextLines.h"
#include "migrate/ConversionTable.h"
#include "migrate/PairMatcher.h"

namespace kv {

// Applies one pair to every line: each occurrence of upperFind in the upper-cased line (ASCII
// letters only) is replaced, left to right, without overlaps, resuming right after the match, so
// inserted text is never scanned again by the same pair. An empty find text never occurs.
// Returns the number of replacements. This is the plain line-by-line form of a pass; the engine
// below gives the same results on a whole file at once.
std::int64_t ReplacePair(std::vector<std::string>& lines, std::string_view upperFind,
                         std::string_view replacement);

// The backup name of a changed file: the path with the extension of its file name (from the last
// ".") replaced by ".BAK", or ".BAK" appended when the name has none.
std::string BackupNameOf(const std::string& path);

struct TConvertOptions {
  // Count and time the replacements but write nothing.
  bool DryRun = false;
  // Threads that read and convert files side by side in ConvertFiles (0: one per processor).
  unsigned Threads = 0;
  // ConvertFiles converts a file named more than once in its list (by any path) only at its first
  // listing; the later listings are left out, with no result.
  bool ConvertRepeatsOnce = false;
  // Each file that changes gets its old and its new text in its result (to show what changes);
  // this costs a copy of every file read, so it is off unless asked for.
  bool KeepTexts = false;
  // The code page of the files' text. A double-byte one (932, 936, 949, 950) makes matching
  // respect its characters: a match begins and ends on a character boundary, counted from the
  // start of its line, and the second byte of a character is compared exactly, never as a
  // letter. Any other code page (0 included) matches bytes, as the line-by-line passes do.
  int CodePage = 0;
  // When set, every file is announced in this journal before it is replaced (see Journal.h); the
  // journal must outlive the converter.
  class TRunJournal* Journal = nullptr;
  // Every new file, and the folder it is named in, is flushed to the disk before the journal
  // says it is in place, so that after a power loss no file is found empty and the journal
  // names every file that was replaced. Without it the old content is kept safe all the same
  // (the backup holds it), but a file replaced shortly before a power loss may come back empty.
  bool Durable = false;
};

// The pairs of a table prepared for matching: upper-cased find texts, the matcher over them and,
// for each distinct find text, its pairs in table order. Immutable once built, so that threads
// can share it. codePage: see TConvertOptions::CodePage.
class TPreparedPairs {
 public:
  explicit TPreparedPairs(std::vector<TPair> pairs, int codePage = 0);
  // Rebuilds the matcher to search texts like samples fastest (see TPairMatcher). Not while an
  // applier of these pairs is at work; each adapts to the new matcher at its next text. When it
  // fails, the matcher is left as it was.
  void TuneMatcher(const std::vector<std::string_view>& samples);

 private:
  friend class TPairApplier;
  struct TFeed {
    std::uint32_t Pattern;
    std::int32_t Offset;
    // A byte of the pattern that lies outside the replacement (when one does), where it lies:
    // tested first, since it rules out nearly every place.
    std::int32_t ProbeOffset;
    char ProbeByte;
  };
  struct TPreparedPair {
    std::string UpperFind;
    std::string Replace;
    std::string UpperReplace;
    // For a double-byte code page: the find text as written, whose second bytes of characters
    // must be met exactly, and whether the replacement's last character is a lead byte on its
    // own, which takes the byte after the replacement as its second byte.
    std::string Find;
    bool ReplaceEndsInLeadByte = false;
    // The byte of UpperFind least likely to occur in code, which a search looks for first.
    std::size_t RareOffset = 0;
    // The longest find text of the pairs after this one: how far a find text that appears
    // through this pair's replacement can reach beyond it (0: none can matter).
    std::size_t LongestLater = 0;
    // Where a find text of a later pair can appear through this pair's replacement: every place
    // (a pattern, and where it would begin, counted from the replacement's first byte) at which
    // it agrees with the replacement and covers a byte that the replacement changed. Each place
    // is checked after the pair has replaced; when there are too many of them, FeedsByScan is
    // set and the stretches around the replacements are searched instead.
    std::vector<TFeed> Feeds;
    bool FeedsByScan = false;
    // The matcher's index of UpperFind.
    std::uint32_t Pattern = 0;
  };
  // Works out Feeds and FeedsByScan for every pair.
  void FindFeeds();
  std::vector<TPreparedPair> Pairs;
  // The lead bytes of a double-byte code page; nullptr: matching by bytes.
  const std::array<bool, 256>* LeadBytes = nullptr;
  TPairMatcher Matcher;
  // Each pattern's pairs, in table order: pattern p's are
  // PatternPairs[PatternPairsBegin[p], PatternPairsBegin[p + 1]).
  std::vector<std::uint32_t> PatternPairs;
  std::vector<std::uint32_t> PatternPairsBegin;
};

// Applies prepared pairs to texts. It keeps its work buffers from one text to the next, so one
// applier serves one thread.
class TPairApplier {
 public:
  explicit TPairApplier(const TPreparedPairs& pairs);

  // Applies every pair to text in table order and returns the replacement count. When the count
  // is above 0, text becomes the new file text as it is written: every line followed by CR LF.
  // Otherwise text is left as it was.
  std::int64_t ApplyPairs(std::string& text);
  // Gives the memory of the work buffers back (after a file too large to be held).
  void Release();
  // After ApplyPairs returned a count above 0: the text as it was before, until the next call.
  const std::string& TextBefore() const { return Output; }
  // The room a text of size bytes takes once rewritten: its breaks made CR LF, and some growth.
  static std::size_t RoomFor(std::size_t size) { return size + size / 8 + 64; }
  // Makes room for texts of size bytes without moving the work buffers.
  void Reserve(std::size_t size) { Output.reserve(RoomFor(size)); }

 private:
  // Applies the pending pairs to one line; leaves the result in Line.
  std::int64_t ApplyPairsToLine(std::string_view line);
  // Queues the pairs of a pattern newly found in the line, those after afterPair in table order
  // (all of them for UINT32_MAX).
  void NotePattern(std::size_t pattern, std::uint32_t afterPair);
  // Double-byte code pages: from candidate at (a match of the upper-cased bytes in Line, or
  // npos) on, the first match of the pair in Line that covers whole characters. boundary is a
  // character boundary at or before the candidate, and moves on with the search.
  std::size_t WholeCharacterMatch(const TPreparedPairs::TPreparedPair& pair, std::size_t at,
                                  std::size_t& boundary) const;

  const TPreparedPairs& Table;
  std::string Output;
  std::string Line, Scratch;
  TPairMatcher::TSeen Seen;  // the patterns found in the line so far
  // Where the pass over the text found each pattern of Seen first, counted from its line's start.
  std::vector<std::size_t> FirstAt;
  std::vector<std::uint32_t> Pending;  // pairs still to apply to the line, in table order
  // The stretches of the line around the last pair's replacements, where later find texts may
  // have appeared.
  std::vector<std::pair<std::size_t, std::size_t>> Windows;
  // Where the last pair's replacements begin in the line.
  std::vector<std::size_t> Replaced;
};

// What converting one file gave.
struct TFileResult {
  std::int64_t Replacements = 0;
  std::int64_t Microseconds = 0;
  std::exception_ptr Error;  // set when the file failed; the file is then as it was
  // With TConvertOptions::KeepTexts, for a file that changes: the text the pairs worked on (for a
  // binary form its text form, and BinaryForm set) and the new text as it is written.
  std::string OldText;
  std::string NewText;
  bool BinaryForm = false;
  // With a journal, the hashes of a changed file's bytes before and after.
  std::uint64_t OriginalHash = 0;
  std::uint64_t NewHash = 0;
};

// The backup names of a changed file, in the order they are tried: the name with its extension
// replaced by ".BAK" (Unit1.BAK), then the full name with ".BAK" appended (Unit1.pas.BAK), then
// with a number before it (Unit1.pas.2.BAK, Unit1.pas.3.BAK, ...).
std::string BackupCandidate(const std::string& path, unsigned attempt);

// Converts project files with one table. A changed file's old content is kept under the first
// backup name (see BackupCandidate) at which no file exists yet, so a backup never replaces a
// file: neither the backup of another file of the same run (a unit's .pas and .dfm share
// Unit1.BAK) nor one left by an earlier run, which may hold the only copy of an original.
// A read-only file (no write permission for anyone) that would change is refused.
class TSourceConverter {
 public:
  explicit TSourceConverter(std::vector<TPair> pairs, TConvertOptions options = {});

  // Converts the file at path; returns the replacement count and sets microseconds to the time of
  // the replacement passes alone. Errors (a file that cannot be read, an invalid binary form, a
  // read-only file that would change, a failed write) raise an exception; the file is then as it
  // was.
  std::int64_t ConvertFile(const std::string& path, std::int64_t& microseconds);

  // Converts the files in list order, with the same results as ConvertFile on each in turn, and
  // calls onResult(index, result) for each, in list order. Files are read and converted on
  // several threads side by side; every write happens on the calling thread, in list order, so
  // backups are named as in a sequential run. A file listed twice is read again only after its
  // first conversion was written. onResult returning false ends the run: no later file is written.
  // An exception from onResult (or a thread that cannot be started) ends the run the same way,
  // once every thread has finished, and reaches the caller.
  void ConvertFiles(const std::vector<std::string>& paths,
                    const std::function<bool(std::size_t, const TFileResult&)>& onResult);

  // Applies every pair to text (see TPairApplier::ApplyPairs).
  std::int64_t ApplyPairs(std::string& text) { return Applier.ApplyPairs(text); }

  // Reads a project file as the text the pairs work on: a .dfm holding a binary form becomes its
  // text form; anything else is taken as it is. Only a regular file is read: a link, pipe,
  // device or socket is refused with an error saying what it is. status receives what the file
  // was when it was read; binaryForm whether it was a binary form. With binaryHash, a binary
  // form's own bytes are hashed into it (before they become text); it is left empty for any other
  // file. codePage: that of the form's texts (see TConvertOptions::CodePage).
  static void LoadProjectFile(const std::string& path, std::string& text, int codePage,
                              TFileStatus* status = nullptr, bool* binaryForm = nullptr,
                              std::optional<std::uint64_t>* binaryHash = nullptr);

 private:
  // Reads a file and applies the pairs, timing the passes into result; when the file changes
  // (and this is no dry run) the new text is written beside it, ready to be committed.
  std::unique_ptr<TFileReplacement> ConvertText(const std::string& path, TPairApplier& applier,
                                                std::string& text, TFileResult& result) const;
  // Tunes the matcher on a sample of the files of a long run.
  void TuneFor(const std::vector<std::string>& paths);
  // Puts a changed file's new text in place, keeping the old one under a fresh backup name, and
  // notes each step in the journal when there is one.
  void Commit(const std::string& path, TFileReplacement& replacement, const TFileResult& result);
  // Durable runs: flushes the folders of the files committed since the last flush, then notes
  // them done in the journal and flushes it.
  void FlushCommitted();

  TPreparedPairs Pairs;
  TPairApplier Applier;
  TConvertOptions Options;
  // The file being converted on the calling thread.
  TFileLines FileLines;
  // Durable runs: the journal entries and folders of files committed but not yet flushed.
  std::vector<std::size_t> UnflushedEntries;
  std::vector<std::string> UnflushedFolders;
};

}  // namespace kv
