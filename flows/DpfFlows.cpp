#include "flows/DpfFlows.h"

#include <string>
#include <vector>

#include "files/IniFile.h"
#include "params/ParamDescFile.h"
#include "flows/FrameLogic.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

constexpr const char* kTarget = "TARGET";
constexpr const char* kVersionKey = "VER";
constexpr const char* kEntryKeys[] = {"ADDRESS", "NESTED", "OFFSET", "VALUE"};
constexpr size_t kVersionChars = 100;  // the version is read up to 99 characters
// Characters after the position of "ver" that must also agree: the model name
// before it and the version numbers after it.
constexpr size_t kVersionCompareTail = 12;

struct Entry {
  int32_t address = 0;
  int32_t nested = 0;
  int32_t offset = 0;
  int32_t value = 0;
};

std::string SectionName(int index) { return "PARAM" + std::to_string(index); }

FileDialogSpec DpfDialog(bool save) {
  FileDialogSpec dialog;
  dialog.filters.push_back({res::LoadString(ids::FilterDpf), "*.dpf"});
  if (!save) dialog.filters.push_back({res::LoadString(ids::FilterAll), "*.*"});
  dialog.defaultExtension = "dpf";
  dialog.save = save;
  dialog.fileMustExist = !save;
  return dialog;
}

bool VersionsAgree(const std::string& drive, const std::string& file) {
  const size_t p = drive.find("ver");
  if (p == std::string::npos || p < 1) return false;
  // substr stops at the end, so a string ending early must end in the same place.
  return drive.substr(0, p + kVersionCompareTail) == file.substr(0, p + kVersionCompareTail);
}

// The entries PARAM0, PARAM1, ... up to the first missing or empty section.
std::vector<Entry> ReadEntries(CIniFile& ini) {
  std::vector<Entry> entries;
  for (int i = 0;; ++i) {
    const std::string section = SectionName(i);
    if (!ini.HasSection(section)) break;
    Entry entry;
    entry.address = ini.GetInt(section, "ADDRESS", 0);
    entry.nested = ini.GetInt(section, "NESTED", 0);
    entry.offset = ini.GetInt(section, "OFFSET", 0);
    entry.value = ini.GetInt(section, "VALUE", 0);
    entries.push_back(entry);
  }
  return entries;
}

bool HasRequiredKeys(CIniFile& ini) {
  if (!ini.HasSection(kTarget) || !ini.HasKey(kTarget, kVersionKey)) return false;
  if (!ini.HasSection(SectionName(0))) return false;
  for (const char* key : kEntryKeys) {
    if (!ini.HasKey(SectionName(0), key)) return false;
  }
  return true;
}


}  // namespace

void SaveParamFile(CFrameLogic& frame, CParamDescFile& model) {
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen() || !model.IsLoaded()) return;
  const std::optional<std::string> path = frame.Prompt().AskFileName(DpfDialog(true));
  if (!path) return;

  // The whole file is built in memory and replaces any old one in one step.
  ini::IniDocument document;
  bool built = document.SetString(kTarget, kVersionKey, link.GetVersion());
  int written = 0;
  for (unsigned i = 0; i < model.GetUserViewCount(); ++i) {
    const CUserViewData& entry = *model.GetUserViewData(i);
    const CachedParam* cached = link.FindCachedParam(entry.address);
    int32_t value = cached ? cached->value : 0;
    if (entry.nested) {
      const CNestedNode* field = model.FindNested(entry.address, entry.offset);
      // A sub-field the description lacks has no value of its own to store; the
      // numbering stays without gaps so a load reads every entry that follows.
      if (!field) continue;
      value = ExtractNestedValue(value, field);
    }
    const std::string section = SectionName(written++);
    built = built && document.SetInt(section, "ADDRESS", entry.address) &&
            document.SetInt(section, "NESTED", entry.nested) && document.SetInt(section, "OFFSET", entry.offset) &&
            document.SetInt(section, "VALUE", value);
  }

  CIniFile ini;
  ini.SetPath(*path);
  if (!built || !ini.WriteDocument(document)) {
    frame.ShowText(ids::DpfWriteFailed, MsgIcon::Error);
    return;
  }
  frame.ShowText(ids::DpfSaveComplete, MsgIcon::None);
}

void LoadParamFile(CFrameLogic& frame, CParamDescFile& model) {
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen() || !model.IsLoaded()) return;
  const std::optional<std::string> path = frame.Prompt().AskFileName(DpfDialog(false));
  if (!path) return;

  CIniFile ini;
  ini.SetPath(*path);
  const std::vector<Entry> entries = HasRequiredKeys(ini) ? ReadEntries(ini) : std::vector<Entry>();
  // Every entry is checked before anything reaches the drive: a sub-field the
  // loaded description lacks could not be put into its parameter.
  bool valid = !entries.empty();
  for (const Entry& entry : entries) {
    if (entry.nested && !model.FindNested(entry.address, entry.offset)) valid = false;
  }
  if (!valid) {
    frame.ShowText(ids::WrongDpf, MsgIcon::Error);
    return;
  }

  const std::string fileVersion = ini.GetString(kTarget, kVersionKey, "", kVersionChars);
  if (!VersionsAgree(link.GetVersion(), fileVersion) &&
      frame.ShowText(ids::VersionDiffers, MsgIcon::Warning, MsgButtons::YesNo) != btn::Yes) {
    return;
  }

  for (const Entry& entry : entries) {
    const CachedParam* cached = link.FindCachedParam(entry.address);
    if (!cached) {
      // The drive link can only write what it has read from this drive.
      frame.ShowMessage(res::FormatString(ids::ParamNotCached, {std::to_string(entry.address)}), MsgIcon::Error,
                        MsgButtons::Ok, ids::SetParamCaption);
      continue;
    }
    const int32_t value =
        entry.nested ? InsertNestedValue(cached->value, model.FindNested(entry.address, entry.offset), entry.value)
                     : entry.value;
    if (link.WriteParam(entry.address, value) <= 0) {
      frame.ReportError(0);
      if (!link.IsOpen()) return;  // the port is gone: every further write would fail alike
      continue;
    }
    if (link.FindCachedParam(entry.address)->value != value) {
      frame.ShowText(ids::SetParamFailed, MsgIcon::Error, MsgButtons::Ok, ids::SetParamCaption);
    }
  }

  if (frame.SaveDriveParams() <= 0) return;
  frame.PostCheckLink();
  frame.ShowText(ids::DpfLoadComplete, MsgIcon::None);
}
