#include "serial/PortProbe.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "resources/StringIds.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"

namespace portprobe {
namespace {

namespace fs = std::filesystem;

std::mutex g_rootLock;
std::string g_sysRoot;  // empty: the system's own
std::string g_devRoot;

struct Roots {
  std::string sys;
  std::string dev;
};

Roots CurrentRoots() {
  std::lock_guard<std::mutex> guard(g_rootLock);
  return {g_sysRoot.empty() ? "/sys" : g_sysRoot, g_devRoot.empty() ? "/dev" : g_devRoot};
}

// sysfs attributes end in a line feed; some adapters pad their strings with blanks.
std::string FirstLine(const fs::path& path) {
  std::ifstream file(path);
  std::string line;
  if (!file || !std::getline(file, line)) return std::string();
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
    line.pop_back();
  }
  return line;
}

// Symbolic links followed as far as they lead, so a missing target still compares.
fs::path Resolved(const fs::path& path) {
  std::error_code error;
  fs::path out = fs::weakly_canonical(path, error);
  return error ? path.lexically_normal() : out;
}

bool IsInside(const fs::path& path, const fs::path& top) {
  const std::string text = path.string();
  const std::string prefix = top.string() + "/";
  return text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// A real device path as it appears under the device root in use.
fs::path UnderDevRoot(const std::string& device, const Roots& roots) {
  if (roots.dev == "/dev" || device.rfind("/dev/", 0) != 0) return device;
  return fs::path(roots.dev) / device.substr(5);
}

// The persistent names by the node they lead to. Several names for one node
// (one per interface of a multi-port adapter, say) give the first in name order,
// so the answer is the same on every run.
std::map<std::string, std::string> StableNames(const Roots& roots) {
  std::map<std::string, std::string> names;
  std::error_code error;
  fs::directory_iterator it(fs::path(roots.dev) / "serial/by-id", error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    const std::string name = it->path().string();
    auto [slot, added] = names.emplace(Resolved(it->path()).string(), name);
    if (!added && name < slot->second) slot->second = name;
  }
  return names;
}

// A USB serial port's device folder is an interface (or a port below it); the
// descriptor strings sit on the first folder above that carries the vendor id.
void ReadUsbNames(const std::string& ttyName, const Roots& roots, PortFacts& facts) {
  const fs::path top = Resolved(roots.sys);
  fs::path folder = Resolved(fs::path(roots.sys) / "class/tty" / ttyName / "device");
  std::error_code error;
  if (!fs::is_directory(folder, error)) return;
  for (; IsInside(folder, top); folder = folder.parent_path()) {
    if (fs::exists(folder / "idVendor", error)) {
      facts.usbProduct = FirstLine(folder / "product");
      facts.usbSerial = FirstLine(folder / "serial");
      facts.usbManufacturer = FirstLine(folder / "manufacturer");
      return;
    }
  }
}

// The *_r look-ups want a buffer of unknown size: grow it until the entry fits.
template <typename Entry, typename Key, typename Lookup>
bool LookUp(Key key, Entry& entry, std::vector<char>& buffer, Lookup lookup) {
  buffer.resize(4096);
  for (;;) {
    Entry* found = nullptr;
    const int result = lookup(key, &entry, buffer.data(), buffer.size(), &found);
    if (result == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    return result == 0 && found != nullptr;
  }
}

struct Account {
  std::string name;
  gid_t primaryGroup = 0;
  bool known = false;  // in the user database
};

Account CurrentAccount() {
  Account account;
  passwd entry{};
  std::vector<char> buffer;
  if (LookUp(geteuid(), entry, buffer, getpwuid_r)) {
    account = {entry.pw_name, entry.pw_gid, true};
  } else {
    account = {std::to_string(geteuid()), getegid(), false};
  }
  return account;
}

std::string GroupName(gid_t gid) {
  group entry{};
  std::vector<char> buffer;
  if (LookUp(gid, entry, buffer, getgrgid_r)) return entry.gr_name;
  return std::to_string(gid);
}

PortFacts::Membership MembershipOf(gid_t gid, const Account& account) {
  if (getegid() == gid) return PortFacts::Membership::Active;
  std::vector<gid_t> groups(static_cast<size_t>(std::max(0, getgroups(0, nullptr))));
  const int count = getgroups(static_cast<int>(groups.size()), groups.data());
  groups.resize(static_cast<size_t>(std::max(0, count)));
  if (std::count(groups.begin(), groups.end(), gid) != 0) return PortFacts::Membership::Active;
  if (!account.known) return PortFacts::Membership::None;
  // The group database as it is now, not as it was when this session began.
  int size = 64;
  std::vector<gid_t> listed(static_cast<size_t>(size));
  while (getgrouplist(account.name.c_str(), account.primaryGroup, listed.data(), &size) < 0) {
    if (size <= static_cast<int>(listed.size())) return PortFacts::Membership::None;
    listed.resize(static_cast<size_t>(size));
  }
  listed.resize(static_cast<size_t>(size));
  return std::count(listed.begin(), listed.end(), gid) != 0 ? PortFacts::Membership::Pending
                                                            : PortFacts::Membership::None;
}

std::optional<int> ParsePid(const char* name) {
  int pid = 0;
  for (const char* c = name; *c; ++c) {
    if (*c < '0' || *c > '9' || pid > 100'000'000) return std::nullopt;
    pid = pid * 10 + (*c - '0');
  }
  return pid > 0 ? std::optional<int>(pid) : std::nullopt;
}

// The number of a pseudo-terminal's slave side (/dev/pts/N), by its device number.
std::optional<unsigned> PtyIndex(dev_t node) {
  const unsigned major = ::major(node);
  if (major < 136 || major > 143) return std::nullopt;
  return (major - 136) * 256 + ::minor(node);
}

bool IsPtyMaster(dev_t node) { return node == makedev(5, 2); }  // /dev/ptmx, /dev/pts/ptmx

// Which pseudo-terminal a master descriptor drives, from its "tty-index:" line.
std::optional<unsigned> MasterIndex(const std::string& pid, const char* fd) {
  std::ifstream info("/proc/" + pid + "/fdinfo/" + fd);
  for (std::string line; std::getline(info, line);) {
    if (line.rfind("tty-index:", 0) != 0) continue;
    const char* digits = line.c_str() + 10;
    char* end = nullptr;
    const unsigned long index = std::strtoul(digits, &end, 10);
    if (end != digits) return static_cast<unsigned>(index);
  }
  return std::nullopt;
}

struct ProcessScan {
  std::map<dev_t, std::vector<Holder>> others;
  std::set<dev_t> here;
};

// Who has the wanted device nodes open, from every process's descriptor links.
// A process we may not inspect, or one that ends meanwhile, is passed over:
// the answer is what could be seen. The one process that holds a
// pseudo-terminal's master is the far end of the line (a simulated drive keeps
// the slave open too, so the master sees no hang-up), not a program competing
// for it. When several hold the master, as a forked child inherits it, each
// slave handle counts.
ProcessScan ScanProcesses(const std::set<dev_t>& wanted) {
  ProcessScan scan;
  if (wanted.empty()) return scan;
  DIR* proc = opendir("/proc");
  if (!proc) return scan;
  const int self = static_cast<int>(getpid());
  struct Seen {
    int pid;
    std::string folder;  // the pid as /proc spells it
    std::set<dev_t> found;
    std::set<unsigned> masters;
  };
  std::vector<Seen> seen;
  std::map<unsigned, int> masterHolders;
  while (const dirent* entry = readdir(proc)) {
    const std::optional<int> pid = ParsePid(entry->d_name);
    if (!pid) continue;
    const std::string folder = std::string(entry->d_name) + "/fd";
    const int folderFd = openat(dirfd(proc), folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) continue;
    DIR* fds = fdopendir(folderFd);
    if (!fds) {
      close(folderFd);
      continue;
    }
    Seen process{*pid, entry->d_name, {}, {}};
    while (const dirent* fd = readdir(fds)) {
      if (fd->d_name[0] == '.') continue;
      // Only the start of the target matters; most descriptors are sockets,
      // pipes and files, and a stat of each would cost more than the link.
      char target[8];
      const ssize_t length = readlinkat(folderFd, fd->d_name, target, sizeof target);
      if (length < 5 || std::memcmp(target, "/dev/", 5) != 0) continue;
      struct stat node {};
      if (fstatat(folderFd, fd->d_name, &node, 0) != 0 || !S_ISCHR(node.st_mode)) continue;
      if (wanted.count(node.st_rdev) != 0) process.found.insert(node.st_rdev);
      if (IsPtyMaster(node.st_rdev)) {
        if (const std::optional<unsigned> index = MasterIndex(process.folder, fd->d_name)) {
          process.masters.insert(*index);
        }
      }
    }
    closedir(fds);
    for (const unsigned index : process.masters) ++masterHolders[index];
    if (!process.found.empty()) seen.push_back(std::move(process));
  }
  closedir(proc);
  for (Seen& process : seen) {
    if (process.pid == self) {
      scan.here.insert(process.found.begin(), process.found.end());
      continue;
    }
    const Holder holder{process.pid, FirstLine("/proc/" + process.folder + "/comm")};
    for (const dev_t node : process.found) {
      const std::optional<unsigned> index = PtyIndex(node);
      if (index && process.masters.count(*index) != 0 && masterHolders[*index] == 1) continue;
      scan.others[node].push_back(holder);
    }
  }
  for (auto& [node, holders] : scan.others) {
    std::sort(holders.begin(), holders.end(), [](const Holder& a, const Holder& b) { return a.pid < b.pid; });
  }
  return scan;
}

// A USB adapter's node names its family; the ports file may name a persistent
// link to it instead.
bool IsUsbDevice(const std::string& path) {
  return path.rfind("/dev/ttyUSB", 0) == 0 || path.rfind("/dev/ttyACM", 0) == 0 ||
         path.find("/serial/by-id/usb-") != std::string::npos;
}

// Running processes named as a service that takes USB serial adapters.
std::vector<Holder> RunningGrabbers() {
  std::vector<Holder> found;
  DIR* proc = opendir("/proc");
  if (!proc) return found;
  while (const dirent* entry = readdir(proc)) {
    const std::optional<int> pid = ParsePid(entry->d_name);
    if (!pid) continue;
    const std::string name = FirstLine(std::string("/proc/") + entry->d_name + "/comm");
    if (name == kBrailleService) found.push_back({*pid, name});
  }
  closedir(proc);
  std::sort(found.begin(), found.end(), [](const Holder& a, const Holder& b) { return a.pid < b.pid; });
  return found;
}

// Opens the node as Open does and takes the same lock, then lets go at once.
void TryOpen(PortFacts& facts) {
  const int fd = open(facts.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    facts.error = errno;
    facts.access = AccessOfError(facts.error);
    return;
  }
  facts.access = Access::Ok;
  if (isatty(fd) == 0) {
    facts.access = Access::NotSerial;
  } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    facts.error = errno;
    facts.access = AccessOfError(facts.error);
  } else {
    // An administrator opens past another program's exclusive flag; the port is
    // still taken.
    int exclusive = 0;
    if (ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) facts.access = Access::Busy;
  }
  close(fd);  // the lock goes with it
  // A terminal program that takes no lock would still fight us for every byte.
  if (facts.access == Access::Ok && !facts.holders.empty()) facts.access = Access::Busy;
}

std::vector<PortFacts> ProbeNumbers(const std::vector<unsigned>& coms) {
  const Roots roots = CurrentRoots();
  const Account account = CurrentAccount();
  std::vector<PortFacts> all(coms.size());
  std::vector<std::optional<dev_t>> nodes(coms.size());
  std::vector<gid_t> owners(coms.size(), 0);
  std::set<dev_t> wanted;
  std::map<gid_t, std::string> groupNames;
  std::vector<PortFacts*> networks;

  for (size_t i = 0; i < coms.size(); ++i) {
    PortFacts& facts = all[i];
    facts.com = coms[i];
    facts.user = account.name;
    const std::optional<std::string> path = portmap::PathOf(coms[i]);
    if (!path) {
      facts.access = Access::Gone;
      facts.error = ENOENT;
      continue;
    }
    facts.device = *path;
    if (netaddr::IsNetworkPath(*path)) {
      networks.push_back(&facts);
      continue;
    }
    struct stat node {};
    if (stat(path->c_str(), &node) != 0) continue;
    owners[i] = node.st_gid;
    auto [name, added] = groupNames.emplace(node.st_gid, std::string());
    if (added) name->second = GroupName(node.st_gid);
    facts.group = name->second;
    facts.groupReadWrite = (node.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (S_ISCHR(node.st_mode)) {
      nodes[i] = node.st_rdev;
      wanted.insert(node.st_rdev);
    }
  }

  ProbeNetworks(networks);

  // Read once for all ports: the process table is by far the largest thing here.
  const ProcessScan scan = ScanProcesses(wanted);
  const std::map<std::string, std::string> stableNames = StableNames(roots);

  for (size_t i = 0; i < coms.size(); ++i) {
    PortFacts& facts = all[i];
    if (facts.device.empty() || facts.network) continue;
    if (nodes[i]) {
      const auto held = scan.others.find(*nodes[i]);
      if (held != scan.others.end()) facts.holders = held->second;
      facts.heldHere = scan.here.count(*nodes[i]) != 0;
    }
    const fs::path node = Resolved(UnderDevRoot(facts.device, roots));
    const auto stable = stableNames.find(node.string());
    if (stable != stableNames.end()) facts.stableName = stable->second;
    ReadUsbNames(node.filename().string(), roots, facts);
    TryOpen(facts);
    if (facts.access == Access::NoPermission && !facts.group.empty()) {
      facts.membership = MembershipOf(owners[i], account);
    }
  }
  // Only a vanished USB adapter is worth a look through every process's name.
  const bool usbGone = std::any_of(all.begin(), all.end(), [](const PortFacts& facts) {
    return facts.access == Access::Gone && IsUsbDevice(facts.device);
  });
  if (usbGone) {
    const std::vector<Holder> grabbers = RunningGrabbers();
    for (PortFacts& facts : all) {
      if (facts.access == Access::Gone && IsUsbDevice(facts.device)) facts.grabbers = grabbers;
    }
  }
  return all;
}

}  // namespace

Access AccessOfError(int error) {
  switch (error) {
    case 0: return Access::Ok;
    case EACCES:
    case EPERM: return Access::NoPermission;
    case EBUSY:        // another program's exclusive flag
    case EWOULDBLOCK:  // another program's lock
      return Access::Busy;
    case ENOENT:
    case ENXIO:  // a node without hardware behind it
    case ENODEV:
    case EIO:  // an adapter pulled out while it opens, a hung-up pseudo-terminal
    case ENOTDIR: return Access::Gone;
    default: return Access::Failed;
  }
}

PortFacts Probe(unsigned com) { return ProbeNumbers({com}).front(); }

std::vector<PortFacts> Probe(const std::vector<unsigned>& coms) { return ProbeNumbers(coms); }

std::vector<PortFacts> ProbeAll() {
  std::vector<unsigned> ports;
  CRs232CB::ListPorts(ports);
  return ProbeNumbers(ports);
}

int FailedAdviceId() { return ids::DoctorAdviceFailed; }

void SetRootsForTest(const std::string& sysRoot, const std::string& devRoot) {
  std::lock_guard<std::mutex> guard(g_rootLock);
  g_sysRoot = sysRoot;
  g_devRoot = devRoot;
}

}  // namespace portprobe
