#pragma once
// How a flow ended, in the words a script needs: the command-line program turns it
// into its exit code, and the worst outcome of several drives is the run's. The
// user was already told the details through the prompt.

#include <algorithm>

enum class Outcome : int {
  Done = 0,
  Differs = 1,       // a comparison found entries that do not agree
  BadInput = 2,      // a file, argument or value was refused before anything was sent
  LinkFailed = 3,    // no answer, a broken line, or the port is gone
  DriveRefused = 4,  // the drive answered, but refused or answered otherwise than asked
  FileError = 5,     // a file could not be read or written
  Cancelled = 130,   // the user (or Ctrl-C) stopped it
};

// The outcome a failed transaction's result code stands for (rc::Success gives Done).
Outcome OutcomeOfResult(int resultCode);

// How the journal and the soak's figures name an outcome: "done", "link failed", ...
const char* OutcomeWord(Outcome outcome);

// The outcome to report for two; its number is the larger.
inline Outcome Worse(Outcome a, Outcome b) { return static_cast<int>(a) >= static_cast<int>(b) ? a : b; }
