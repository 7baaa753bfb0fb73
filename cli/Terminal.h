#pragma once
// What the program needs from the terminal it runs in, one file per platform:
// its arguments as UTF-8, Ctrl-C as the flows' Cancel, and whether a progress bar
// may be drawn on the standard error stream.

#include <atomic>
#include <string>
#include <vector>

namespace cli {

// The command line as UTF-8, whatever the system's own encoding of it. Also makes
// the console show UTF-8 output (the Korean messages) where it needs telling.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// The first Ctrl-C sets `cancel` and writes `pendingText` to the standard error
// stream; a second one ends the program at once, as Ctrl-C always does. A wait
// for the drive's answer that the first one interrupts is taken as no answer.
// `pendingText` must outlive the program's run.
void CatchInterrupt(std::atomic<bool>& cancel, const std::string& pendingText);

// The standard error stream is a terminal that understands the bar's line
// redraw ("\r" and the erase-line sequence).
bool ErrorStreamIsTerminal();

// The standard input stream is a terminal (a console on Windows), where a person
// can answer a question.
bool InputIsTerminal();

}  // namespace cli
