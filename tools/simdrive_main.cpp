// simdrive: a simulated drive behind a pseudo-terminal, reachable under a COM
// number through the ports file, so the setting program can be tried without
// hardware.

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
      "SIGTERM and then removes its line from the ports file.\n"
      "\n"
      "Options:\n"
      "  --com N            register as COM N (1-255, default 99)\n"
      "  --ports-file PATH  ports file to register in (default: \"ports\" beside this program)\n"
      "  --baud RATE        wire time at RATE bits per second (default: the rate the port set)\n"
      "  --version TEXT     version text answered to VER\n"
      "  --no-wire-time     answer as fast as the pseudo-terminal carries bytes\n"
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

}  // namespace

int main(int argc, char** argv) {
  long com = 99;
  long baud = 0;
  bool wireTime = true;
  std::string portsFile;
  std::string version;
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
    } else if (option == "--ports-file" && hasValue) {
      portsFile = argv[++i];
    } else if (option == "--version" && hasValue) {
      version = argv[++i];
    } else {
      std::fprintf(stderr, "simdrive: unknown option %s (see --help)\n", option.c_str());
      return 2;
    }
  }
  if (portsFile.empty()) portsFile = res::ProgramFolder() + "ports";

  // Signals are taken by sigwait below; block them before the drive's thread
  // starts so it inherits the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  CSimDrive drive;
  drive.LoadFactorySettings();
  if (!version.empty()) drive.SetVersion(version);
  drive.SetBaudRate(static_cast<int32_t>(baud));
  drive.SetWireTime(wireTime);
  if (!drive.Start()) {
    std::fprintf(stderr, "simdrive: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
    return 1;
  }

  std::string text;
  portsfile::ReadText(portsFile, text);
  if (!portsfile::WriteTextAtomically(portsFile, portsfile::WithEntry(text, com, drive.DevicePath()))) {
    std::fprintf(stderr, "simdrive: cannot write %s; open %s directly\n", portsFile.c_str(),
                 drive.DevicePath().c_str());
  }
  std::printf("%s\nCOM %ld\n", drive.DevicePath().c_str(), com);
  std::fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);

  drive.Stop();
  // Read again: other simulators may have added their own lines meanwhile.
  text.clear();
  if (portsfile::ReadText(portsFile, text)) {
    portsfile::WriteTextAtomically(portsFile, portsfile::WithoutEntry(text, com));
  }
  return 0;
}
