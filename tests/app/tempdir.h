// A fresh folder per test that becomes the program directory, removed afterwards.
#pragma once

#include "app/appsettings.h"

#include <QTemporaryDir>
#include <fstream>
#include <sstream>
#include <string>

namespace testutil {

class ProgramDirFixture {
 public:
  ProgramDirFixture() { app::SetProgramDir(dir.path().toStdString()); }
  std::string path(const std::string& name) const { return app::ProgramDir() + name; }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  QTemporaryDir dir;
};

}  // namespace testutil
