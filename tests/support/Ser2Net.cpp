#include "Ser2Net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

// Whether something listens on the loopback port, read from the kernel's socket
// table: a trial connection would make ser2net open the device and take a moment
// to let it go again.
bool Listening(uint16_t port) {
  std::ifstream table("/proc/net/tcp");
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (local == wanted && state == "0A") return true;
  }
  return false;
}

}  // namespace

uint16_t Ser2Net::FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  uint16_t port = 0;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

Ser2Net::Ser2Net(const std::vector<Line>& lines, bool charDelay) : m_lines(lines) {
  std::string yaml = "%YAML 1.1\n---\n";
  for (size_t i = 0; i < m_lines.size(); ++i) {
    m_ports.push_back(FreePort());
    yaml += "connection: &line" + std::to_string(i) + "\n";
    yaml += std::string("  accepter: ") + (m_lines[i].rfc2217 ? "telnet(rfc2217)," : "") + "tcp,127.0.0.1," +
            std::to_string(m_ports.back()) + "\n";
    yaml += "  connector: serialdev," + m_lines[i].device + ",115200n81,local\n";
    yaml += std::string("  options:\n    chardelay: ") + (charDelay ? "true" : "false") + "\n";
  }
  m_ok = m_dir.Write("ser2net.yaml", yaml) && Start();
}

Ser2Net::~Ser2Net() { Stop(); }

std::string Ser2Net::Address(size_t index) const {
  return std::string(m_lines.at(index).rfc2217 ? "rfc2217" : "tcp") + "://127.0.0.1:" + std::to_string(Port(index));
}

bool Ser2Net::Start() {
  if (m_pid > 0) return true;
  const std::string config = m_dir.File("ser2net.yaml");
  const std::string pidFile = m_dir.File("ser2net.pid");
  // -n: in the foreground, -u: no UUCP lock files in the system's lock folder.
  std::vector<std::string> words = {"ser2net", "-n", "-u", "-P", pidFile, "-c", config};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const int spawned = posix_spawnp(&m_pid, "ser2net", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    m_pid = -1;
    return false;
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (const uint16_t port : m_ports) {
    while (!Listening(port)) {
      if (std::chrono::steady_clock::now() > end || waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  return true;
}

void Ser2Net::Stop() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGKILL);
  waitpid(m_pid, nullptr, 0);
  m_pid = -1;
}

bool Ser2Net::HoldsDevice(const std::string& device) const {
  if (m_pid <= 0) return false;
  std::error_code error;
  const std::filesystem::path wanted = std::filesystem::canonical(device, error);
  if (error) return false;
  const std::string folder = "/proc/" + std::to_string(m_pid) + "/fd";
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::error_code linkError;
    if (std::filesystem::read_symlink(entry.path(), linkError) == wanted) return true;
  }
  return false;
}
