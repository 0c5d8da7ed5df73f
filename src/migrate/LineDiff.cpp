// The line diff. Lines are numbered by their text; lines that occur in one text only can never
// be kept, so they are marked as changed at once and left out of the search (a file whose every
// line changed costs no search at all). The rest is diffed with the linear-space form of the
// O(ND) difference algorithm: the middle snake of each part is searched from both ends, and the
// part split there. A search that grows costly (too many edit steps, or the work limit of the
// whole diff reached) splits at the furthest point it reached instead; the result is then a
// correct diff that may not be the shortest. Once the work limit is spent, parts not yet compared
// are shown as replaced whole.
#include "migrate/LineDiff.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace kv {

std::vector<TTextLine> SplitTextLines(std::string_view text) {
  std::vector<TTextLine> lines;
  std::size_t start = 0;
  const std::size_t n = text.size();
  while (start < n) {
    std::size_t end = start;
    while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
    TTextLine line{text.substr(start, end - start), TLineEnd::None};
    if (end < n) {
      if (text[end] == '\n') {
        line.End = TLineEnd::Lf;
        ++end;
      } else if (end + 1 < n && text[end + 1] == '\n') {
        line.End = TLineEnd::CrLf;
        end += 2;
      } else {
        line.End = TLineEnd::Cr;
        ++end;
      }
    }
    lines.push_back(line);
    start = end;
  }
  return lines;
}

namespace {

using TIndex = std::ptrdiff_t;

// The search over two sequences of line numbers; marks the lines that are not kept.
class TMyers {
 public:
  TMyers(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
         std::vector<char>& changedA, std::vector<char>& changedB, std::size_t workLimit)
      : A(a), B(b), ChangedA(changedA), ChangedB(changedB) {
    const std::size_t size = a.size() + b.size() + 3;
    Forward.assign(size, 0);
    Backward.assign(size, 0);
    Offset = static_cast<TIndex>(b.size()) + 1;
    const double diagonals = static_cast<double>(a.size() + b.size() + 3);
    MaxCost = std::max<TIndex>(256, static_cast<TIndex>(std::sqrt(diagonals)));
    Budget = workLimit + 8 * (a.size() + b.size());
  }

  void Run() {
    struct TPart {
      TIndex Off1, Lim1, Off2, Lim2;
    };
    std::vector<TPart> stack{{0, static_cast<TIndex>(A.size()), 0, static_cast<TIndex>(B.size())}};
    while (!stack.empty()) {
      TPart p = stack.back();
      stack.pop_back();
      // Lines alike at both ends of the part are kept (and counted as work: parts nest).
      const TIndex size = (p.Lim1 - p.Off1) + (p.Lim2 - p.Off2);
      while (p.Off1 < p.Lim1 && p.Off2 < p.Lim2 && A[p.Off1] == B[p.Off2]) ++p.Off1, ++p.Off2;
      while (p.Off1 < p.Lim1 && p.Off2 < p.Lim2 && A[p.Lim1 - 1] == B[p.Lim2 - 1]) {
        --p.Lim1, --p.Lim2;
      }
      Work += static_cast<std::size_t>(size - (p.Lim1 - p.Off1) - (p.Lim2 - p.Off2));
      if (p.Off1 == p.Lim1 || p.Off2 == p.Lim2 || Work > Budget) {
        for (TIndex i = p.Off1; i < p.Lim1; ++i) ChangedA[i] = 1;
        for (TIndex j = p.Off2; j < p.Lim2; ++j) ChangedB[j] = 1;
        continue;
      }
      TIndex x = 0, y = 0;
      Split(p.Off1, p.Lim1, p.Off2, p.Lim2, x, y);
      if ((x == p.Off1 && y == p.Off2) || (x == p.Lim1 && y == p.Lim2)) {
        // No progress (cannot happen with a sound split): the part is replaced whole.
        Work = Budget + 1;
        stack.push_back(p);
        continue;
      }
      stack.push_back({x, p.Lim1, y, p.Lim2});
      stack.push_back({p.Off1, x, p.Off2, y});
    }
  }

 private:
  TIndex& F(TIndex d) { return Forward[static_cast<std::size_t>(d + Offset)]; }
  TIndex& Bk(TIndex d) { return Backward[static_cast<std::size_t>(d + Offset)]; }

  // Finds where to split A[off1, lim1) against B[off2, lim2), both non-empty and differing in
  // their first and in their last line: a point (x, y) on a shortest edit path, or past the cost
  // limit the furthest point reached from either end. The point is never both corners.
  void Split(TIndex off1, TIndex lim1, TIndex off2, TIndex lim2, TIndex& x, TIndex& y) {
    const TIndex dmin = off1 - lim2, dmax = lim1 - off2;
    const TIndex fmid = off1 - off2, bmid = lim1 - lim2;
    const bool odd = ((fmid - bmid) & 1) != 0;
    TIndex fmin = fmid, fmax = fmid, bmin = bmid, bmax = bmid;
    F(fmid) = off1;
    Bk(bmid) = lim1;
    constexpr TIndex Far = PTRDIFF_MAX;
    for (TIndex ec = 1;; ++ec) {
      // One more edit step from the start.
      if (fmin > dmin) {
        F(--fmin - 1) = -1;
      } else {
        ++fmin;
      }
      if (fmax < dmax) {
        F(++fmax + 1) = -1;
      } else {
        --fmax;
      }
      for (TIndex d = fmax; d >= fmin; d -= 2) {
        TIndex i1 = F(d - 1) >= F(d + 1) ? F(d - 1) + 1 : F(d + 1);
        TIndex i2 = i1 - d;
        const TIndex from = i1;
        while (i1 < lim1 && i2 < lim2 && A[i1] == B[i2]) ++i1, ++i2;
        Work += 1 + static_cast<std::size_t>(i1 - from);
        F(d) = i1;
        if (odd && bmin <= d && d <= bmax && Bk(d) <= i1) {
          x = i1, y = i2;
          return;
        }
      }
      // One more edit step from the end.
      if (bmin > dmin) {
        Bk(--bmin - 1) = Far;
      } else {
        ++bmin;
      }
      if (bmax < dmax) {
        Bk(++bmax + 1) = Far;
      } else {
        --bmax;
      }
      for (TIndex d = bmax; d >= bmin; d -= 2) {
        TIndex i1 = Bk(d - 1) < Bk(d + 1) ? Bk(d - 1) : Bk(d + 1) - 1;
        TIndex i2 = i1 - d;
        const TIndex from = i1;
        while (i1 > off1 && i2 > off2 && A[i1 - 1] == B[i2 - 1]) --i1, --i2;
        Work += 1 + static_cast<std::size_t>(from - i1);
        Bk(d) = i1;
        if (!odd && fmin <= d && d <= fmax && i1 <= F(d)) {
          x = i1, y = i2;
          return;
        }
      }
      if (ec < MaxCost && Work <= Budget) continue;
      // Too costly: split at the point that got furthest, from the start or from the end.
      TIndex fbest = -1, fbest1 = off1;
      for (TIndex d = fmax; d >= fmin; d -= 2) {
        TIndex i1 = std::min(F(d), lim1);
        TIndex i2 = i1 - d;
        if (lim2 < i2) i1 = lim2 + d, i2 = lim2;
        if (fbest < i1 + i2) fbest = i1 + i2, fbest1 = i1;
      }
      TIndex bbest = Far, bbest1 = lim1;
      for (TIndex d = bmax; d >= bmin; d -= 2) {
        TIndex i1 = std::max(off1, Bk(d));
        TIndex i2 = i1 - d;
        if (i2 < off2) i1 = off2 + d, i2 = off2;
        if (i1 + i2 < bbest) bbest = i1 + i2, bbest1 = i1;
      }
      if ((lim1 + lim2) - bbest < fbest - (off1 + off2)) {
        x = fbest1, y = fbest - fbest1;
      } else {
        x = bbest1, y = bbest - bbest1;
      }
      return;
    }
  }

  const std::vector<std::uint32_t>& A;
  const std::vector<std::uint32_t>& B;
  std::vector<char>& ChangedA;
  std::vector<char>& ChangedB;
  std::vector<TIndex> Forward, Backward;
  TIndex Offset = 0;
  TIndex MaxCost = 0;
  std::size_t Work = 0;
  std::size_t Budget = 0;
};

// Marks in changedA/changedB the lines that a shortest edit script (within the cost limits)
// removes or adds.
void MarkChanges(const std::vector<TTextLine>& oldLines, const std::vector<TTextLine>& newLines,
                 std::vector<char>& changedA, std::vector<char>& changedB, std::size_t workLimit) {
  // The lines alike at the start and at the end are kept; only the rest is numbered and searched,
  // so that a large file with a few changes close together costs little more than a comparison.
  std::size_t head = 0;
  while (head < oldLines.size() && head < newLines.size() &&
         oldLines[head].Text == newLines[head].Text) {
    ++head;
  }
  std::size_t tail = 0;
  while (tail < oldLines.size() - head && tail < newLines.size() - head &&
         oldLines[oldLines.size() - 1 - tail].Text == newLines[newLines.size() - 1 - tail].Text) {
    ++tail;
  }
  const std::size_t n = oldLines.size() - head - tail, m = newLines.size() - head - tail;
  std::unordered_map<std::string_view, std::uint32_t> numbers;
  numbers.reserve(n + m);
  std::vector<std::uint32_t> a(n), b(m);
  for (std::size_t i = 0; i < n; ++i) {
    a[i] = numbers.try_emplace(oldLines[head + i].Text, static_cast<std::uint32_t>(numbers.size()))
               .first->second;
  }
  for (std::size_t j = 0; j < m; ++j) {
    b[j] = numbers.try_emplace(newLines[head + j].Text, static_cast<std::uint32_t>(numbers.size()))
               .first->second;
  }
  // Lines whose text the other side lacks are changed whatever the rest; the search runs on
  // the others.
  std::vector<char> inA(numbers.size(), 0), inB(numbers.size(), 0);
  for (const auto k : a) inA[k] = 1;
  for (const auto k : b) inB[k] = 1;
  std::vector<std::uint32_t> ra, rb;
  std::vector<std::size_t> whereA, whereB;
  for (std::size_t i = 0; i < n; ++i) {
    if (inB[a[i]]) {
      ra.push_back(a[i]);
      whereA.push_back(head + i);
    } else {
      changedA[head + i] = 1;
    }
  }
  for (std::size_t j = 0; j < m; ++j) {
    if (inA[b[j]]) {
      rb.push_back(b[j]);
      whereB.push_back(head + j);
    } else {
      changedB[head + j] = 1;
    }
  }
  std::vector<char> reducedA(ra.size(), 0), reducedB(rb.size(), 0);
  TMyers(ra, rb, reducedA, reducedB, workLimit).Run();
  for (std::size_t k = 0; k < ra.size(); ++k) {
    if (reducedA[k]) changedA[whereA[k]] = 1;
  }
  for (std::size_t k = 0; k < rb.size(); ++k) {
    if (reducedB[k]) changedB[whereB[k]] = 1;
  }
}

}  // namespace

TTextDiff DiffLines(const std::vector<TTextLine>& oldLines, const std::vector<TTextLine>& newLines,
                    std::size_t context, std::size_t workLimit) {
  const std::size_t n = oldLines.size(), m = newLines.size();
  std::vector<char> changedA(n, 0), changedB(m, 0);
  MarkChanges(oldLines, newLines, changedA, changedB, workLimit);

  // The runs of changed lines, and the line ends of the kept lines.
  struct TBlock {
    std::size_t I0, I1, J0, J1;
  };
  std::vector<TBlock> blocks;
  TTextDiff diff;
  for (std::size_t i = 0, j = 0; i < n || j < m;) {
    if ((i < n && changedA[i]) || (j < m && changedB[j])) {
      TBlock block{i, i, j, j};
      while (i < n && changedA[i]) ++i;
      while (j < m && changedB[j]) ++j;
      block.I1 = i, block.J1 = j;
      blocks.push_back(block);
      continue;
    }
    if (i >= n || j >= m) break;  // cannot happen: kept lines pair up
    if (oldLines[i].End != newLines[j].End) {
      ++diff.LineEndChanges;
      diff.OldEnds |= 1u << static_cast<unsigned>(oldLines[i].End);
      diff.NewEnds |= 1u << static_cast<unsigned>(newLines[j].End);
    }
    ++i, ++j;
  }

  // Changes closer than twice the context share a hunk.
  for (std::size_t first = 0; first < blocks.size();) {
    std::size_t last = first;
    while (last + 1 < blocks.size() && blocks[last + 1].I0 - blocks[last].I1 <= 2 * context) {
      ++last;
    }
    const TBlock& f = blocks[first];
    const TBlock& l = blocks[last];
    const std::size_t lead = std::min(context, f.I0);
    const std::size_t trail = std::min(context, n - l.I1);
    TDiffHunk hunk;
    hunk.OldFrom = f.I0 - lead;
    hunk.NewFrom = f.J0 - lead;
    hunk.OldCount = l.I1 + trail - hunk.OldFrom;
    hunk.NewCount = l.J1 + trail - hunk.NewFrom;
    auto addContext = [&](std::size_t from, std::size_t to) {
      for (std::size_t i = from; i < to; ++i) {
        hunk.Lines.push_back({TDiffLineKind::Context, oldLines[i].Text, oldLines[i].End});
      }
    };
    addContext(hunk.OldFrom, f.I0);
    for (std::size_t k = first; k <= last; ++k) {
      const TBlock& b = blocks[k];
      for (std::size_t i = b.I0; i < b.I1; ++i) {
        hunk.Lines.push_back({TDiffLineKind::Removed, oldLines[i].Text, oldLines[i].End});
      }
      for (std::size_t j = b.J0; j < b.J1; ++j) {
        hunk.Lines.push_back({TDiffLineKind::Added, newLines[j].Text, newLines[j].End});
      }
      addContext(b.I1, k < last ? blocks[k + 1].I0 : l.I1 + trail);
    }
    diff.Hunks.push_back(std::move(hunk));
    first = last + 1;
  }
  return diff;
}

TTextDiff DiffTexts(std::string_view oldText, std::string_view newText, std::size_t context,
                    std::size_t workLimit) {
  return DiffLines(SplitTextLines(oldText), SplitTextLines(newText), context, workLimit);
}

namespace {

std::string EndKinds(unsigned bits) {
  static const char* const names[] = {"no line end", "LF", "CR", "CR LF"};
  static const TLineEnd order[] = {TLineEnd::Lf, TLineEnd::Cr, TLineEnd::CrLf, TLineEnd::None};
  std::string text;
  for (const TLineEnd end : order) {
    const unsigned bit = 1u << static_cast<unsigned>(end);
    if ((bits & bit) == 0) continue;
    if (!text.empty()) text += " and ";
    text += names[static_cast<unsigned>(end)];
  }
  return text;
}

std::string RangeText(std::size_t from, std::size_t count) {
  if (count == 1) return std::to_string(from + 1);
  if (count == 0) return std::to_string(from) + ",0";
  return std::to_string(from + 1) + "," + std::to_string(count);
}

void AppendStyled(std::string& out, std::string_view before, std::string_view text,
                  std::string_view reset) {
  out += before;
  out += text;
  if (!before.empty()) out += reset;
  out += '\n';
}

}  // namespace

std::string LineEndNote(const TTextDiff& diff) {
  if (diff.LineEndChanges == 0) return {};
  const std::string count = std::to_string(diff.LineEndChanges);
  const char* const lines = diff.LineEndChanges == 1 ? " line" : " lines";
  const std::string change = EndKinds(diff.OldEnds) + " -> " + EndKinds(diff.NewEnds);
  if (diff.Hunks.empty()) return "Only the line ends change: " + change + " on " + count + lines;
  return "The line ends change too: " + change + " on " + count + " unchanged" + lines;
}

void AppendUnifiedDiff(std::string& out, std::string_view oldName, std::string_view newName,
                       const TTextDiff& diff, const std::vector<std::string>& notes,
                       const TDiffStyle& style) {
  for (const auto& note : notes) AppendStyled(out, style.Header, note, style.Reset);
  AppendStyled(out, style.Header, std::string("--- ").append(oldName), style.Reset);
  AppendStyled(out, style.Header, std::string("+++ ").append(newName), style.Reset);
  for (const auto& hunk : diff.Hunks) {
    AppendStyled(out, style.HunkHeader,
                 "@@ -" + RangeText(hunk.OldFrom, hunk.OldCount) + " +" +
                     RangeText(hunk.NewFrom, hunk.NewCount) + " @@",
                 style.Reset);
    for (const auto& line : hunk.Lines) {
      const std::string_view before = line.Kind == TDiffLineKind::Removed ? style.Removed
                                      : line.Kind == TDiffLineKind::Added ? style.Added
                                                                          : std::string_view();
      out += before;
      out += static_cast<char>(line.Kind);
      if (style.ShowText) {
        out += style.ShowText(line.Text);
      } else {
        out += line.Text;
      }
      if (!before.empty()) out += style.Reset;
      out += '\n';
      if (line.End == TLineEnd::None) out += "\\ No newline at end of file\n";
    }
  }
}

}  // namespace kv
