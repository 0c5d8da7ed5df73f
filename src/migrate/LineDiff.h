// A line diff of two texts (the old and the new text of a file), as hunks with context lines, and
// their unified diff text. Lines are compared without their line ends; how the line ends change is
// counted apart, so that a file whose only change is its line ends says so instead of showing
// every line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// What ends a line: a text splits into lines at CR LF, LF or a lone CR, and only its last line
// may have no end.
enum class TLineEnd : std::uint8_t { None, Lf, Cr, CrLf };

struct TTextLine {
  std::string_view Text;  // without its line end
  TLineEnd End = TLineEnd::None;
};

// The lines of text (views into it). A break at the very end adds no empty line.
std::vector<TTextLine> SplitTextLines(std::string_view text);

enum class TDiffLineKind : char { Context = ' ', Removed = '-', Added = '+' };

struct TDiffLine {
  TDiffLineKind Kind = TDiffLineKind::Context;
  std::string_view Text;  // into the old text (context and removed lines) or the new text
  TLineEnd End = TLineEnd::None;
};

// One hunk: the old lines [OldFrom, OldFrom + OldCount) become the new lines [NewFrom, NewFrom +
// NewCount) (0-based); Lines holds them in unified order: context, removed, added.
struct TDiffHunk {
  std::size_t OldFrom = 0, OldCount = 0;
  std::size_t NewFrom = 0, NewCount = 0;
  std::vector<TDiffLine> Lines;
};

struct TTextDiff {
  std::vector<TDiffHunk> Hunks;
  // Lines kept as they are whose line end changes, and the kinds of line end they have in the old
  // and in the new text (bit 1 << TLineEnd).
  std::size_t LineEndChanges = 0;
  unsigned OldEnds = 0, NewEnds = 0;

  bool Empty() const { return Hunks.empty() && LineEndChanges == 0; }
};

// The cost limit of a diff: beyond this many line comparisons and search steps (on top of a
// part proportional to the texts' size), the parts not yet compared are shown as replaced whole.
inline constexpr std::size_t DiffWorkLimit = std::size_t{1} << 25;

// Diffs oldText against newText with context lines around each change; changes whose context
// would touch or overlap share a hunk. The views in the result point into the two texts. The
// diff is a shortest one as long as the work stays cheap; on costly texts it may show more lines
// as changed than needed, but it never takes more than a bounded time (linear in the texts'
// size plus workLimit) and memory linear in the texts' size.
TTextDiff DiffTexts(std::string_view oldText, std::string_view newText, std::size_t context = 3,
                    std::size_t workLimit = DiffWorkLimit);

// The same on lines already split.
TTextDiff DiffLines(const std::vector<TTextLine>& oldLines, const std::vector<TTextLine>& newLines,
                    std::size_t context = 3, std::size_t workLimit = DiffWorkLimit);

// A sentence about the line ends of a diff ("Only the line ends change: LF -> CR LF on 3 lines"),
// or "" when no kept line's end changes.
std::string LineEndNote(const TTextDiff& diff);

// How a unified diff is decorated: text put before and after header, hunk header, removed and
// added lines (empty: nothing), and a function applied to the lines' text (null: as they are).
struct TDiffStyle {
  std::string_view Header, HunkHeader, Removed, Added, Reset;
  std::string (*ShowText)(std::string_view) = nullptr;
};

// Appends the unified diff of one file to out: the notes (one line each), "--- oldName",
// "+++ newName", then each hunk as "@@ -l,n +l,n @@" (",n" left out when n is 1) and its lines,
// each ending with LF; a line without a line end is followed by "\ No newline at end of file".
void AppendUnifiedDiff(std::string& out, std::string_view oldName, std::string_view newName,
                       const TTextDiff& diff, const std::vector<std::string>& notes = {},
                       const TDiffStyle& style = {});

}  // namespace kv
