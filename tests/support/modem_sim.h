// The modem simulator (../shared/modemsim) as a child process of a test: started with
// its options, its pseudo-terminals and output folder read from what it prints, stopped
// by its process id. Its summary is read through Python's json module.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "fax_pages.h"

namespace faxengine::test {

class ModemSim {
 public:
  // Starts the simulator with --outdir in a fresh folder and a bounded --timeout.
  explicit ModemSim(const std::vector<std::string>& options);
  ~ModemSim();
  ModemSim(const ModemSim&) = delete;
  ModemSim& operator=(const ModemSim&) = delete;

  bool ready() const { return !modem1_.empty(); }
  const std::string& modem1() const { return modem1_; }
  const std::string& modem2() const { return modem2_; }
  std::string outPath(const std::string& name) const { return out_.path(name); }
  // Waits until the simulator exits (after --exit-after-calls); false on time-out.
  bool waitExit(int seconds);
  // A Python expression over the summary `s`, printed (e.g. "s['calls'][0]['result']").
  std::string summary(const std::string& expr) const;
  // The same over the summary `s` and the list of events `ev` (events.jsonl).
  std::string query(const std::string& expr) const;
  // The rows of a page the remote machine saved (callN-pageM.pbm).
  Picture savedPage(int call, int page) const;

 private:
  TempDir out_;
  std::unique_ptr<ChildProcess> child_;  // stopped before its folder goes
  std::string modem1_, modem2_;
};

// Writes a picture as a PBM file of 1728 pixels per row, for the remote machine to send.
void writePbm(const std::string& path, const Picture& rows);

}  // namespace faxengine::test
