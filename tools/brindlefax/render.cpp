// brindlefax render: builds the fax file of one outgoing fax of a program folder with the
// program's fax assembly, without a window or widgets, and moves it to the output name.
#include "commands.h"

#include <QGuiApplication>

#include <filesystem>
#include <memory>

#include "app/assembly/faxassembly.h"
#include "app/store/faxstore.h"
#include "settings/appsettings.h"

namespace brindlefax {

namespace {

namespace fs = std::filesystem;

// Laying out text needs fonts, so rendering needs a GUI application object; without a
// display it draws offscreen, which is all rendering needs.
std::unique_ptr<QGuiApplication> ensureApplication() {
  if (QCoreApplication::instance()) return nullptr;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "brindlefax";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

// Moves the built file to its output name, copying when a rename cannot cross file systems.
bool moveFile(const std::string& from, const std::string& to, std::string& why) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (!ec) return true;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  fs::remove(from);
  if (ec) why = ec.message();
  return !ec;
}

// Opens the outgoing list and moves to record n, or to the first in list order for 0.
bool openRecord(app::FaxStore& store, unsigned n, std::ostream& err) {
  const app::StoreTable& outgoing = app::OutgoingTable();
  if (!fs::exists(settings::ProgramDir() + outgoing.fileName)) {
    err << "brindlefax: no outgoing faxes in " << settings::ProgramDir() << " ("
        << outgoing.fileName << " is missing)\n";
    return false;
  }
  std::string error;
  if (!store.OpenOutgoing(&error)) {
    err << "brindlefax: cannot open " << outgoing.fileName << (error.empty() ? "" : ": " + error)
        << "\n";
    return false;
  }
  tables::Cursor& cursor = store.FaxTable;
  tables::Table& t = cursor.table();
  if (n == 0) {
    cursor.first();
    if (!cursor.eof()) return true;
    err << "brindlefax: the outgoing list is empty\n";
    return false;
  }
  if (n > t.recCount()) {
    err << "brindlefax: there is no outgoing record " << n << " (the table has " << t.recCount()
        << ")\n";
    return false;
  }
  cursor.go(n);
  if (!t.isDeleted()) return true;
  err << "brindlefax: outgoing record " << n << " is deleted\n";
  return false;
}

}  // namespace

int runRender(const Args& args, std::ostream& out, std::ostream& err) {
  auto p = parse(args, {"--data-dir", "--record", "-o"}, {});
  if (!p.error.empty()) return usageError(err, p.error);
  if (!p.positional.empty()) return usageError(err, "render takes no file name; use -o OUT");
  auto dir = p.value("--data-dir");
  if (!dir) return usageError(err, "render needs --data-dir D");
  unsigned record = 0;
  if (auto r = p.value("--record"); r && (!toUnsigned(*r, record) || record == 0))
    return usageError(err, "--record needs a record number from 1");

  auto application = ensureApplication();
  settings::SetProgramDir(*dir);
  app::FaxStore store;
  int pages = 0;
  std::string built;
  try {
    if (!openRecord(store, record, err)) return 1;
    if (record == 0) record = store.FaxTable.recNo();
    app::FaxAssembly assembly;
    const int rc = assembly.CreateFaxFile(store.FaxBinding, built);
    if (rc != 0) {
      err << "brindlefax: record " << record << ": " << app::AssemblyErrorText(rc).toStdString()
          << "\n";
      return 1;
    }
    pages = assembly.PagesBuilt();
  } catch (const std::exception& e) {
    err << "brindlefax: " << e.what() << "\n";
    return 1;
  }
  const std::string target = p.value("-o").value_or("record" + std::to_string(record) + ".BRX");
  std::string why;
  if (!moveFile(built, target, why)) {
    err << "brindlefax: cannot write " << target << ": " << why << "\n";
    return 1;
  }
  out << target << ": " << pages << (pages == 1 ? " page" : " pages") << "\n";
  return 0;
}

}  // namespace brindlefax
