// A read-only Qt model over a table cursor for the program's lists (faxes, cover-sheet
// templates, the phone book): it reads only the rows the view asks for, so a list of any
// length opens as fast as an empty one.
#pragma once

#include "tables/binding.h"

#include <QAbstractTableModel>
#include <QString>

#include <memory>
#include <vector>

class QDate;

namespace ui {

struct GridColumn {
  std::string fieldName;  // stored or calculated field of the cursor
  QString title;
  int displayWidth;  // in characters; 0: the field's width (or its title's, when longer)
};

class TableGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  TableGridModel(tables::Cursor& cursor, std::vector<GridColumn> columns,
                 QObject* parent = nullptr);
  ~TableGridModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  const std::vector<GridColumn>& columns() const { return columns_; }
  // The row showing the cursor's current record, -1 when it is not in the list.
  int currentRow() const;
  // Makes the record of a row the cursor's current record.
  bool moveCursorTo(int row);
  // Drops cached rows and tells the views that everything may have changed.
  void refresh();

 private:
  QString cellText(std::uint32_t recNo, int column) const;

  tables::Cursor& cursor_;
  std::vector<GridColumn> columns_;
  std::unique_ptr<tables::GridView> view_;
  mutable int cachedRows_ = -1;
};

// Formats a stored value for display: dates in the short date format, numbers without
// trailing decimals, text as it is.
QString DisplayText(const tables::Field& field);
// A date as the lists show it.
QString DisplayDate(const QDate& date);

}  // namespace ui
