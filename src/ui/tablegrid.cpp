// The list grid over a table cursor.
#include "ui/tablegrid.h"

#include <QDate>
#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>

namespace ui {

namespace {

constexpr int kCellPadding = 12;

// The widest date of a year as the list shows it (month names differ in width).
int widestDate(const QFontMetrics& fm) {
  int widest = 0;
  for (int month = 1; month <= 12; ++month)
    widest = std::max(widest, fm.horizontalAdvance(DisplayDate(QDate(2088, month, 28))));
  return widest;
}

int columnWidthFor(const GridColumn& c, tables::Cursor& cursor, const QFontMetrics& fm) {
  int chars = c.displayWidth;
  const tables::Field* f = cursor.findField(c.fieldName);
  if (chars <= 0 && f && f->type() == 'D')  // as wide as its dates, not as ten characters
    return std::max(widestDate(fm), fm.horizontalAdvance(c.title)) + kCellPadding;
  if (chars <= 0) chars = std::max(f ? f->width() : 10, int(c.title.size()));
  return chars * fm.averageCharWidth() + kCellPadding;
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
  // Never narrower than the column's title.
  for (std::size_t i = 0; i < columns.size(); ++i)
    setColumnWidth(int(i), std::max(columnWidthFor(columns[i], cursor_, fontMetrics()),
                                    horizontalHeader()->sectionSizeHint(int(i))));
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
