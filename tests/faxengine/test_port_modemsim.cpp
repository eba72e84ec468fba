// The port against the modem simulator in its plain AT mode: a command goes out through
// the output thread and the reply is matched by AwaitText.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "faxengine/comport.h"

#ifndef BRINDLE_MODEMSIM
#error "BRINDLE_MODEMSIM must name the simulator program"
#endif

using namespace faxengine;

namespace {

// Runs the simulator and reads its announcements up to READY.
class Simulator {
 public:
  Simulator() {
    int out[2];
    if (::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      ::close(out[0]);
      ::execl(BRINDLE_MODEMSIM, BRINDLE_MODEMSIM, "--speed", "20", "--timeout", "60",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(out[1]);
    stdout_ = ::fdopen(out[0], "r");
    char line[512];
    while (stdout_ && std::fgets(line, sizeof line, stdout_)) {
      std::string s(line);
      if (s.rfind("MODEM1 ", 0) == 0) device_ = s.substr(7, s.find_last_not_of("\r\n") - 6);
      if (s.rfind("READY", 0) == 0) break;
    }
  }
  ~Simulator() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    if (stdout_) std::fclose(stdout_);
  }
  const std::string& device() const { return device_; }

 private:
  pid_t pid_ = -1;
  std::FILE* stdout_ = nullptr;
  std::string device_;
};

}  // namespace

TEST(PortModemSim, AtCommandGetsOk) {
  Simulator sim;
  ASSERT_FALSE(sim.device().empty()) << "the simulator did not start";
  TFxComPort port;
  port.DevicePath = sim.device();
  port.AutoOpen = false;
  port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  ASSERT_EQ(port.TryOpen(), 0);
  ASSERT_EQ(port.WriteText("AT\r"), 0);
  EXPECT_TRUE(port.AwaitText("OK", secondsToTicks(5), false, false));
  port.ClearInput();
  ASSERT_EQ(port.WriteText("ATI3\r"), 0);  // any reply at all, then OK again
  EXPECT_TRUE(port.AwaitText("\r\n", secondsToTicks(5), false, false));
  EXPECT_TRUE(port.AwaitText("OK", secondsToTicks(5), false, false));
}
