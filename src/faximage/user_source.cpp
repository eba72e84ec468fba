// Page source for lines supplied by the caller's events.
#include <algorithm>

#include "faximage/errors.h"
#include "faximage/line_source.h"

namespace faximage {

namespace {

class UserSource : public LineSource {
 public:
  explicit UserSource(UserLineEvents e) : events_(std::move(e)) {}

  int open(const std::string& name) override {
    if (events_.open) events_.open(name);
    return ecOK;
  }
  int openBytes(std::span<const std::uint8_t>) override { return ecOK; }

  int readLine(LineBuffer& line, LineRead& r) override {
    if (!events_.read) {
      r.endOfPage = true;
      r.morePages = false;
      return ecOK;
    }
    int len = 0;
    bool eop = false, more = true;
    events_.read(line.data(), len, eop, more);
    r.length = std::clamp(len, 0, kLineBufferBytes);
    r.endOfPage = eop;
    r.morePages = more;
    return ecOK;
  }

  void close() override {
    if (events_.close) events_.close();
  }

 private:
  UserLineEvents events_;
};

}  // namespace

std::unique_ptr<LineSource> makeUserSource(UserLineEvents events) {
  return std::make_unique<UserSource>(std::move(events));
}

}  // namespace faximage
