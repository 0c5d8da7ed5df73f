// The find/replace grid: item model and delegate.
#include "app/gui/PairTable.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>

#include "app/gui/QtText.h"
#include "migrate/ConversionTable.h"

namespace kv::gui {

namespace {

constexpr QChar StandIn(EqualsStandIn);

// The two parts of a stored line, stand-in bytes kept: the find text before the first "=" (empty
// when there is none), the replacement after it (the whole line when there is none), as the
// replacement engine reads them.
struct TLineParts {
  std::string Find;
  std::string Replace;
};

TLineParts SplitLine(const std::string& line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) return {"", line};
  return {line.substr(0, equals), line.substr(equals + 1)};
}

}  // namespace

QString ShowEquals(QString text) {
  return text.replace(StandIn, QLatin1Char('='));
}

QString StoreEquals(QString text) {
  return text.replace(QLatin1Char('='), StandIn);
}

TPairTableModel::TPairTableModel(TfrmMain& form, QObject* parent)
    : QAbstractTableModel(parent), Form(form) {}

int TPairTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Form.vleUnits().size()) + 1;
}

int TPairTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant TPairTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  const auto& lines = Form.vleUnits();
  const auto row = static_cast<std::size_t>(index.row());
  if (row >= lines.size()) return QString();
  const TLineParts parts = SplitLine(lines[row]);
  return ToQt(index.column() == FindColumn ? parts.Find : parts.Replace, Form.Context().CodePage);
}

bool TPairTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  const std::string text = FromQt(StoreEquals(value.toString()), Form.Context().CodePage);
  const auto& lines = Form.vleUnits();
  const auto row = static_cast<std::size_t>(index.row());
  const bool isFind = index.column() == FindColumn;

  struct TStoringScope {
    bool& Flag;
    explicit TStoringScope(bool& flag) : Flag(flag) { Flag = true; }
    ~TStoringScope() { Flag = false; }
  };

  if (row < lines.size()) {
    TLineParts parts = SplitLine(lines[row]);
    std::string& part = isFind ? parts.Find : parts.Replace;
    if (part == text) return true;  // an editor closed without a change
    part = text;
    {
      TStoringScope storing(Storing);
      Form.SetTableLine(row, parts.Find + "=" + parts.Replace);
    }
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), 1));
    return true;
  }

  // The empty last row: a non-empty text makes it a new line, and a new empty row follows.
  if (text.empty()) return true;
  const int newEmptyRow = index.row() + 1;
  beginInsertRows({}, newEmptyRow, newEmptyRow);
  {
    TStoringScope storing(Storing);
    Form.AppendTableLine(isFind ? text + "=" : "=" + text);
  }
  endInsertRows();
  emit dataChanged(this->index(index.row(), 0), this->index(index.row(), 1));
  return true;
}

QVariant TPairTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section == FindColumn) return QStringLiteral("Text to Find");
  if (section == ReplaceColumn) return QStringLiteral("Replace With");
  return {};
}

Qt::ItemFlags TPairTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void TPairTableModel::TableChanged() {
  if (Storing) return;
  beginResetModel();
  endResetModel();
}

void TPairDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QString text = ShowEquals(item.text);
  // The cell's background, selection and focus frame come from the style; the text is drawn here.
  item.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

  painter->save();
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette::ColorGroup group =
      option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
  painter->setPen(
      option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  painter->setFont(item.font);
  painter->setClipRect(option.rect);
  const QRect textRect = option.rect.adjusted(TextOffset, TextOffset, 0, 0);
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  painter->restore();
}

void TPairDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    line->setText(ShowEquals(index.data(Qt::EditRole).toString()));
    return;
  }
  QStyledItemDelegate::setEditorData(editor, index);
}

void TPairDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                 const QModelIndex& index) const {
  if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    model->setData(index, StoreEquals(line->text()), Qt::EditRole);
    return;
  }
  QStyledItemDelegate::setModelData(editor, model, index);
}

}  // namespace kv::gui
