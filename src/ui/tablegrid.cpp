// The list grid over a table cursor.
#include "ui/tablegrid.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>

namespace ui {

namespace {

int columnWidthFor(const GridColumn& c, tables::Cursor& cursor, const QFontMetrics& fm) {
  int chars = c.displayWidth;
  if (chars <= 0) {
    const tables::Field* f = cursor.findField(c.fieldName);
    chars = std::max(f ? (f->type() == 'D' ? 10 : f->width()) : 10, int(c.title.size()));
  }
  return chars * fm.averageCharWidth() + 12;
}

}  // namespace

TableGrid::TableGrid(tables::Cursor& cursor, std::vector<GridColumn> columns, QWidget* parent)
    : QTableView(parent),
      cursor_(cursor),
      model_(new TableGridModel(cursor, std::move(columns), this)) {
  setModel(model_);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setShowGrid(true);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(true);
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (current.row() >= 0) model_->moveCursorTo(current.row());
          });
  connect(model_, &QAbstractItemModel::modelReset, this, &TableGrid::followCurrentRecord);
  followCurrentRecord();
}

void TableGrid::ApplyColumnWidths() {
  const auto& columns = model_->columns();
  for (std::size_t i = 0; i < columns.size(); ++i)
    setColumnWidth(int(i), columnWidthFor(columns[i], cursor_, fontMetrics()));
  widthsApplied_ = true;
}

int TableGrid::FullWidth() const {
  int width = verticalHeader()->sizeHint().width() + verticalScrollBar()->sizeHint().width() +
              2 * frameWidth();
  for (int c = 0; c < model_->columnCount(); ++c) width += columnWidth(c);
  return width;
}

void TableGrid::followCurrentRecord() {
  if (!cursor_.active()) return;
  if (!widthsApplied_) ApplyColumnWidths();
  const int row = model_->currentRow();
  if (row >= 0)
    selectionModel()->setCurrentIndex(
        model_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace ui
