// Shows a file list of the workbench (the project list or the report list) to a Qt item view:
// one row per file, the four columns of the list's titles ("Filename", "Replacements" or
// "Messages", "Status", "Microseconds").
#pragma once

#include <QAbstractTableModel>

#include "app/FileList.h"

namespace kv::gui {

class TFileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  TFileListModel(const TFileList& list, QObject* parent = nullptr);

  const TFileList& List() const { return Source; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Rows were added, removed or reordered in the list.
  void Reload();
  // The cells of one row changed.
  void RowChanged(std::size_t row);

 private:
  const TFileList& Source;
};

}  // namespace kv::gui
