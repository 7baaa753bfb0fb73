#include "serial/Rs232.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "serial/PortTable.h"
#include "serial/Termios2.h"

namespace {

// Slack added to the computed transmission time when waiting for output to leave.
constexpr int64_t kDrainMarginNs = 200'000'000;

int64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void SleepNs(int64_t ns) {
  if (ns <= 0) return;
  timespec span{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
  while (nanosleep(&span, &span) != 0 && errno == EINTR) {
  }
}

std::optional<speed_t> StandardSpeed(int32_t baud) {
  static const std::pair<int32_t, speed_t> kRates[] = {
      {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
      {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
      {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
      {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
      {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
      {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
  };
  for (const auto& rate : kRates) {
    if (rate.first == baud) return rate.second;
  }
  return std::nullopt;
}

// Raw 8N1 without flow control, the modem lines ignored and left up at close,
// reads returning at once. Failures are not reported: a refused setting must not
// fail Open, the first transaction shows whether the drive understands us.
void ConfigureLine(int fd, int32_t baud) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return;
  settings.c_iflag &=
      ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK | IMAXBEL | IUCLC);
  settings.c_oflag &= ~OPOST;
  settings.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL | CMSPAR);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  const std::optional<speed_t> standard = StandardSpeed(baud);
  if (standard) {
    cfsetispeed(&settings, *standard);
    cfsetospeed(&settings, *standard);
  }
  tcsetattr(fd, TCSANOW, &settings);
  if (!standard) serialdetail::SetAnyBaudRate(fd, baud);
}

std::optional<std::string> ReadSmallFile(const std::string& path) {
  std::ifstream file(path);
  if (!file) return std::nullopt;
  std::string text;
  std::getline(file, text);
  if (file.bad()) return std::nullopt;
  return text;
}

// A ttyS slot exists for every possible legacy port; only some have a UART.
bool HasUart(const std::string& name) {
  if (const std::optional<std::string> type = ReadSmallFile("/sys/class/tty/" + name + "/type")) {
    return std::atoi(type->c_str()) != PORT_UNKNOWN;
  }
  const int fd = open(("/dev/" + name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EBUSY;  // held exclusively by someone: it is real
  serial_struct info{};
  const bool real = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
  close(fd);
  return real;
}

}  // namespace

bool CRs232CB::IsLostError(int error) { return error == EIO || error == ENXIO || error == ENODEV || error == EBADF; }

std::vector<unsigned> CRs232CB::SystemPorts() {
  std::vector<unsigned> found;
  if (DIR* folder = opendir("/sys/class/tty")) {
    while (const dirent* entry = readdir(folder)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      const std::optional<unsigned> number = portmap::NumberOfDevice("/dev/" + name);
      if (!number) continue;
      // Virtual terminals and pseudo-terminals have no device behind them.
      struct stat link {};
      if (lstat(("/sys/class/tty/" + name + "/device").c_str(), &link) != 0) continue;
      if (name.rfind("ttyS", 0) == 0 && !HasUart(name)) continue;
      // Listed even when we may not open it, so the user learns why Open fails.
      found.push_back(*number);
    }
    closedir(folder);
  }
  std::sort(found.begin(), found.end());
  return found;
}

bool CRs232CB::DeviceExists(const std::string& path) {
  // A file or a disk behind a ports-file line is no port, however it opens.
  struct stat node {};
  if (stat(path.c_str(), &node) != 0) return errno != ENOENT && errno != ENOTDIR;
  return S_ISCHR(node.st_mode);
}

int CRs232CB::OpenDevice(uint8_t port, int32_t baudRate) {
  StartOpen(port, baudRate);

  const std::optional<std::string> path = portmap::PathOf(port);
  if (!path) return 0;
  const int fd = open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  // Only a terminal has line settings; a disk or a file named by mistake in the
  // ports file would take the link's bytes as data.
  if (isatty(fd) == 0) {
    close(fd);
    return 0;
  }
  // Exclusive: flock keeps out every other well-behaved program (root included),
  // TIOCEXCL keeps out plain opens by other users.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return 0;
  }
  ioctl(fd, TIOCEXCL);

  ConfigureLine(fd, baudRate);
  // A pseudo-terminal has no modem lines and refuses this; that is fine.
  const int lines = TIOCM_DTR | TIOCM_RTS;
  ioctl(fd, TIOCMBIS, &lines);
  tcflush(fd, TCIOFLUSH);

  return Opened(fd);
}

void CRs232CB::ReleaseHandle() {
  if (m_handle < 0) return;
  const int fd = static_cast<int>(m_handle);
  // The exclusive flag belongs to the device, not to our handle, and outlives
  // it while anyone else (a simulator, a getty) keeps the device open.
  ioctl(fd, TIOCNXCL);
  // Closing also releases the flock, so the port can be opened again at once.
  close(fd);
  m_handle = -1;
}

bool CRs232CB::DeviceHungUp() const {
  // A hang-up is reported whatever is asked for; bytes waiting are left alone.
  pollfd watch{static_cast<int>(m_handle), 0, 0};
  return poll(&watch, 1, 0) > 0 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

int CRs232CB::FillReadAhead(int maxWaitMicros) {
  const int fd = static_cast<int>(m_handle);
  pollfd watch{fd, POLLIN, 0};
  const timespec wait{maxWaitMicros / 1000000, (maxWaitMicros % 1000000) * 1000L};
  const int ready = ppoll(&watch, 1, &wait, nullptr);
  if (ready < 0) return errno == EINTR ? 0 : -1;
  if (ready == 0) return 0;
  if (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) {
    GiveUpPort();
    return -1;
  }
  if (!(watch.revents & POLLIN)) return 0;

  const ssize_t got = read(fd, m_readAhead, sizeof m_readAhead);
  if (got == 0) {
    // Readable yet nothing to read: the other end is gone.
    GiveUpPort();
    return -1;
  }
  if (got < 0) {
    const int error = errno;
    if (error == EAGAIN || error == EINTR) return 0;
    FailedBecauseLost(error);
    return -1;
  }
  return static_cast<int>(got);
}

bool CRs232CB::WriteDevice(const uint8_t* data, size_t size) {
  if (!m_open) return false;
  const int fd = static_cast<int>(m_handle);
  const int64_t byteNs = m_baudRate > 0 ? 10'000'000'000LL / m_baudRate : 0;
  const int64_t deadline = NowNs() + static_cast<int64_t>(size) * byteNs * 2 + kDrainMarginNs;

  size_t done = 0;
  while (done < size) {
    const ssize_t wrote = write(fd, data + done, size - done);
    if (wrote > 0) {
      done += static_cast<size_t>(wrote);
      continue;
    }
    const int error = wrote < 0 ? errno : EAGAIN;
    if (error == EINTR) continue;
    if (error != EAGAIN) {
      FailedBecauseLost(error);
      return false;
    }
    const int64_t left = deadline - NowNs();
    if (left <= 0) return false;
    pollfd watch{fd, POLLOUT, 0};
    const int ready = poll(&watch, 1, static_cast<int>(std::min<int64_t>(left / 1'000'000 + 1, 100)));
    if (ready > 0 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL))) {
      GiveUpPort();
      return false;
    }
  }

  // Wait until the output queue is empty. tcdrain could wait for ever behind a
  // stuck adapter, so the queue is watched against a deadline instead, sleeping
  // about as long as the bytes still queued need on the wire.
  for (;;) {
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) != 0) {
      // Not a terminal (nothing to drain) or gone.
      if (FailedBecauseLost(errno)) return false;
      return true;
    }
    if (queued <= 0) return true;
    const int64_t now = NowNs();
    if (now >= deadline) {
      tcflush(fd, TCOFLUSH);
      return false;
    }
    SleepNs(std::min<int64_t>(std::max<int64_t>(queued * byteNs, 50'000), deadline - now));
  }
}
