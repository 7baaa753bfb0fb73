#include "resources/AboutText.h"

#include "resources/StringIds.h"
#include "resources/Strings.h"

#ifndef DS_SOURCE_REVISION
#define DS_SOURCE_REVISION "0"
#endif

const char* SourceRevision() { return DS_SOURCE_REVISION; }

const std::vector<std::string>& SupportedModels() {
  static const std::vector<std::string> kModels = {
      "Dravomix Lite DL-20S", "Dravomix Lite DL-42S", "Dravomix Lite DL-60P",
      "Dravomix Lite QM71-A", "Dravomix Lite QM71-B",
  };
  return kModels;
}

AboutLines MakeAboutLines(const VersionInfo* info) {
  AboutLines lines;
  if (!info) {
    lines.product = res::LoadString(ids::AboutProductDesign);
    lines.copyright = res::LoadString(ids::AboutCopyrightDesign);
    return lines;
  }
  lines.product = res::FormatString(ids::AboutForEndUsers, {info->productName});
  const auto& v = info->fileVersion;
  lines.version = res::FormatString(
      ids::AboutVersionLine,
      {std::to_string(v[0]), std::to_string(v[1]), std::to_string(v[2]), std::to_string(v[3]), SourceRevision()});
  lines.copyright = info->legalCopyright;
  return lines;
}

WindowStart WindowStartOf(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h" || argument == "/?") return WindowStart::Help;
    if (argument == "--version") return WindowStart::Version;
  }
  return WindowStart::Run;
}

std::string WindowHelpText(const std::string& program) { return res::FormatString(ids::WindowUsage, {program}); }

std::string WindowVersionText(const AboutLines& lines) {
  return lines.version.empty() ? lines.product : lines.product + "\n" + lines.version;
}
