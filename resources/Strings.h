#pragma once
// The string table: every text the program shows, in English and in Korean under
// the same id. Texts are UTF-8.

#include <string>
#include <vector>

namespace res {

enum class Language { English, Korean };

// The language of the system locale (LC_ALL, LC_MESSAGES, LANG): Korean for "ko*".
Language LanguageFromEnvironment();

// The language texts are loaded in. Taken from the environment on first use.
Language CurrentLanguage();
void SetLanguage(Language language);

// The text of an id in the current language; empty when the table has no such id.
const std::string& LoadString(int id);
const std::string& LoadString(int id, Language language);

// Fills the placeholders %1 .. %9 (also in the forms %1!d! and %1!s!) with the
// arguments as plain text. The arguments are never interpreted as formats, and a
// placeholder without an argument is left empty.
std::string FillPlaceholders(const std::string& pattern, const std::vector<std::string>& args);
std::string FormatString(int id, const std::vector<std::string>& args);

// A command string holds the status-bar prompt, a line feed and the tooltip.
std::string CommandPrompt(int id);
std::string CommandTooltip(int id);

// Every id of the table, for checks that both languages are complete.
std::vector<int> AllIds();

}  // namespace res

namespace res {
// 8-bit text from the drive or a file, made fit to show: kept when it is valid
// UTF-8, otherwise each byte is taken as a Latin-1 character.
std::string DisplayText(const std::string& eightBit);
}  // namespace res
