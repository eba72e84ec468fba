// The fax sessions on a real serial port: PortLink carries out what a state machine asks
// of the port and turns the port's triggers into machine triggers; PortChannel sends
// commands and reads lines on the owner thread while a session is being prepared.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "faxengine/comport.h"
#include "faxengine/fax_machine.h"
#include "faxengine/modem_probe.h"
#include "faxengine/response_line.h"

namespace faxengine {

class PortLink final : public ModemLink {
 public:
  explicit PortLink(TFxComPort& port) : port_(port) {}
  ~PortLink() override;

  // Takes the triggers a session needs; 0 or -5001.
  int registerTriggers();
  // Routes the port's triggers to the machine (on the dispatcher thread).
  void attach(FaxMachine& machine);
  void detach();
  TFxComPort& port() { return port_; }

  bool write(std::span<const std::uint8_t> bytes) override;
  std::size_t outputCount() const override;
  std::size_t outputSpace() const override;
  void flushInput() override;
  void flushOutput() override;
  void setDtrRts(bool on) override;
  Carrier carrier() const override;
  void setBaud(int bps) override;
  void setSoftwareFlow(SoftwareFlow mode, int bufferFull, int bufferResume) override;
  const Clock& clock() const override { return *port_.TimeSource; }
  void armPauseTimer(int ms) override;
  void armReplyTimer(Ticks ticks) override;
  void stopReplyTimer() override;
  void armStatusTimer(Ticks ticks) override;
  void armOutputFree(std::size_t bytes) override;
  void armOutputLow(std::size_t bytes) override;
  void armOutputEmpty() override;
  void note(std::string_view text) override;

 private:
  void onTrigger(unsigned msg, int handle, unsigned value);
  // Runs the machine for a trigger with the input it has not taken yet.
  void withInput(Trigger t);

  TFxComPort& port_;
  FaxMachine* machine_ = nullptr;
  int handler_ = 0;
  int replyTimer_ = 0, pauseTimer_ = 0, statusTimer_ = 0, outFree_ = 0, outLow_ = 0, outEmpty_ = 0, modemStatus_ = 0,
      lineError_ = 0;
  std::vector<std::uint8_t> input_;  // read from the port, not yet taken by the machine
};

class PortChannel final : public CommandChannel {
 public:
  explicit PortChannel(TFxComPort& port) : port_(port) {}
  // Stops the exchange (the user cancelled): nothing more is written or waited for.
  void cancel() { cancelled_ = true; }
  bool cancelled() const { return cancelled_; }
  // Cancelled, or the device has gone: every command fails at once.
  bool stopped() const { return cancelled_ || port_.DeviceLost(); }

  bool write(std::string_view bytes) override;
  std::optional<std::string> readLine(Ticks ticks) override;
  void flushInput() override;
  void setDtrRts(bool on) override;
  void pause(int ms) override;

 private:
  TFxComPort& port_;
  ResponseCollector lines_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace faxengine
