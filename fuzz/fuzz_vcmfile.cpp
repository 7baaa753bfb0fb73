// The motor DB file lexer on arbitrary bytes: the version line and every command,
// without a drive. It must end, stay inside the text, and every command it yields
// must be something the drive link can send.

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "flows/MotorDb.h"
#include "protocol/VcmFile.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CVcmFile file;
  file.SetText(std::string(reinterpret_cast<const char*>(data), size));

  char version[CVcmFile::kVersionBufferSize + 1];
  version[CVcmFile::kVersionBufferSize] = 0x5A;  // guard byte just past the buffer
  const int found = file.ReadVersionLine(version);
  Check(version[CVcmFile::kVersionBufferSize] == 0x5A);
  const size_t versionLength = std::strlen(version);
  Check(versionLength < CVcmFile::kVersionBufferSize);
  Check(found == (versionLength > 0 ? 1 : 0));
  Check(file.Cursor() <= size);

  // Each step moves the cursor forward, so the number of steps is bounded by the size.
  size_t steps = 0;
  size_t lastCursor = file.Cursor();
  int lastLine = file.Line();
  CVcmFile::Command command;
  for (;;) {
    const CVcmFile::Token token = file.NextCommand(command);
    if (token == CVcmFile::Token::End) break;
    Check(++steps <= size);
    Check(file.Cursor() > lastCursor && file.Cursor() <= size);
    Check(command.line >= lastLine && file.Line() >= command.line);
    lastCursor = file.Cursor();
    lastLine = file.Line();
    if (token == CVcmFile::Token::Invalid) continue;
    Check(!command.mnemonic.empty() && command.mnemonic.size() <= 3);
    for (char c : command.mnemonic) Check(c >= 0x20 && c <= 0x7E);
    Check(CVcmFile::WireMnemonic(command.mnemonic).size() == 3);
    Check(command.hasArgument == !command.argument.empty());
    for (size_t i = 0; i < command.argument.size(); ++i) {
      const char c = command.argument[i];
      Check((c >= '0' && c <= '9') || (i == 0 && (c == '+' || c == '-')));
    }
    (void)CVcmFile::StatusText(command);
  }
  Check(file.Cursor() == size);

  // A file the check before sending passes holds only well-formed commands: three
  // letters, then at most a sign and digits that fit 32 bits.
  CVcmFile checked;
  checked.SetText(std::string(reinterpret_cast<const char*>(data), size));
  if (checked.ReadVersionLine(version) == 1 && checked.FindBadLine().fault == CVcmFile::Fault::None) {
    for (;;) {
      const CVcmFile::Token token = checked.NextCommand(command);
      if (token == CVcmFile::Token::End) break;
      Check(token == CVcmFile::Token::Command && command.mnemonic.size() == 3);
      for (const char c : command.mnemonic) Check((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
      if (command.hasArgument) {
        const char* digits = command.argument.c_str();
        if (*digits == '+' || *digits == '-') ++digits;
        Check(*digits != '\0');
        errno = 0;
        const long long value = std::strtoll(command.argument.c_str(), nullptr, 10);
        Check(errno == 0 && value >= INT32_MIN && value <= INT32_MAX);
      }
    }
  }

  // What an export would write for this text taken as a drive version reads back
  // as a version line.
  const std::string line =
      MotorDbExportVersionLine(std::string(reinterpret_cast<const char*>(data), std::min<size_t>(size, 300)));
  Check(!line.empty() && line.size() < CVcmFile::kVersionBufferSize);
  CVcmFile exported;
  exported.SetText(line + "\r\n\r\n");
  Check(exported.ReadVersionLine(version) == 1);
  Check(exported.NextCommand(command) == CVcmFile::Token::End);
  return 0;
}
