#include "ui/AllParamsModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include "flows/AllParamsLogic.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr int kColumns = static_cast<int>(TableColumn::Count);
const int kHeaders[kColumns] = {ids::AllParamsColParam, ids::AllParamsColName,   ids::AllParamsColValue,
                                ids::AllParamsColUnit,  ids::AllParamsColLimits, ids::AllParamsColReadOnly,
                                ids::AllParamsColFile};
// A sub-field's name sits beneath its parameter's.
const QString kIndent = QStringLiteral("      ");

}  // namespace

CAllParamsModel::CAllParamsModel(const CAllParamsLogic& logic, QObject* parent)
    : QAbstractItemModel(parent), m_logic(logic) {}

QModelIndex CAllParamsModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || column < 0 || column >= kColumns) return {};
  if (static_cast<size_t>(row) >= m_logic.ShownCount()) return {};
  return createIndex(row, column);
}

QModelIndex CAllParamsModel::parent(const QModelIndex&) const { return {}; }

int CAllParamsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_logic.ShownCount());
}

int CAllParamsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant CAllParamsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<size_t>(index.row()) >= m_logic.ShownCount()) return {};
  const size_t position = static_cast<size_t>(index.row());
  const ParamRow& row = m_logic.ShownRow(position);
  const auto column = static_cast<TableColumn>(index.column());
  switch (role) {
    case Qt::DisplayRole: {
      const QString text = Q(m_logic.CellText(position, column));
      return row.kind == RowKind::Field && column == TableColumn::Name ? kIndent + text : text;
    }
    case Qt::ToolTipRole: return Q(m_logic.Tip(position));
    case Qt::FontRole: {
      // Headings, and rows that differ from the compared file (marked by weight,
      // so the mark shows without colour too).
      if (row.kind != RowKind::Category && !row.differs) return {};
      QFont bold;
      bold.setBold(true);
      return bold;
    }
    case Qt::ForegroundRole:
      if (column == TableColumn::Value && m_logic.ShownValue(position).outside) return QBrush(QColor(0xb0, 0x20, 0x20));
      if (row.readOnly && row.kind != RowKind::Category) return QBrush(QColor(0x60, 0x60, 0x60));
      return {};
    case Qt::BackgroundRole:
      if (row.kind == RowKind::Category) return QBrush(QColor(0xe8, 0xec, 0xf2));
      if (row.differs) return QBrush(QColor(0xff, 0xe8, 0xc8));
      return {};
    case Qt::UserRole: return m_logic.CanEdit(position);
    default: return {};
  }
}

QVariant CAllParamsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns) return {};
  return Q(res::LoadString(kHeaders[section]));
}

Qt::ItemFlags CAllParamsModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void CAllParamsModel::Reset() {
  beginResetModel();
  endResetModel();
}

void CAllParamsModel::Refresh() {
  if (m_logic.ShownCount() == 0) return;
  emit dataChanged(index(0, 0), index(static_cast<int>(m_logic.ShownCount()) - 1, kColumns - 1));
}
