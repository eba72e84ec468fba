// Grid and tab helpers of the main-window tests.
#include "mainwindow_fixture.h"

#include <QTabBar>
#include <QTableView>

namespace testutil {

QStringList MainWindowTest::row(const char* gridName, int r) {
  auto* grid = find<QTableView>(gridName);
  QStringList out;
  for (int c = 0; c < grid->model()->columnCount(); ++c)
    out << grid->model()->index(r, c).data().toString();
  return out;
}

int MainWindowTest::rows(const char* gridName) {
  return find<QTableView>(gridName)->model()->rowCount();
}

void MainWindowTest::selectTab(int index) { find<QTabBar>("TabSet1")->setCurrentIndex(index); }

void MainWindowTest::selectRow(const char* gridName, int r) {
  auto* grid = find<QTableView>(gridName);
  grid->selectionModel()->setCurrentIndex(
      grid->model()->index(r, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace testutil
