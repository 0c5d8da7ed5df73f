// A file list of the workbench (the project list and the report list): rows of a file path and
// three cells (replacement count or, on the report list, the count of messages and notes; status
// word; microseconds), a selection, and the sort marks of the four column headers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kv {

enum TFileColumn { colFilename = 0, colReplacements = 1, colStatus = 2, colMicroseconds = 3 };

struct TConversionOutcome;

struct TFileRow {
  std::string Caption;  // the file's path as it was added
  std::array<std::string, 3> Cells{"0", "Waiting", "-"};
  bool Selected = false;
  // Report rows: what the last conversion of the file gave (messages, notes, why it failed);
  // none before the first run.
  std::shared_ptr<const TConversionOutcome> Outcome;
  // Project rows: the error of a file whose conversion failed.
  std::string Error;
  // Project rows: the file was named through a link, and Caption is the file it leads to.
  bool ThroughLink = false;
};

class TFileList {
 public:
  // Column titles and widths in pixels (the first column takes the remaining width: 0).
  static constexpr std::array<const char*, 4> ColumnTitles{"Filename", "Replacements", "Status",
                                                           "Microseconds"};
  // The report list's second column counts the messages and notes of each conversion.
  static constexpr std::array<const char*, 4> ReportColumnTitles{"Filename", "Messages", "Status",
                                                                 "Microseconds"};
  static constexpr std::array<int, 4> ColumnWidths{0, 100, 53, 100};
  // Sort marks: image indexes of the header images.
  static constexpr int NoMark = -1;
  static constexpr int DescendingMark = 1;
  static constexpr int AscendingMark = 2;

  explicit TFileList(std::string name, const std::array<const char*, 4>& titles = ColumnTitles)
      : Name(std::move(name)), Titles(titles) {}

  const std::string Name;
  const std::array<const char*, 4> Titles;
  std::vector<TFileRow> Rows;
  std::array<int, 4> ImageIndex{NoMark, NoMark, NoMark, NoMark};
  // The folder last scanned into the list; empty before the first scan.
  std::string Root;

  void Add(const std::string& path) {
    TFileRow row;
    row.Caption = path;
    Rows.push_back(std::move(row));
  }
  bool HasSelection() const;
  void SelectAll();
  // Deletes the selected rows, going from the last row to the first.
  void DeleteSelected();
  // The first selected row, or -1.
  int FirstSelected() const;
  // How a row's file is shown: relative to Root when it lies below it (the folder's own name
  // says nothing the user does not know), else its whole path.
  std::string ShownName(const TFileRow& row) const;

  // Sorts by a column: the order is ascending unless the column carries the ascending mark, in
  // which case it is descending; afterwards only that column carries a mark. Equal rows keep
  // their order.
  void SortByColumn(int column);
};

// Compares two rows by a column: file names and status words ignoring the case of ASCII
// letters, counts as 64-bit numbers (text that is not one, such as "-", counts as 0).
int CompareRows(const TFileRow& a, const TFileRow& b, int column);
// A cell's text read as a 64-bit signed number; 0 when it is not one.
std::int64_t CellNumber(const std::string& text);

}  // namespace kv
