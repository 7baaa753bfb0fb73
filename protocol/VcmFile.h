#pragma once
// Reader of motor DB command files: a version line, then commands of up to three
// printable characters with an optional signed decimal argument, sent to the drive
// one transaction each. The whole file is held in memory and read by a small lexer
// that can also run on its own (tests, fuzzing) without sending anything.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

class CVcmFile {
 public:
  // Size of the buffer ReadVersionLine fills: at most 99 characters and a NUL.
  static constexpr size_t kVersionBufferSize = 100;
  // Longest argument that fits a command line of the drive link: three command
  // characters, the argument, CR LF and a NUL in 256 bytes.
  static constexpr size_t kMaxArgumentLength = 250;

  struct Command {
    std::string mnemonic;       // one to three printable characters, as written
    std::string argument;       // optional sign and digits; empty when none
    bool hasArgument = false;   // a sign alone is an argument too
    int line = 0;               // line the command starts on, from 1
    unsigned char badByte = 0;  // the offending byte when NextCommand gives Invalid
  };

  enum class Token {
    Command,  // a command was read
    End,      // nothing but skipped text up to the end
    Invalid,  // a byte that is neither white space nor printable stands where a
              // command would begin; the cursor has moved past it
  };

  CVcmFile() = default;
  virtual ~CVcmFile() = default;

  // Largest file Load takes: an export is a few kilobytes, so anything near this
  // is not a motor DB file, and it is never held in memory whole.
  static constexpr uint64_t kMaxFileBytes = uint64_t{1024} * 1024;

  // Reads the whole file into memory as text: CR LF becomes LF, a Ctrl-Z ends it,
  // every other byte stays as it is. 1 on success, else 0 and the object is empty
  // (LoadFailure says why). The cursor is not positioned: ReadVersionLine comes next.
  [[nodiscard]] int Load(const std::string& path);
  // Why the last Load failed: TooBig for a file over kMaxFileBytes.
  platform::ReadResult LoadFailure() const { return m_loadFailure; }
  // Takes text that did not come from a file (tests, fuzzing, checks of a line
  // about to be written).
  void SetText(std::string text);

  // From the start of the text: skips white space and bracket lines, then takes the
  // version text up to the line end, or up to "//" or "/*" without the blanks before
  // it. A longer line is cut to 99 characters. Returns 1 with the NUL-terminated
  // text in buffer, or 0 (buffer empty) when there is no version text. The cursor is
  // left at the end of the version's line, so a comment after the version is never
  // sent.
  [[nodiscard]] int ReadVersionLine(char buffer[kVersionBufferSize]);
  // The version text of the last successful ReadVersionLine.
  const std::string& VersionLine() const { return m_version; }
  // The file the last Load read (its name as given), for the record of what was sent.
  const std::string& Path() const { return m_path; }

  // The next command from the cursor, skipping white space and bracket lines.
  Token NextCommand(Command& command);

  // What is wrong with the first line that is no well-formed command.
  enum class Fault {
    None,
    BadByte,     // a byte that is neither white space nor printable where a command begins
    TooLong,     // an argument too long for a command line
    NotCommand,  // anything else: not three letters, a number that does not fit 32 bits,
                 // or more than blanks after the command
  };
  struct BadLine {
    Fault fault = Fault::None;
    int line = 0;
    unsigned char badByte = 0;  // for BadByte
    std::string text;           // the line as written, for NotCommand
  };
  // Checks every line from the cursor on without moving it: each must be blank, a
  // bracket line, or one command of three letters, then at most a sign and digits
  // that fit 32 bits, then only blanks to the end of the line. Files are checked
  // whole before anything is sent, so that text that is no command (a comment, a
  // misspelt name, a stray word) is never cut into pieces and sent. Fault::None
  // when every line passes.
  BadLine FindBadLine() const;
  // "MDB" in any case: the drive then verifies and saves its motor parameters.
  static bool IsMotorDbCommand(const Command& command);

  // The three command characters that go on the wire: a command cut short by a line
  // end or a control byte is filled up with blanks, as "XY 5" is written in a file.
  static std::string WireMnemonic(const std::string& mnemonic);
  // The status line shown while a command is sent.
  static std::string StatusText(const Command& command);

  size_t Cursor() const { return m_state.cursor; }
  size_t Length() const { return m_text.size(); }
  int Line() const { return m_state.line; }
  // Lines of the text, the last one counted also without a line end.
  int LineCount() const;

 private:
  struct State {
    size_t cursor = 0;
    int line = 1;
  };

  void Skip(State& state) const;
  // The line as written, from `start` to its end.
  std::string LineFrom(size_t start) const;
  Token Scan(State& state, Command& command) const;

  std::string m_text;
  std::string m_version;
  std::string m_path;
  platform::ReadResult m_loadFailure = platform::ReadResult::Ok;
  State m_state;
};
