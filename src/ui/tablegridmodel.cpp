// List model: rows come from the grid view of the table engine, cells from the record
// at that row, read on demand.
#include "ui/tablegridmodel.h"

#include "base/log.h"

#include "base/asciitext.h"

#include "ui/tabletext.h"

#include <QDate>
#include <QLocale>
#include <algorithm>

namespace ui {

QString DisplayDate(const QDate& date) { return QLocale().toString(date, QLocale::ShortFormat); }

QString DisplayText(const tables::Field& field) {
  switch (field.type()) {
    case 'D': {
      const tables::Date d = field.asDate();
      if (d.empty()) return {};
      return DisplayDate(QDate(d.year, d.month, d.day));
    }
    case 'N': {
      const std::string raw = field.asString();
      if (base::IsAllSpaces(raw)) return {};
      return QString::number(field.asNumber(), 'f', field.decimals());
    }
    case 'L': return field.asLogical() ? QStringLiteral("T") : QStringLiteral("F");
    default: return FromTableText(field.asString());
  }
}

TableGridModel::TableGridModel(tables::Cursor& cursor, std::vector<GridColumn> columns,
                               QObject* parent)
    : QAbstractTableModel(parent),
      cursor_(cursor),
      columns_(std::move(columns)),
      view_(std::make_unique<tables::GridView>(cursor)) {
  view_->setOnChange([this](tables::Change what) {
    if (what == tables::Change::Scrolled) return;
    refresh();
  });
}

TableGridModel::~TableGridModel() = default;

void TableGridModel::refresh() {
  beginResetModel();
  cachedRows_ = -1;
  endResetModel();
}

int TableGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !cursor_.active()) return 0;
  if (cachedRows_ < 0) {
    try {
      cachedRows_ = int(view_->rowCount());
    } catch (const std::exception& e) {
      // A list that cannot be counted shows as empty rather than stopping the window.
      base::LogFailure("list", e.what());
      cachedRows_ = 0;
    }
  }
  return cachedRows_;
}

int TableGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(columns_.size());
}

QString TableGridModel::cellText(std::uint32_t recNo, int column) const {
  // Peeking reads another record's fields without moving the cursor or disturbing an edit.
  tables::Table& table = cursor_.table();
  QString text;
  table.setPeek(recNo);
  try {
    if (tables::Field* f = cursor_.findField(columns_[std::size_t(column)].fieldName))
      text = DisplayText(*f);
  } catch (const std::exception& e) {
    base::LogFailure("list cell", e.what());  // the cell stays empty
  }
  table.setPeek(0);
  return text;
}

QVariant TableGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  std::uint32_t recNo = 0;
  try {
    recNo = view_->recNoAt(std::uint32_t(index.row()));
  } catch (const std::exception& e) {
    base::LogFailure("list row", e.what());  // the row stays empty
    return {};
  }
  if (recNo == 0) return {};
  return cellText(recNo, index.column());
}

QVariant TableGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < int(columns_.size()))
    return columns_[std::size_t(section)].title;
  return QAbstractTableModel::headerData(section, orientation, role);
}

int TableGridModel::currentRow() const {
  if (!cursor_.active() || cursor_.eof()) return -1;
  const std::uint32_t current = cursor_.recNo();
  // The current record is looked for among the first rows only, so that a long list
  // is not read in full; further down the list simply shows no selected row.
  constexpr int kSearchedRows = 2000;
  const int rows = std::min(rowCount(), kSearchedRows);
  for (int r = 0; r < rows; ++r) {
    if (view_->recNoAt(std::uint32_t(r)) == current) return r;
  }
  return -1;
}

bool TableGridModel::moveCursorTo(int row) {
  try {
    return row >= 0 && view_->moveTo(std::uint32_t(row));
  } catch (const std::exception& e) {
    base::LogFailure("list selection", e.what());  // the cursor stays where it was
    return false;
  }
}

}  // namespace ui
