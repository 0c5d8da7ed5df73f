// The diff of a project file.
#include "app/gui/DiffPane.h"

#include <QFontDatabase>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <algorithm>
#include <vector>

#include "app/Workbench.h"
#include "app/gui/QtText.h"
#include "migrate/LineDiff.h"

namespace kv::gui {

namespace {

// Writes the diff into a document, one block per line.
class TDiffWriter {
 public:
  TDiffWriter(QTextDocument* document, int codePage) : CodePage(codePage), Cursor(document) {
    Bold.setFontWeight(QFont::Bold);
    HunkHeader.setForeground(QColor(0x55, 0x55, 0x99));
    RemovedPart.setBackground(TDiffPane::RemovedPart);
    AddedPart.setBackground(TDiffPane::AddedPart);
    Cursor.beginEditBlock();
  }
  ~TDiffWriter() { Cursor.endEditBlock(); }

  void Line(const QString& text, const QTextCharFormat& format = {},
            const QColor& background = {}) {
    StartLine(background);
    Cursor.insertText(text, format);
  }
  void Heading(const QString& text) { Line(text, Bold); }

  void Hunk(const TDiffHunk& hunk) {
    const auto range = [](std::size_t from, std::size_t count) {
      // Unified diff numbering: 1-based, and the line before an empty range.
      if (count == 1) return QString::number(from + 1);
      return QStringLiteral("%1,%2").arg(count == 0 ? from : from + 1).arg(count);
    };
    Line(QStringLiteral("@@ -%1 +%2 @@")
             .arg(range(hunk.OldFrom, hunk.OldCount), range(hunk.NewFrom, hunk.NewCount)),
         HunkHeader);
    // Removed lines come before the added lines that take their place: the n-th removed line of
    // such a run is paired with the n-th added one, and the part between their common start and
    // end is the changed part.
    const std::vector<TDiffLine>& lines = hunk.Lines;
    for (std::size_t i = 0; i < lines.size() && Shown < TDiffPane::MaxLines;) {
      if (lines[i].Kind == TDiffLineKind::Context) {
        Line(QLatin1Char(' ') + ShownLine(lines[i].Text, CodePage));
        ++i;
        continue;
      }
      std::size_t removedEnd = i;
      while (removedEnd < lines.size() && lines[removedEnd].Kind == TDiffLineKind::Removed) {
        ++removedEnd;
      }
      std::size_t addedEnd = removedEnd;
      while (addedEnd < lines.size() && lines[addedEnd].Kind == TDiffLineKind::Added) ++addedEnd;
      const std::size_t removed = removedEnd - i, added = addedEnd - removedEnd;
      std::vector<QString> oldTexts, newTexts;
      for (std::size_t k = i; k < removedEnd; ++k) oldTexts.push_back(ShownLine(lines[k].Text, CodePage));
      for (std::size_t k = removedEnd; k < addedEnd; ++k) {
        newTexts.push_back(ShownLine(lines[k].Text, CodePage));
      }
      std::vector<std::pair<int, int>> oldParts(removed, {-1, -1}), newParts(added, {-1, -1});
      for (std::size_t k = 0; k < std::min(removed, added); ++k) {
        ChangedParts(oldTexts[k], newTexts[k], oldParts[k], newParts[k]);
      }
      for (std::size_t k = 0; k < removed; ++k) {
        Changed(QLatin1Char('-'), oldTexts[k], oldParts[k], TDiffPane::RemovedLine, RemovedPart);
      }
      for (std::size_t k = 0; k < added; ++k) {
        Changed(QLatin1Char('+'), newTexts[k], newParts[k], TDiffPane::AddedLine, AddedPart);
      }
      i = addedEnd;
    }
  }

  // Counts the diff lines written; past the limit nothing more is shown.
  int Shown = 0;

 private:
  void StartLine(const QColor& background) {
    QTextBlockFormat format;
    if (background.isValid()) format.setBackground(background);
    if (First) {
      Cursor.setBlockFormat(format);
    } else {
      Cursor.insertBlock(format, QTextCharFormat());
    }
    First = false;
    ++Shown;
  }

  // The changed part of two paired lines, each as [from, to) in its line: what lies between the
  // lines' common start and common end (never splitting a surrogate pair).
  static void ChangedParts(const QString& a, const QString& b, std::pair<int, int>& partA,
                           std::pair<int, int>& partB) {
    const qsizetype shorter = std::min(a.size(), b.size());
    qsizetype prefix = 0;
    while (prefix < shorter && a[prefix] == b[prefix]) ++prefix;
    if (prefix > 0 && prefix < shorter && a[prefix - 1].isHighSurrogate()) --prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
      ++suffix;
    }
    if (suffix > 0 && suffix < shorter - prefix && a[a.size() - suffix].isLowSurrogate()) {
      --suffix;
    }
    partA = {static_cast<int>(prefix), static_cast<int>(a.size() - suffix)};
    partB = {static_cast<int>(prefix), static_cast<int>(b.size() - suffix)};
  }

  void Changed(QChar mark, const QString& text, std::pair<int, int> part, const QColor& line,
               const QTextCharFormat& partFormat) {
    StartLine(line);
    const QTextCharFormat plain;
    Cursor.insertText(QString(mark), plain);
    if (part.first < 0 || part.first >= part.second) {
      Cursor.insertText(text, plain);
      return;
    }
    Cursor.insertText(text.left(part.first), plain);
    Cursor.insertText(text.mid(part.first, part.second - part.first), partFormat);
    Cursor.insertText(text.mid(part.second), plain);
  }

  int CodePage;
  QTextCursor Cursor;
  QTextCharFormat Bold, HunkHeader, RemovedPart, AddedPart;
  bool First = true;
};

}  // namespace

QString ShownLine(std::string_view bytes, int codePage) {
  QString text = ToQt(std::string(bytes), codePage);
  for (QChar& c : text) {
    const char16_t code = c.unicode();
    if (code < 0x20 && code != u'\t') c = QChar(static_cast<char16_t>(0x2400 + code));
    if (code == 0x7F) c = QChar(static_cast<char16_t>(0x2421));
  }
  return text;
}

TDiffPane::TDiffPane(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("SourceDiff"));
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setPlaceholderText(QStringLiteral("Select a project file to see what a run changes in it."));
}

void TDiffPane::ShowChanges(const TFileChanges& changes, int codePage) {
  clear();
  if (changes.Path.empty()) return;
  TDiffWriter out(document(), codePage);
  using TKind = TFileChanges::TKind;
  const QString path = PathToQt(changes.Path);
  switch (changes.Kind) {
    case TKind::Preview:
      out.Heading(
          QStringLiteral("What a run with the current table would change in %1:").arg(path));
      break;
    case TKind::Made:
      out.Heading(QStringLiteral("What the last run changed in %1:").arg(path));
      break;
    case TKind::None:
    case TKind::Error:
      out.Heading(path);
      out.Line(MessageToQt(changes.Note, codePage));
      return;
  }
  if (!changes.Note.empty()) out.Line(MessageToQt(changes.Note, codePage));
  if (changes.BinaryForm) {
    out.Line(
        QStringLiteral("Binary form: it is written as its text form; the lines shown are "
                       "those of its text form."));
  }
  const TTextDiff diff = DiffTexts(changes.OldText, changes.NewText);
  if (diff.Empty()) {
    out.Line(QStringLiteral("The text stays the same: the file is written again as it is."));
    return;
  }
  if (const std::string note = LineEndNote(diff); !note.empty()) out.Line(QString::fromStdString(note));
  const int before = out.Shown;
  std::size_t lines = 0;
  for (const TDiffHunk& hunk : diff.Hunks) lines += hunk.Lines.size() + 1;
  for (const TDiffHunk& hunk : diff.Hunks) {
    if (out.Shown >= MaxLines) break;
    out.Hunk(hunk);
  }
  const std::size_t shown = static_cast<std::size_t>(out.Shown - before);
  if (shown < lines) {
    out.Line(QStringLiteral("... %1 more lines of the diff are not shown").arg(lines - shown));
  }
}

void TDiffPane::ShowUndo(const TUndoReport& report, int codePage) {
  clear();
  TDiffWriter out(document(), codePage);
  out.Heading(QStringLiteral("Undo of the source run of %1").arg(QString::fromStdString(report.Started)));
  out.Line(QStringLiteral("Journal: %1").arg(PathToQt(report.JournalPath)));
  out.Line(MessageToQt(report.Summary(), codePage));
  std::size_t shown = 0;
  for (const TUndoResult& r : report.Results) {
    if (out.Shown >= MaxLines) break;
    QString line =
        QString::fromLatin1(UndoStatusWord(r.Status)) + QStringLiteral("  ") + PathToQt(r.Path);
    if (!r.Reason.empty()) line += QStringLiteral(": ") + MessageToQt(r.Reason, codePage);
    out.Line(line, {}, r.Status == TUndoStatus::Refused ? RemovedLine : QColor());
    ++shown;
  }
  if (shown < report.Results.size()) {
    out.Line(QStringLiteral("... %1 more files are not shown").arg(report.Results.size() - shown));
  }
}

}  // namespace kv::gui
