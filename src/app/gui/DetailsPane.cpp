// The details of a report row.
#include "app/gui/DetailsPane.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <vector>

#include "app/gui/QtText.h"
#include "writer/Conversion.h"

namespace kv::gui {

namespace {

// Writes into a document line by line: labels and headings bold, lists indented.
class TDetailsWriter {
 public:
  explicit TDetailsWriter(QTextDocument* document) : Cursor(document) {
    Bold.setFontWeight(QFont::Bold);
  }

  void Field(const QString& label, const QString& value) {
    StartLine();
    Cursor.insertText(label + QStringLiteral(": "), Bold);
    Cursor.insertText(value, Plain);
  }
  void Line(const QString& text) {
    StartLine();
    Cursor.insertText(text, Plain);
  }
  // A heading with the count, then one indented line per text (texts of several lines keep
  // their lines).
  void List(const QString& heading, const std::vector<std::string>& texts, int codePage) {
    StartLine();
    StartLine();
    Cursor.insertText(QStringLiteral("%1 (%2)").arg(heading).arg(texts.size()), Bold);
    for (const std::string& text : texts) {
      QTextBlockFormat indented;
      indented.setIndent(1);
      Cursor.insertBlock(indented);
      Cursor.insertText(ToQt(text, codePage), Plain);
    }
  }

 private:
  void StartLine() {
    if (!First) Cursor.insertBlock(QTextBlockFormat());
    First = false;
  }

  QTextCursor Cursor;
  QTextCharFormat Bold, Plain;
  bool First = true;
};

}  // namespace

TDetailsPane::TDetailsPane(QWidget* parent) : QTextEdit(parent) {
  setObjectName(QStringLiteral("ReportDetails"));
  setReadOnly(true);
  setAcceptRichText(false);
  setLineWrapMode(QTextEdit::WidgetWidth);
  setPlaceholderText(QStringLiteral("Select a report file to see what its conversion gave."));
}

void TDetailsPane::ShowRow(const TFileRow* row, int codePage) {
  clear();
  if (!row) return;
  TDetailsWriter out(document());
  out.Field(QStringLiteral("Report"), PathToQt(row->Caption));
  const TConversionOutcome* outcome = row->Outcome.get();
  if (!outcome) {
    out.Field(QStringLiteral("Status"), QString::fromStdString(row->Cells[colStatus - 1]));
    out.Line(QStringLiteral("Not converted yet."));
    return;
  }
  out.Field(QStringLiteral("Document"), PathToQt(outcome->OutputPath));
  out.Field(QStringLiteral("Status"),
            QString::fromLatin1(StatusWord(outcome->Status)) +
                (outcome->Written() ? QStringLiteral(": the document was written")
                                    : QStringLiteral(": no document was written")));
  if (!outcome->Problem.empty()) out.Field(QStringLiteral("Why"), MessageToQt(outcome->Problem, codePage));
  out.List(QStringLiteral("Messages of the report library"), outcome->Messages, codePage);
  out.List(QStringLiteral("Conversion notes"), outcome->Notes, codePage);
}

}  // namespace kv::gui
