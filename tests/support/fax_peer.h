// The independent fax terminal (../shared/faxpeer, built out of tree by the test script) as
// a child process: a Class 1 modem on a pseudo-terminal with a complete T.30 terminal
// behind a simulated telephone line. It prints "PTY path" when ready and one "RESULT ..."
// line (and a "NOTE ..." line when the application misbehaved) when it ends.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "fax_pages.h"

namespace faxengine::test {

class FaxPeer {
 public:
  // The built program, or "" when the test script did not build it.
  static std::string program();

  // Starts it with the options and a bounded --timeout.
  explicit FaxPeer(const std::vector<std::string>& options);
  bool ready() const { return !pty_.empty(); }
  const std::string& pty() const { return pty_; }
  // Waits for the RESULT line (the peer prints it once the port is closed).
  bool finish(int seconds);
  const std::string& result() const { return result_; }
  const std::string& note() const { return note_; }
  // A field of the RESULT line ("rate", "pages", "bad_rows" ...), quotes removed.
  std::string field(const std::string& name) const;
  // What it logged (to tell why a call failed).
  std::string log() const;

 private:
  TempDir dir_;
  std::unique_ptr<ChildProcess> child_;
  std::string pty_, result_, note_;
};

// Pages as a TIFF-F file for the peer to send: our MH coding through libtiff's fax2tiff;
// the coded pages go into `dir` on the way.
void writeTiff(const std::string& path, const std::vector<Picture>& pages, const TempDir& dir);
// Page n (from 1) of a TIFF the peer wrote (libtiff's tiffcp uncompresses it and our TIFF
// reader takes its rows); empty when it cannot be read.
Picture tiffPage(const std::string& tif, int n, const TempDir& dir);
// The peer is built and libtiff's tools are there.
bool havePeer();

}  // namespace faxengine::test
