// Linux serial devices through termios and the modem-control ioctls.
#include "faxengine/serial_device.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

#include "faxcodes/error_codes.h"

namespace faxengine {

namespace {

using namespace faxcodes;

struct Rate {
  int bps;
  speed_t code;
};
constexpr Rate kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool speedCode(int bps, speed_t& out) {
  for (const auto& r : kRates)
    if (r.bps == bps) {
      out = r.code;
      return true;
    }
  return false;
}

// Fills t from the settings; false when a value has no termios form.
bool buildTermios(termios& t, const LineSettings& line) {
  speed_t speed;
  if (!speedCode(line.baud, speed)) return false;
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  if (line.dataBits < 5 || line.dataBits > 8 || (line.stopBits != 1 && line.stopBits != 2))
    return false;
  cfmakeraw(&t);
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD | kSizes[line.dataBits - 5];
  if (line.stopBits == 2) t.c_cflag |= CSTOPB;
  switch (line.parity) {
    case TParity::pNone: break;
    case TParity::pOdd: t.c_cflag |= PARENB | PARODD; break;
    case TParity::pEven: t.c_cflag |= PARENB; break;
    case TParity::pMark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case TParity::pSpace: t.c_cflag |= PARENB | CMSPAR; break;
  }
  if (line.hwFlow & (hwfUseRTS | hwfRequireCTS)) t.c_cflag |= CRTSCTS;
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (line.swFlow == TSWFlowOptions::swfTransmit || line.swFlow == TSWFlowOptions::swfBoth)
    t.c_iflag |= IXON;
  if (line.swFlow == TSWFlowOptions::swfReceive || line.swFlow == TSWFlowOptions::swfBoth)
    t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = line.xon;
  t.c_cc[VSTOP] = line.xoff;
  t.c_cc[VMIN] = 0;  // reads return at once with what is there
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  return true;
}

}  // namespace

int openErrorCode(int err) {
  switch (err) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTTY: return ecNoSuchPort;
    case EBUSY:
    case EWOULDBLOCK: return ecPortInUse;
    case EACCES:
    case EPERM: return ecPortAccessDenied;
    default: return err > 0 ? -err : ecNoSuchPort;
  }
}

int SerialDevice::open(const std::string& path, const LineSettings& line) {
  close();
  if (path.empty()) return ecNoSuchPort;
  // Without O_NONBLOCK the open of a serial device waits for carrier.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return openErrorCode(errno);
  fd_.reset(fd);
  // The advisory lock also keeps out a second opener that may ignore TIOCEXCL (root).
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int rc = openErrorCode(errno);
    close();
    return rc;
  }
  termios t{};
  if (::tcgetattr(fd, &t) != 0) {
    int rc = openErrorCode(errno);
    close();
    return rc;
  }
  t.c_cflag |= CLOCAL;
  ::tcsetattr(fd, TCSANOW, &t);
  if (int rc = applyLine(line); rc != 0) {
    close();
    return rc;
  }
  ::ioctl(fd, TIOCEXCL);
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  int bits = 0;
  hasLines_ = ::ioctl(fd, TIOCMGET, &bits) == 0;
  return 0;
}

void SerialDevice::close() {
  if (!fd_) return;
  ::ioctl(fd_.get(), TIOCNXCL);
  fd_.reset();
  hasLines_ = false;
}

int SerialDevice::applyLine(const LineSettings& line) {
  termios old{};
  if (::tcgetattr(fd_.get(), &old) != 0) return ecBadLineSettings;
  termios t = old;
  if (!buildTermios(t, line)) return ecBadLineSettings;
  if (::tcsetattr(fd_.get(), TCSANOW, &t) != 0) return ecBadLineSettings;
  // tcsetattr succeeds when any part was taken; check the speed and size really were.
  termios now{};
  if (::tcgetattr(fd_.get(), &now) != 0 || cfgetospeed(&now) != cfgetospeed(&t) ||
      (now.c_cflag & CSIZE) != (t.c_cflag & CSIZE)) {
    ::tcsetattr(fd_.get(), TCSANOW, &old);
    return ecBadLineSettings;
  }
  return 0;
}

void SerialDevice::setDTR(bool on) { setLine(TIOCM_DTR, on); }
void SerialDevice::setRTS(bool on) { setLine(TIOCM_RTS, on); }

void SerialDevice::setLine(int bit, bool on) {
  if (!fd_ || !hasLines_) return;
  ::ioctl(fd_.get(), on ? TIOCMBIS : TIOCMBIC, &bit);
}

std::uint8_t SerialDevice::modemLines() const {
  int bits = 0;
  if (!fd_ || !hasLines_ || ::ioctl(fd_.get(), TIOCMGET, &bits) != 0) return 0;
  std::uint8_t s = 0;
  if (bits & TIOCM_CTS) s |= msCTS;
  if (bits & TIOCM_DSR) s |= msDSR;
  if (bits & TIOCM_RI) s |= msRI;
  if (bits & TIOCM_CD) s |= msDCD;
  return s;
}

bool SerialDevice::errorCounts(LineErrorCounts& out) const {
  serial_icounter_struct c{};
  if (!fd_ || !hasLines_ || ::ioctl(fd_.get(), TIOCGICOUNT, &c) != 0) return false;
  out = {std::uint32_t(c.overrun), std::uint32_t(c.parity), std::uint32_t(c.frame),
         std::uint32_t(c.brk), std::uint32_t(c.buf_overrun)};
  return true;
}

int SerialDevice::driverOutputQueued() const {
  int n = 0;
  if (!fd_ || ::ioctl(fd_.get(), TIOCOUTQ, &n) != 0) return 0;
  return n;
}

void SerialDevice::flushInput() {
  if (fd_) ::tcflush(fd_.get(), TCIFLUSH);
}
void SerialDevice::flushOutput() {
  if (fd_) ::tcflush(fd_.get(), TCOFLUSH);
}
void SerialDevice::sendStop() {
  if (fd_) ::tcflow(fd_.get(), TCIOFF);
}
void SerialDevice::sendStart() {
  if (fd_) ::tcflow(fd_.get(), TCION);
}
void SerialDevice::restartOutput() {
  if (fd_) ::tcflow(fd_.get(), TCOON);
}

}  // namespace faxengine
