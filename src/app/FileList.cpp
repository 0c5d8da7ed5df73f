// File lists: selection, removal and sorting of rows.
#include "app/FileList.h"

#include <algorithm>
#include <charconv>

#include "app/FolderScan.h"
#include "base/TextLines.h"
#include "platform/Path.h"

namespace kv {

namespace {

int CompareIgnoringCase(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(AsciiUpper(a[i]));
    const auto y = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

bool TFileList::HasSelection() const {
  return std::any_of(Rows.begin(), Rows.end(), [](const TFileRow& r) { return r.Selected; });
}

void TFileList::SelectAll() {
  for (auto& row : Rows) row.Selected = true;
}

void TFileList::DeleteSelected() {
  for (std::size_t i = Rows.size(); i-- > 0;) {
    if (Rows[i].Selected) Rows.erase(Rows.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

int TFileList::FirstSelected() const {
  for (std::size_t i = 0; i < Rows.size(); ++i) {
    if (Rows[i].Selected) return static_cast<int>(i);
  }
  return -1;
}

void TFileList::SortByColumn(int column) {
  if (column < 0 || column >= static_cast<int>(ImageIndex.size())) return;
  const int noted = ImageIndex[static_cast<std::size_t>(column)];
  ImageIndex.fill(NoMark);
  const bool ascending = noted <= DescendingMark;
  std::stable_sort(Rows.begin(), Rows.end(), [&](const TFileRow& a, const TFileRow& b) {
    const int order = CompareRows(a, b, column);
    return ascending ? order < 0 : order > 0;
  });
  ImageIndex[static_cast<std::size_t>(column)] = ascending ? AscendingMark : DescendingMark;
}

std::int64_t CellNumber(const std::string& text) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last && first != last ? value : 0;
}

std::string TFileList::ShownName(const TFileRow& row) const {
  std::string root = Root;
  while (root.size() > 1 && os::IsSeparator(root.back())) root.pop_back();
  const std::string& path = row.Caption;
  if (root.empty() || path.size() <= root.size() || !IsInsideFolder(path, root)) return path;
  const std::size_t start = os::IsSeparator(root.back()) ? root.size() : root.size() + 1;
  return start < path.size() ? path.substr(start) : path;
}

int CompareRows(const TFileRow& a, const TFileRow& b, int column) {
  switch (column) {
    case colFilename:
      return CompareIgnoringCase(a.Caption, b.Caption);
    case colStatus:
      return CompareIgnoringCase(a.Cells[1], b.Cells[1]);
    case colReplacements:
    case colMicroseconds: {
      // A three-way comparison: subtracting the two numbers could overflow.
      const std::size_t cell = column == colReplacements ? 0 : 2;
      const std::int64_t x = CellNumber(a.Cells[cell]);
      const std::int64_t y = CellNumber(b.Cells[cell]);
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    default:
      return 0;
  }
}

}  // namespace kv
