// The item model over a workbench file list.
#include "app/gui/FileListModel.h"

#include "app/gui/QtText.h"

namespace kv::gui {

TFileListModel::TFileListModel(const TFileList& list, QObject* parent)
    : QAbstractTableModel(parent), Source(list) {}

int TFileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Source.Rows.size());
}

int TFileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(TFileList::ColumnTitles.size());
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const TFileRow& row = Source.Rows[static_cast<std::size_t>(index.row())];
  // The name relative to the folder scanned; the whole path in the tooltip.
  if (index.column() == colFilename) {
    return PathToQt(role == Qt::ToolTipRole ? row.Caption : Source.ShownName(row));
  }
  if (role == Qt::ToolTipRole) return {};
  // Counts, status words and times: plain ASCII.
  return QString::fromStdString(row.Cells[static_cast<std::size_t>(index.column() - 1)]);
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= columnCount()) return {};
  return QString::fromLatin1(Source.Titles[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags TFileListModel::flags(const QModelIndex& index) const {
  // Read-only rows that can be selected.
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TFileListModel::Reload() {
  beginResetModel();
  endResetModel();
}

void TFileListModel::RowChanged(std::size_t row) {
  const int r = static_cast<int>(row);
  if (r >= rowCount()) return;
  emit dataChanged(index(r, 0), index(r, columnCount() - 1), {Qt::DisplayRole});
}

}  // namespace kv::gui
