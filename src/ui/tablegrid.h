// TableGrid: the read-only list of a table the windows show (column titles, a row
// indicator, resizable columns, grid lines). Choosing a row makes its record the table's
// current one, and the grid follows the current record whenever the table changes.
#pragma once

#include "ui/tablegridmodel.h"

#include <QTableView>

namespace ui {

class TableGrid : public QTableView {
  Q_OBJECT
 public:
  TableGrid(tables::Cursor& cursor, std::vector<GridColumn> columns, QWidget* parent = nullptr);

  TableGridModel* Model() const { return model_; }
  // Sets each column's width from its display width in characters (or its field's width);
  // done by itself the first time the grid sees its table open.
  void ApplyColumnWidths();
  // The width all columns take, with the row indicator and a vertical scroll bar.
  int FullWidth() const;

 private:
  void followCurrentRecord();

  tables::Cursor& cursor_;
  TableGridModel* model_;
  bool widthsApplied_ = false;
};

}  // namespace ui
