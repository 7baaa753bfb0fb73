#pragma once
// Files that stand beside the program: description files, Config.ini, the ports file.

#include <string>

namespace res {

// The folder of the running program file, with a closing '/'. Falls back to the
// current directory ("./") when the program's own path cannot be found.
std::string ProgramFolder();

// `name` resolved against the program's folder. A leading ".\" or "./" is
// dropped, backslashes become slashes; an absolute name is kept as it is.
std::string PathBesideProgram(const std::string& name);

// Tests point the program's folder somewhere else; an empty text restores it.
void OverrideProgramFolder(const std::string& folder);

}  // namespace res
