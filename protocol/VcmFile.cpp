#include "protocol/VcmFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/FileSystem.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSkippedSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool IsPrintable(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x20 && byte <= 0x7E;
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A sign and at least one digit.
bool FitsInt32(std::string_view number) {
  if (number.starts_with('+')) number.remove_prefix(1);
  int32_t value = 0;
  const char* end = number.data() + number.size();
  const auto [stop, error] = std::from_chars(number.data(), end, value);
  return error == std::errc() && stop == end;
}

bool EqualsNoCase(const std::string& text, const char* word) {
  const size_t length = std::strlen(word);
  if (text.size() != length) return false;
  for (size_t i = 0; i < length; ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return true;
}

}  // namespace

int CVcmFile::Load(const std::string& path) {
  m_text.clear();
  m_version.clear();
  m_path = path;
  m_state = State();
  // Only a plain file: a folder reads as empty and a device or pipe may never end.
  std::string text;
  m_loadFailure = platform::ReadFile(path, text, kMaxFileBytes);
  if (m_loadFailure != platform::ReadResult::Ok) return 0;
  // Read as a text file is: a Ctrl-Z marks its end, as old editors left it, and
  // CR LF arrives as LF, so the progress share counts the text, not the bytes.
  const size_t endOfFile = text.find('\x1a');
  if (endOfFile != std::string::npos) text.resize(endOfFile);
  size_t kept = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    text[kept++] = text[i];
  }
  text.resize(kept);
  m_text = std::move(text);
  return 1;
}

void CVcmFile::SetText(std::string text) {
  m_text = std::move(text);
  m_version.clear();
  m_state = State();
}

void CVcmFile::Skip(State& state) const {
  const size_t length = m_text.size();
  size_t& i = state.cursor;
  while (i < length) {
    const char c = m_text[i];
    if (c == '\n') {
      ++state.line;
      ++i;
    } else if (IsSkippedSpace(c)) {
      ++i;
    } else if (c == '[') {
      // The rest of the line goes; its line end is counted by the loop.
      while (i < length && !IsLineEnd(m_text[i])) ++i;
    } else {
      break;
    }
  }
}

int CVcmFile::ReadVersionLine(char buffer[kVersionBufferSize]) {
  buffer[0] = '\0';
  m_version.clear();
  m_state = State();
  Skip(m_state);

  const size_t length = m_text.size();
  const size_t start = m_state.cursor;
  size_t end = start;
  while (end < length && !IsLineEnd(m_text[end])) ++end;
  // The whole line is consumed, the comment included: it is no command.
  m_state.cursor = end;

  size_t stop = start;
  bool comment = false;
  while (stop < end) {
    const char c = m_text[stop];
    if (c == '\0') break;  // the buffer is a C string: text after a NUL cannot reach it
    comment = c == '/' && stop + 1 < end && (m_text[stop + 1] == '/' || m_text[stop + 1] == '*');
    if (comment) break;
    ++stop;
  }
  // Blanks before a comment are not part of the version, or "ver.1.2. // x" would
  // differ from the drive's "ver.1.2.3" at the blank.
  while (comment && stop > start && (IsBlank(m_text[stop - 1]) || m_text[stop - 1] == '\v' || m_text[stop - 1] == '\f'))
    --stop;
  if (stop == start) return 0;
  if (stop - start > kVersionBufferSize - 1) stop = start + kVersionBufferSize - 1;
  m_version.assign(m_text, start, stop - start);
  std::memcpy(buffer, m_version.data(), m_version.size());
  buffer[m_version.size()] = '\0';
  return 1;
}

CVcmFile::Token CVcmFile::Scan(State& state, Command& command) const {
  command = Command();
  Skip(state);
  const size_t length = m_text.size();
  size_t& i = state.cursor;
  if (i >= length) return Token::End;
  command.line = state.line;

  const size_t start = i;
  while (i < length && i - start < 3 && IsPrintable(m_text[i])) ++i;
  if (i == start) {
    // Neither white space nor printable: step over it so that no caller can loop.
    command.badByte = static_cast<unsigned char>(m_text[i]);
    ++i;
    return Token::Invalid;
  }
  command.mnemonic.assign(m_text, start, i - start);

  while (i < length && IsBlank(m_text[i])) ++i;
  if (i < length && (m_text[i] == '+' || m_text[i] == '-' || IsDigit(m_text[i]))) {
    const size_t argumentStart = i;
    if (!IsDigit(m_text[i])) ++i;
    while (i < length && IsDigit(m_text[i])) ++i;
    command.argument.assign(m_text, argumentStart, i - argumentStart);
    command.hasArgument = true;
  }
  return Token::Command;
}

CVcmFile::Token CVcmFile::NextCommand(Command& command) { return Scan(m_state, command); }

std::string CVcmFile::WireMnemonic(const std::string& mnemonic) {
  std::string wire = mnemonic.substr(0, 3);
  wire.resize(3, ' ');
  return wire;
}

std::string CVcmFile::StatusText(const Command& command) {
  std::string text = command.mnemonic;
  if (command.hasArgument) text += command.argument;
  return res::FormatString(ids::ProgressLine, {std::to_string(command.line), text});
}

std::string CVcmFile::LineFrom(size_t start) const {
  size_t end = start;
  while (end < m_text.size() && !IsLineEnd(m_text[end])) ++end;
  return m_text.substr(start, end - start);
}

CVcmFile::BadLine CVcmFile::FindBadLine() const {
  State probe = m_state;
  const size_t length = m_text.size();
  for (;;) {
    Skip(probe);
    size_t& i = probe.cursor;
    if (i >= length) return {};
    BadLine bad;
    bad.line = probe.line;
    const size_t start = i;
    if (!IsPrintable(m_text[i])) {
      bad.fault = Fault::BadByte;
      bad.badByte = static_cast<unsigned char>(m_text[i]);
      return bad;
    }
    bad.fault = Fault::NotCommand;
    bad.text = LineFrom(start);
    while (i < length && i - start < 3 && IsLetter(m_text[i])) ++i;
    if (i - start != 3) return bad;
    while (i < length && IsBlank(m_text[i])) ++i;
    const size_t argumentStart = i;
    if (i < length && (m_text[i] == '+' || m_text[i] == '-')) ++i;
    const size_t digitsStart = i;
    while (i < length && IsDigit(m_text[i])) ++i;
    if (i == digitsStart && i != argumentStart) return bad;  // a sign without digits
    if (i - argumentStart > kMaxArgumentLength) {
      bad.fault = Fault::TooLong;
      bad.text.clear();
      return bad;
    }
    if (i != digitsStart && !FitsInt32(std::string_view(m_text).substr(argumentStart, i - argumentStart))) return bad;
    while (i < length && (IsBlank(m_text[i]) || m_text[i] == '\v' || m_text[i] == '\f')) ++i;
    if (i < length && !IsLineEnd(m_text[i])) return bad;
  }
}

bool CVcmFile::IsMotorDbCommand(const Command& command) { return EqualsNoCase(command.mnemonic, "MDB"); }

int CVcmFile::LineCount() const {
  if (m_text.empty()) return 0;
  const auto ends = std::count(m_text.begin(), m_text.end(), '\n');
  return static_cast<int>(ends) + (m_text.back() == '\n' ? 0 : 1);
}
