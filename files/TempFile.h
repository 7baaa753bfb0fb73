#pragma once
// The names FileReplace gives its temporary files, shared by its platform files:
// hidden, beside the target, named after the writing process so that what a
// killed writer left can be told from what a live one is writing.

#include <string>
#include <string_view>

namespace fileio {

struct Place {
  std::string prefix;  // the folder with its closing separator, empty for the current one
  std::string base;
  std::string folder;  // the folder as a path of its own
};

// Splits `target` at the last of `separators`.
Place PlaceOf(const std::string& target, const char* separators);

// The path every temporary file of the target starts with.
std::string TempStem(const Place& place);
// A fresh temporary file's path: the stem, this process's id and a counter.
std::string NextTempName(const Place& place);
// Whether `name`, in the target's folder, is a temporary file of the target whose
// writer has ended (never one of ours: another thread may be writing it).
bool LeftByGoneWriter(std::string_view name, const Place& place);

}  // namespace fileio
