// The independent fax terminal as a child process.
#include "fax_peer.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "faximage/line_source.h"

#ifndef BRINDLE_FAXPEER
#error "BRINDLE_FAXPEER must name the peer program"
#endif

namespace faxengine::test {

namespace {
int run(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()); }
}  // namespace

std::string FaxPeer::program() {
  return ::access(BRINDLE_FAXPEER, X_OK) == 0 ? BRINDLE_FAXPEER : "";
}

FaxPeer::FaxPeer(const std::vector<std::string>& options) {
  std::vector<std::string> args = {program(), "--timeout", "240"};
  args.insert(args.end(), options.begin(), options.end());
  if (args[0].empty()) return;
  child_ = std::make_unique<ChildProcess>(args, dir_.path("peer.log"));
  for (const std::string& line :
       child_->readLines([](auto& l) { return l.starts_with("PTY "); }, 20))
    if (line.starts_with("PTY ")) pty_ = line.substr(4);
}

bool FaxPeer::finish(int seconds) {
  if (!child_) return false;
  for (const std::string& line : child_->readLines([](auto&) { return false; }, seconds)) {
    if (line.starts_with("RESULT ")) result_ = line;
    if (line.starts_with("NOTE ")) note_ = line;
  }
  return !result_.empty();
}

std::string FaxPeer::log() const {
  std::ifstream f(dir_.path("peer.log"));
  return {std::istreambuf_iterator<char>(f), {}};
}

std::string FaxPeer::field(const std::string& name) const {
  std::size_t at = result_.find(" " + name + "=");
  if (at == std::string::npos) return {};
  at += name.size() + 2;
  if (at < result_.size() && result_[at] == '"') {
    std::size_t end = result_.find('"', at + 1);
    return result_.substr(at + 1, end == std::string::npos ? end : end - at - 1);
  }
  return result_.substr(at, result_.find(' ', at) - at);
}

void writeTiff(const std::string& path, const std::vector<Picture>& pages, const TempDir& dir) {
  std::string raws;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    std::string raw = dir.path("page" + std::to_string(i) + ".g3");
    std::vector<std::uint8_t> data = codedPage(pages[i]);
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    raws += " " + raw;
  }
  ASSERT_EQ(std::system(("fax2tiff -1 -L -R 98 -o " + path + raws + " >/dev/null 2>&1").c_str()),
            0);
}

Picture tiffPage(const std::string& tif, int n, const TempDir& dir) {
  std::string plain = dir.path("plain.tif");
  if (run("tiffcp -c none " + tif + "," + std::to_string(n - 1) + " " + plain) != 0) return {};
  std::ifstream f(plain, std::ios::binary);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(f), {}};
  auto source = faximage::makeTiffSource({faximage::kNormalWidth, 0, 0, false});
  Picture rows;
  if (source->openBytes(bytes) != 0) return rows;
  for (;;) {
    faximage::LineBuffer line{};
    faximage::LineRead r;
    if (source->readLine(line, r) != 0 || r.endOfPage) break;
    rows.push_back(pictureRow(line.data(), faximage::kNormalWidth));
  }
  return rows;
}

bool havePeer() { return !FaxPeer::program().empty() && run("command -v fax2tiff tiffcp") == 0; }

}  // namespace faxengine::test
