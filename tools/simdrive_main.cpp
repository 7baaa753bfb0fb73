// simdrive: a simulated drive behind a pseudo-terminal, reachable under a COM
// number through the ports file, so the setting program can be tried without
// hardware.

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "resources/Paths.h"
#include "tools/PortsFileEdit.h"
#include "tools/SimDrive.h"

namespace {

void PrintHelp(const char* program) {
  std::printf(
      "Usage: %s [options]\n"
      "Starts a simulated drive on a pseudo-terminal and registers it in the ports file\n"
      "as a COM port, so the setting program lists and opens it like a real port.\n"
      "It echoes every byte and answers VER, MAD, MDA, SDP, SMP, VDP, VMP, MDB and any\n"
      "other three-letter command with an OKY or ERR line. It runs until Ctrl+C or\n"
      "SIGTERM and then removes its line from the ports file. SIGUSR1 prints the\n"
      "bytes received and sent and the commands so far, for wire-time sums.\n"
      "\n"
      "Options:\n"
      "  --com N            register as COM N (1-255, default 99)\n"
      "  --ports-file PATH  ports file to register in (default: the one the setting\n"
      "                     programs read: beside this program in a build folder,\n"
      "                     ~/.config/drive-setting/ports when installed)\n"
      "  --baud RATE        wire time at RATE bits per second (default: the rate the port set)\n"
      "  --listen-baud RATE the drive's own rate: a port set to another rate hears noise\n"
      "                     and is heard as noise, as with a real drive (default: the\n"
      "                     drive follows whatever rate the port sets)\n"
      "  --version TEXT     version text answered to VER\n"
      "  --set ADDR=VALUE   parameter ADDR (0-99) holds VALUE from the start, whatever\n"
      "                     its limits, as a drive set wrongly before (repeatable)\n"
      "  --no-wire-time     answer as fast as the pseudo-terminal carries bytes\n"
      "  --live-status      the state values live: the temperature (97) drifts, the\n"
      "                     bus voltage (98) ripples, the operating time (96) counts hours\n"
      "  --alarm CODE       the alarm code (90) shows CODE (1-255), the alarm history\n"
      "                     (91-95) records it; from the start, or with --alarm-after\n"
      "  --alarm-after S    the alarm (CODE 7 unless --alarm) comes on S seconds after\n"
      "                     the start; both imply --live-status\n"
      "  --chaos P          faulty line: each answer meets a fault with probability P\n"
      "                     (0 to 1): dropped, delayed past the time-outs, cut short,\n"
      "                     preceded by noise, echoed wrongly, answered ERR, followed\n"
      "                     by stray bytes; now and then the line hangs up and comes\n"
      "                     back after a few seconds, as a USB adapter pulled and\n"
      "                     plugged in again. The ports file then names a stable link\n"
      "                     that is re-pointed to each new pseudo-terminal\n"
      "  --seed N           seed of the faults (default 1): the same seed gives the\n"
      "                     same faults for the same commands\n"
      "  --link PATH        stable link to the pseudo-terminal (default with --chaos:\n"
      "                     simdrive-COM<N> in $XDG_RUNTIME_DIR, else in /tmp)\n"
      "\n"
      "One fault each, from the start, to reproduce a line fault by hand:\n"
      "  --silent           neither echo nor answer\n"
      "  --wrong-echo       the echo's last character altered, no answer\n"
      "  --noise TEXT       TEXT sent before every echo\n"
      "  --other-baud       the echo arrives as unprintable bytes, as at another baud rate\n"
      "  --no-response      the echo, then no answer\n"
      "  --overlong N       an answer of N 'X' bytes without a line end\n"
      "  --refuse LIST      ERR for these commands (comma-separated, e.g. MDA,SDP)\n"
      "  --lower-case       \"oky\" and \"err\" in lower case\n"
      "  --write-offset N   a written value is stored and answered as value + N\n"
      "  --answer TEXT      every command answered with the line TEXT (e.g. OKYjunk);\n"
      "                     \\xHH in TEXT is the byte HH (e.g. OKY6\\x100), \\\\ a backslash\n"
      "  --answer-to CMD    only CMD (e.g. MDA) answered with --answer's line\n"
      "  --mismatch-address MAD<n> answered OKY<n+1>\n"
      "  --hang-up-after N  the line hangs up after the echo of the N-th command\n"
      "  --late-write N[:MS] the N-th write (MDA with a value) answered MS ms late\n"
      "                     (1500 when not given; under the 5000 ms a program waits)\n"
      "  --help             this text\n"
      "\n"
      "You can also talk to it by hand with a terminal program on the printed device\n"
      "path, for example: picocom -b 115200 /dev/pts/5\n",
      program);
}

bool ParseNumber(const char* text, long min, long max, long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && value >= min && value <= max;
}

bool ParseProbability(const char* text, double& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text, &end);
  return errno == 0 && end != text && *end == '\0' && value >= 0 && value <= 1;
}

bool ParseSeed(const char* text, uint64_t& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && text[0] != '-';
}

// \xHH is the byte HH, so an answer can carry control bytes and NUL, which an
// argument cannot; \\ is a backslash. Any other backslash is refused.
bool Unescape(const char* text, std::string& bytes) {
  bytes.clear();
  const auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != '\\') {
      bytes += *p;
    } else if (p[1] == '\\') {
      bytes += *++p;
    } else if (p[1] == 'x' && hex(p[2]) >= 0 && hex(p[3]) >= 0) {
      bytes += static_cast<char>(hex(p[2]) * 16 + hex(p[3]));
      p += 3;
    } else {
      return false;
    }
  }
  return true;
}

enum class FaultOption { Unknown, Bad, Taken, TookValue };

// One fault of SimFaults from its option; `value` is the next argument, if any.
FaultOption ParseFault(const std::string& option, const char* value, SimFaults& faults) {
  const std::pair<const char*, bool*> flags[] = {{"--silent", &faults.silent},
                                                 {"--wrong-echo", &faults.wrongEcho},
                                                 {"--other-baud", &faults.otherBaudRate},
                                                 {"--no-response", &faults.noResponse},
                                                 {"--lower-case", &faults.lowerCase},
                                                 {"--mismatch-address", &faults.mismatchAddress}};
  for (const auto& [name, flag] : flags) {
    if (option == name) {
      *flag = true;
      return FaultOption::Taken;
    }
  }
  if (value == nullptr) return FaultOption::Unknown;
  if (option == "--noise") {
    faults.noiseBeforeEcho = value;
  } else if (option == "--answer") {
    if (!Unescape(value, faults.rawAnswer)) {
      std::fprintf(stderr, "simdrive: --answer takes text with \\xHH (two hex digits) or \\\\ escapes\n");
      return FaultOption::Bad;
    }
  } else if (option == "--answer-to") {
    faults.rawAnswerTo = value;
    for (char& c : faults.rawAnswerTo) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  } else if (option == "--refuse") {
    const std::string list = value;
    for (size_t start = 0; start <= list.size();) {
      const size_t comma = std::min(list.find(',', start), list.size());
      std::string mnemonic = list.substr(start, comma - start);
      for (char& c : mnemonic) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (!mnemonic.empty()) faults.refused.insert(mnemonic);
      start = comma + 1;
    }
  } else if (option == "--write-offset") {
    long number = 0;
    if (!ParseNumber(value, INT32_MIN, INT32_MAX, number)) {
      std::fprintf(stderr, "simdrive: --write-offset takes a 32-bit number\n");
      return FaultOption::Bad;
    }
    faults.writeOffset = static_cast<int32_t>(number);
  } else if (option == "--late-write") {
    const std::string text = value;
    const size_t colon = text.find(':');
    long number = 0, ms = faults.lateWriteMs;
    if (!ParseNumber(text.substr(0, colon).c_str(), 1, 100000, number) ||
        (colon != std::string::npos && !ParseNumber(text.substr(colon + 1).c_str(), 1, 60000, ms))) {
      std::fprintf(stderr, "simdrive: --late-write takes N (1 to 100000), optionally :MS (1 to 60000)\n");
      return FaultOption::Bad;
    }
    faults.lateWrite = static_cast<int>(number);
    faults.lateWriteMs = static_cast<int>(ms);
  } else if (option == "--overlong" || option == "--hang-up-after") {
    long number = 0;
    if (!ParseNumber(value, 1, 100000, number)) {
      std::fprintf(stderr, "simdrive: %s takes a number from 1 to 100000\n", option.c_str());
      return FaultOption::Bad;
    }
    (option == "--overlong" ? faults.overlongResponse : faults.hangUpAfterCommands) = static_cast<int>(number);
  } else {
    return FaultOption::Unknown;
  }
  return FaultOption::TookValue;
}

// A per-user folder, so that two users' simulators never fight over one name.
std::string DefaultLinkPath(long com) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string folder = runtime && *runtime ? std::string(runtime) : "/tmp";
  const std::string user = runtime && *runtime ? std::string() : "-" + std::to_string(getuid());
  return folder + "/simdrive" + user + "-COM" + std::to_string(com);
}

}  // namespace

int main(int argc, char** argv) {
  long com = 99;
  long baud = 0;
  long listenBaud = 0;
  bool wireTime = true;
  std::string portsFile;
  std::string version;
  std::string linkPath;
  SimChaos chaos;
  SimFaults faults;
  std::vector<std::pair<int, int32_t>> held;
  SimStatusLife life;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--help" || option == "-h") {
      PrintHelp(argv[0]);
      return 0;
    } else if (option == "--no-wire-time") {
      wireTime = false;
    } else if (option == "--com" && hasValue) {
      if (!ParseNumber(argv[++i], 1, 255, com)) {
        std::fprintf(stderr, "simdrive: --com takes a number from 1 to 255\n");
        return 2;
      }
    } else if (option == "--baud" && hasValue) {
      if (!ParseNumber(argv[++i], 1, INT32_MAX, baud)) {
        std::fprintf(stderr, "simdrive: --baud takes a positive number\n");
        return 2;
      }
    } else if (option == "--listen-baud" && hasValue) {
      if (!ParseNumber(argv[++i], 1, INT32_MAX, listenBaud)) {
        std::fprintf(stderr, "simdrive: --listen-baud takes a positive number\n");
        return 2;
      }
    } else if (option == "--ports-file" && hasValue) {
      portsFile = argv[++i];
    } else if (option == "--version" && hasValue) {
      version = argv[++i];
    } else if (option == "--chaos" && hasValue) {
      if (!ParseProbability(argv[++i], chaos.probability)) {
        std::fprintf(stderr, "simdrive: --chaos takes a probability from 0 to 1\n");
        return 2;
      }
    } else if (option == "--seed" && hasValue) {
      if (!ParseSeed(argv[++i], chaos.seed)) {
        std::fprintf(stderr, "simdrive: --seed takes a number of 0 or more\n");
        return 2;
      }
    } else if (option == "--set" && hasValue) {
      const std::string pair = argv[++i];
      const size_t equals = pair.find('=');
      long address = 0;
      long value = 0;
      if (equals == std::string::npos || !ParseNumber(pair.substr(0, equals).c_str(), 0, 99, address) ||
          !ParseNumber(pair.substr(equals + 1).c_str(), INT32_MIN, INT32_MAX, value)) {
        std::fprintf(stderr, "simdrive: --set takes ADDR=VALUE, an address from 0 to 99\n");
        return 2;
      }
      held.emplace_back(static_cast<int>(address), static_cast<int32_t>(value));
    } else if (option == "--live-status") {
      life.on = true;
    } else if (option == "--alarm" && hasValue) {
      long code = 0;
      if (!ParseNumber(argv[++i], 1, 255, code)) {
        std::fprintf(stderr, "simdrive: --alarm takes a code from 1 to 255\n");
        return 2;
      }
      life.on = true;
      life.alarmCode = static_cast<int32_t>(code);
      if (life.alarmAfterSeconds < 0) life.alarmAfterSeconds = 0;
    } else if (option == "--alarm-after" && hasValue) {
      long seconds = 0;
      if (!ParseNumber(argv[++i], 0, 86400, seconds)) {
        std::fprintf(stderr, "simdrive: --alarm-after takes seconds from 0 to 86400\n");
        return 2;
      }
      life.on = true;
      life.alarmAfterSeconds = static_cast<double>(seconds);
    } else if (option == "--link" && hasValue) {
      linkPath = argv[++i];
    } else {
      const FaultOption taken = ParseFault(option, hasValue ? argv[i + 1] : nullptr, faults);
      if (taken == FaultOption::Unknown) {
        std::fprintf(stderr, "simdrive: unknown option %s (see --help)\n", option.c_str());
        return 2;
      }
      if (taken == FaultOption::Bad) return 2;
      if (taken == FaultOption::TookValue) ++i;
    }
  }
  if (portsFile.empty()) {
    // The file the setting programs read, so an installed simulated drive is found
    // by the installed programs as one in a build folder is by its neighbours.
    portsFile = res::LocateSettingsFile("ports").path;
    if (!res::SettingsBesideProgram() && !res::UserConfigFolder().empty()) {
      // A new user has no ~/.config yet; registering says so if this fails.
      std::error_code ignored;
      std::filesystem::create_directories(res::UserConfigFolder(), ignored);
    }
  }

  // Signals are taken by sigwait below; block them before the drive's thread
  // starts so it inherits the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  sigaddset(&stopSignals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  CSimDrive drive;
  drive.LoadFactorySettings();
  for (const auto& [address, value] : held) drive.SetParam(address, value);
  if (!version.empty()) drive.SetVersion(version);
  drive.SetBaudRate(static_cast<int32_t>(baud));
  drive.SetListenBaudRate(static_cast<int32_t>(listenBaud));
  drive.SetWireTime(wireTime);
  // A line that hangs up and comes back gets a new pseudo-terminal each time;
  // the ports file names the link that follows it.
  if (linkPath.empty() && chaos.probability > 0) linkPath = DefaultLinkPath(com);
  drive.SetLinkPath(linkPath);
  drive.SetChaos(chaos);
  drive.SetFaults(faults);
  drive.SetStatusLife(life);
  if (!drive.Start()) {
    std::fprintf(stderr, "simdrive: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
    return 1;
  }

  const std::string device = drive.DevicePath();
  if (!portsfile::Update(portsFile, [&](const std::string& text) { return portsfile::WithEntry(text, com, device); })) {
    std::fprintf(stderr, "simdrive: cannot write %s; open %s directly\n", portsFile.c_str(),
                 drive.DevicePath().c_str());
  }
  std::printf("%s\nCOM %ld\n", drive.DevicePath().c_str(), com);
  if (chaos.probability > 0) {
    std::printf("faulty line: probability %g, seed %llu\n", chaos.probability,
                static_cast<unsigned long long>(chaos.seed));
  }
  // Whoever started us reads the path from here; if that fails there is nobody to tell.
  (void)std::fflush(stdout);

  int signal = 0;
  while (sigwait(&stopSignals, &signal) == 0 && signal == SIGUSR1) {
    uint64_t received = 0;
    const std::vector<std::string> lines = drive.Received();
    for (const std::string& line : lines) received += line.size() + 2;  // with its CR LF
    std::printf("traffic: received %llu sent %llu commands %zu\n", static_cast<unsigned long long>(received),
                static_cast<unsigned long long>(drive.BytesSent()), lines.size());
    (void)std::fflush(stdout);  // read by whoever asked, at once
  }

  drive.Stop();
  if (chaos.probability > 0) {
    const SimChaosStats stats = drive.ChaosStats();
    std::printf("%llu commands, %llu faults\n", static_cast<unsigned long long>(stats.commands),
                static_cast<unsigned long long>(stats.Faults()));
  }
  // Only our own line: a drive started since under the same number keeps its own.
  (void)portsfile::Update(portsFile,
                          [&](const std::string& text) { return portsfile::WithoutOwnEntry(text, com, device); });
  return 0;
}
