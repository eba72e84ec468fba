// Moves 10 MB each way through a pseudo-terminal pair, once through the serial port (its
// dispatcher and output threads, a handler that takes what data available announces, a
// writer that refills on the output-free trigger) and once with a plain blocking
// read/write loop on the same kind of pair, and prints bytes per second, process CPU per
// megabyte and the ratio port / plain. The block size is the port's output ring and the
// plain loop's read and write size: 8192 (what the application sets) and 65536. Then
// measures the CPU an open, idle port uses.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "faxengine/comport.h"

namespace {

using namespace faxengine;

constexpr std::size_t kTotal = 10u << 20;
constexpr std::int64_t kBlockSizes[] = {8192, 65536};

double processCpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct PtyPair {
  int master = -1;
  std::string path;
  PtyPair() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ::grantpt(master);
    ::unlockpt(master);
    path = ::ptsname(master);
  }
  ~PtyPair() { ::close(master); }
  // The slave in raw mode for the plain loop, with blocking reads.
  int openPlainSlave() const {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &t);
    return fd;
  }
};

void writeAll(int fd, std::size_t total, std::size_t blockSize) {
  const std::vector<char> block(blockSize, 'U');
  for (std::size_t done = 0; done < total;) {
    ssize_t n = ::write(fd, block.data(), std::min(blockSize, total - done));
    if (n <= 0) return;
    done += std::size_t(n);
  }
}

void readAll(int fd, std::size_t total, std::size_t blockSize) {
  std::vector<char> buf(blockSize);
  for (std::size_t done = 0; done < total;) {
    ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n <= 0) return;
    done += std::size_t(n);
  }
}

// Runs one transfer per iteration and records throughput and CPU per megabyte.
template <class Transfer>
void measure(benchmark::State& st, Transfer transfer) {
  double cpu = 0;
  for (auto _ : st) {
    const double before = processCpuSeconds();
    transfer();
    cpu += processCpuSeconds() - before;
  }
  st.SetBytesProcessed(std::int64_t(st.iterations() * kTotal));
  st.counters["cpu_ms_per_MB"] = cpu * 1000.0 / (double(st.iterations()) * double(kTotal >> 20));
}

void BM_PlainReceive(benchmark::State& st) {
  const std::size_t block = std::size_t(st.range(0));
  PtyPair pty;
  int slave = pty.openPlainSlave();
  measure(st, [&] {
    std::thread far([&] { writeAll(pty.master, kTotal, block); });
    readAll(slave, kTotal, block);
    far.join();
  });
  ::close(slave);
}

void BM_PlainSend(benchmark::State& st) {
  const std::size_t block = std::size_t(st.range(0));
  PtyPair pty;
  int slave = pty.openPlainSlave();
  measure(st, [&] {
    std::thread far([&] { readAll(pty.master, kTotal, block); });
    writeAll(slave, kTotal, block);
    far.join();
  });
  ::close(slave);
}

void BM_PortReceive(benchmark::State& st) {
  const std::size_t block = std::size_t(st.range(0));
  PtyPair pty;
  TFxComPort port;
  port.DevicePath = pty.path;
  port.AutoOpen = false;
  port.OutSize = int(block);
  if (port.TryOpen() != 0) {
    st.SkipWithError("cannot open the port");
    return;
  }
  std::mutex m;
  std::condition_variable cv;
  std::size_t received = 0;
  port.AttachHandler([&](unsigned msg, int, std::uint32_t data) {
    if (msg != kTriggerAvail) return;
    static thread_local std::vector<char> buf(kDispatchBufferSize);
    int n = port.ReadBlock(buf.data(), int(triggerValue(data)));
    std::lock_guard lock(m);
    received += std::size_t(n);
    if (received >= kTotal) cv.notify_all();
  });
  measure(st, [&] {
    {
      std::lock_guard lock(m);
      received = 0;
    }
    std::thread far([&] { writeAll(pty.master, kTotal, block); });
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return received >= kTotal; });
    lock.unlock();
    far.join();
  });
  port.Close();
}

void BM_PortSend(benchmark::State& st) {
  const std::size_t block = std::size_t(st.range(0));
  PtyPair pty;
  TFxComPort port;
  port.DevicePath = pty.path;
  port.AutoOpen = false;
  port.OutSize = int(block);
  if (port.TryOpen() != 0) {
    st.SkipWithError("cannot open the port");
    return;
  }
  std::mutex m;
  std::condition_variable cv;
  bool room = false;
  const int freeTrigger = port.NewStatusTrigger(stOutBuffFree);
  port.AttachHandler([&](unsigned msg, int, std::uint32_t) {
    if (msg != kTriggerOutbuffFree) return;
    std::lock_guard lock(m);
    room = true;
    cv.notify_all();
  });
  const std::vector<char> bytes(block, 'U');
  measure(st, [&] {
    std::thread far([&] { readAll(pty.master, kTotal, block); });
    for (std::size_t done = 0; done < kTotal;) {
      int n = std::min(port.OutputSpace(), int(kTotal - done));
      if (n > 0 && port.WriteBlock(bytes.data(), n) == 0) {
        done += std::size_t(n);
        continue;
      }
      std::unique_lock lock(m);
      room = false;
      port.ArmStatusTrigger(freeTrigger, unsigned(block / 2));
      cv.wait(lock, [&] { return room; });
    }
    far.join();
  });
  port.Close();
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> rate, cpu;  // median bytes/s and CPU ms per MB
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) {
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      if (auto it = r.counters.find("bytes_per_second"); it != r.counters.end())
        rate[r.run_name.function_name + "/" + r.run_name.args] = it->second;
      if (auto it = r.counters.find("cpu_ms_per_MB"); it != r.counters.end())
        cpu[r.run_name.function_name + "/" + r.run_name.args] = it->second;
    }
  }
};

// CPU used by the whole process while one port stays open and idle.
double idlePortCpuPercent(double seconds) {
  PtyPair pty;
  TFxComPort port;
  port.DevicePath = pty.path;
  port.AutoOpen = false;
  if (port.TryOpen() != 0) return -1;
  const double before = processCpuSeconds();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  return (processCpuSeconds() - before) / seconds * 100.0;
}

}  // namespace

int main(int argc, char** argv) {
  // --idle-seconds=N sets how long the idle port is watched (0 skips it).
  double idleSeconds = 10.0;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]).rfind("--idle-seconds=", 0) == 0) {
      idleSeconds = std::atof(argv[i] + 15);
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      break;
    }
  using Bench = void (*)(benchmark::State&);
  const std::pair<const char*, Bench> benches[] = {{"plain_receive", BM_PlainReceive},
                                                   {"port_receive", BM_PortReceive},
                                                   {"plain_send", BM_PlainSend},
                                                   {"port_send", BM_PortSend}};
  for (const auto& [name, fn] : benches)
    for (std::int64_t size : kBlockSizes)
      benchmark::RegisterBenchmark(name, fn)->Arg(size)->Repetitions(5)->UseRealTime()->Unit(
          benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%-8s %6s %11s %11s %7s %12s %12s\n", "way", "block", "port MB/s", "plain MB/s",
              "ratio", "port cpu/MB", "plain cpu/MB");
  for (const char* way : {"receive", "send"})
    for (std::int64_t size : kBlockSizes) {
      const std::string arg = "/" + std::to_string(size);
      const std::string p = std::string("port_") + way + arg, q = std::string("plain_") + way + arg;
      if (reporter.rate[p] > 0 && reporter.rate[q] > 0)
        std::printf("%-8s %6lld %11.1f %11.1f %7.2f %10.2fms %10.2fms\n", way, (long long)size,
                    reporter.rate[p] / 1e6, reporter.rate[q] / 1e6,
                    reporter.rate[p] / reporter.rate[q], reporter.cpu[p], reporter.cpu[q]);
    }
  if (idleSeconds > 0)
    std::printf("\nidle open port over %.0f s: %.3f %% of one core\n", idleSeconds,
                idlePortCpuPercent(idleSeconds));
  benchmark::Shutdown();
  return 0;
}
