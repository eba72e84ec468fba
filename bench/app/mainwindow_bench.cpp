// Opening the main window and painting the first screen of the received list, with
// 1,000 and with 100,000 received faxes: the two should take about the same time.
#include "app/mainwindow/mainscreen.h"
#include "app/store/faxstore.h"
#include "settings/appsettings.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QImage>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>

namespace {

std::map<int, std::unique_ptr<QTemporaryDir>> folders;
std::map<int, double> secondsPerOpen;

// A program folder holding `count` received faxes (made once per count).
std::string folderWith(int count) {
  auto& dir = folders[count];
  if (!dir) {
    dir = std::make_unique<QTemporaryDir>();
    settings::SetProgramDir(dir->path().toStdString());
    app::MakeStoreTable(app::ReceivedTable());
    tables::Table t;
    t.open(settings::ProgramDir(), app::ReceivedTable().fileName);
    t.beginBatch();
    for (int i = 0; i < count; ++i) {
      char date[9], time[6], file[13];
      std::snprintf(date, sizeof date, "20%02d%02d%02d", 10 + i % 15, 1 + i % 12, 1 + i % 28);
      std::snprintf(time, sizeof time, "%02d:%02d", i % 24, i % 60);
      std::snprintf(file, sizeof file, "FAX%04d.BRX", i % 10000);
      t.append();
      t.putDtos("DATEREC", date);
      t.putString("TIMEREC", time);
      t.putString("FROM", "REMOTE " + std::to_string(i));
      t.putNumber("PAGES", 1 + i % 9);
      t.putString("FAXFILE", file);
      t.post();
    }
    t.endBatch();
    t.close();
    // Open once so the index exists before timing starts.
    app::TMainScreen warm;
  }
  return dir->path().toStdString();
}

void BM_OpenAndPaintReceivedList(benchmark::State& state) {
  const int count = int(state.range(0));
  settings::SetProgramDir(folderWith(count));
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    {
      app::TMainScreen w;
      w.resize(800, 600);
      w.show();
      w.findChild<QTabBar*>("TabSet1")->setCurrentIndex(1);
      QImage shot = w.findChild<QTableView*>("RecFaxGrid")->grab().toImage();
      benchmark::DoNotOptimize(shot.constBits());
      w.close();
    }
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  secondsPerOpen[count] = total / double(state.iterations());
  state.counters["records"] = count;
}
BENCHMARK(BM_OpenAndPaintReceivedList)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (secondsPerOpen.count(1000) && secondsPerOpen.count(100000))
    std::printf(
        "open and paint: %.1f ms at 1,000 records, %.1f ms at 100,000 records, ratio %.2f\n",
        secondsPerOpen[1000] * 1e3, secondsPerOpen[100000] * 1e3,
        secondsPerOpen[100000] / secondsPerOpen[1000]);
  return 0;
}
