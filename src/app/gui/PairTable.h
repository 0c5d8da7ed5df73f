// The grid of find/replace pairs (vleUnits): an item model over the workbench's table lines and the
// delegate that draws and edits its cells.
//
// A line "find=replace" is split at its first "="; an "=" inside either text is stored as byte 2.
// The grid shows one row per line and one empty row after the last: text typed into it appends a
// new line. Rows are never deleted here.
#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include "app/Workbench.h"

namespace kv::gui {

// How the grid shows the stand-in byte 2: as "=". And how text typed into a cell is stored.
QString ShowEquals(QString text);
QString StoreEquals(QString text);

class TPairTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int FindColumn = 0;
  static constexpr int ReplaceColumn = 1;

  explicit TPairTableModel(TfrmMain& form, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // Display and edit roles give the stored text, byte 2 included; the delegate shows it as "=".
  QVariant data(const QModelIndex& index, int role) const override;
  // Stores a cell's text; "=" in it becomes byte 2. Editing the empty last row appends a line.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The workbench's table changed. Ignored while this model itself is storing an edit (it then
  // announces the change in place, without resetting the view under an open editor).
  void TableChanged();

 private:
  TfrmMain& Form;
  bool Storing = false;
};

// Draws a cell's text 2 pixels right of and below the cell's top-left corner and shows byte 2 as
// "=", in the cell and in its editor; the editor's text goes back with "=" as byte 2.
class TPairDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  static constexpr int TextOffset = 2;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;
};

}  // namespace kv::gui
