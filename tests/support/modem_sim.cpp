// The modem simulator as a child process of a test.
#include "modem_sim.h"

#include <cstdio>
#include <fstream>

#ifndef BRINDLE_MODEMSIM
#error "BRINDLE_MODEMSIM must name the simulator program"
#endif

namespace faxengine::test {

ModemSim::ModemSim(const std::vector<std::string>& options) {
  std::vector<std::string> args = {BRINDLE_MODEMSIM, "--timeout", "240", "--outdir", out_.dir()};
  args.insert(args.end(), options.begin(), options.end());
  child_ = std::make_unique<ChildProcess>(args);
  // The output stays open after READY: the simulator prints its exit line into it.
  for (const std::string& l : child_->readLines([](auto& l) { return l == "READY"; }, 30)) {
    if (l.starts_with("MODEM1 ")) modem1_ = l.substr(7);
    if (l.starts_with("MODEM2 ")) modem2_ = l.substr(7);
  }
}

ModemSim::~ModemSim() = default;

bool ModemSim::waitExit(int seconds) { return child_->waitExit(seconds); }

std::string ModemSim::summary(const std::string& expr) const { return query(expr); }

std::string ModemSim::query(const std::string& expr) const {
  std::string cmd = "python3 -c \"import json; s = json.load(open('" + out_.path("summary.json") +
                    "')); ev = [json.loads(l) for l in open('" + out_.path("events.jsonl") +
                    "')]; print(" + expr + ")\" 2>&1";
  std::string result;
  if (std::FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) result += buf;
    ::pclose(p);
  }
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
  return result;
}

Picture ModemSim::savedPage(int call, int page) const {
  std::ifstream f(
      out_.path("call" + std::to_string(call) + "-page" + std::to_string(page) + ".pbm"),
      std::ios::binary);
  std::string magic;
  int w = 0, h = 0;
  f >> magic >> w >> h;
  f.get();
  Picture rows;
  if (magic != "P4" || w <= 0) return rows;
  std::vector<unsigned char> row(std::size_t((w + 7) / 8));
  for (int y = 0; y < h && f.read(reinterpret_cast<char*>(row.data()), std::streamsize(row.size()));
       ++y) {
    rows.push_back(pictureRow(row.data(), w));
  }
  return rows;
}

void writePbm(const std::string& path, const Picture& rows) {
  std::ofstream f(path, std::ios::binary);
  f << "P4\n1728 " << rows.size() << "\n";
  for (const std::string& r : rows) {
    std::vector<char> bytes(216, 0);
    for (std::size_t x = 0; x < r.size() && x < 1728; ++x)
      if (r[x] == 'X') bytes[x >> 3] = char(bytes[x >> 3] | (0x80 >> (x & 7)));
    f.write(bytes.data(), std::streamsize(bytes.size()));
  }
}

}  // namespace faxengine::test
