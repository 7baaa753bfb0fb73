#pragma once
// Korean for the labels and value texts of the shipped description files. The
// files stay English, and so does everything written to the drive or to a file:
// only what the form shows is looked up here, by the English text as the file
// spells it.

#include <string>
#include <utility>
#include <vector>

#include "resources/Strings.h"

namespace res {

// The text to show for a label or value text of a description file: its Korean
// under Korean, otherwise (or when the table lacks it) the text itself.
std::string DescriptionText(const std::string& english);
std::string DescriptionText(const std::string& english, Language language);

// A description file's text as the program shows it: the Korean of the shipped
// files under Korean, else the file's own text made fit to show.
std::string ShownText(const std::string& fileText);

// Every (English, Korean) pair of the table, for checks of completeness and fonts.
std::vector<std::pair<std::string, std::string>> AllDescriptionTexts();

}  // namespace res
