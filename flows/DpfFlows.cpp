#include "flows/DpfFlows.h"

#include <cstdio>
#include <string>
#include <vector>

#include "files/IniFile.h"
#include "flows/DriveSession.h"
#include "flows/FrameLogic.h"
#include "flows/ParamAccess.h"
#include "params/ParamDescFile.h"
#include "platform/FileSystem.h"
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

std::string SectionName(int index) { return "PARAM" + std::to_string(index); }

}  // namespace

FileDialogSpec ParamFileDialog(bool save) {
  FileDialogSpec dialog;
  dialog.filters.push_back({res::LoadString(ids::FilterDpf), "*.dpf"});
  if (!save) dialog.filters.push_back({res::LoadString(ids::FilterAll), "*.*"});
  dialog.defaultExtension = "dpf";
  dialog.save = save;
  dialog.fileMustExist = !save;
  return dialog;
}

bool ParamFileVersionsAgree(const std::string& drive, const std::string& file) {
  const size_t p = drive.find("ver");
  if (p == std::string::npos || p < 1) return false;
  // substr stops at the end, so a string ending early must end in the same place.
  return drive.substr(0, p + kVersionCompareTail) == file.substr(0, p + kVersionCompareTail);
}

namespace {

bool HasRequiredKeys(CIniFile& ini) {
  if (!ini.HasSection(kTarget) || !ini.HasKey(kTarget, kVersionKey)) return false;
  if (!ini.HasSection(SectionName(0))) return false;
  for (const char* key : kEntryKeys) {
    if (!ini.HasKey(SectionName(0), key)) return false;
  }
  return true;
}

// The entries PARAM0, PARAM1, ... up to the first missing section. This program
// writes all four keys into every entry, so an entry lacking one is a cut or
// damaged file: nothing of it is loaded (false), rather than a key read as 0.
bool ReadEntries(CIniFile& ini, std::vector<DpfEntry>* entries) {
  for (int i = 0;; ++i) {
    const std::string section = SectionName(i);
    if (!ini.HasSection(section)) return true;
    for (const char* key : kEntryKeys) {
      if (!ini.HasKey(section, key)) return false;
    }
    DpfEntry entry;
    entry.address = ini.GetInt(section, "ADDRESS", 0);
    entry.nested = ini.GetInt(section, "NESTED", 0);
    entry.offset = ini.GetInt(section, "OFFSET", 0);
    entry.value = ini.GetInt(section, "VALUE", 0);
    entries->push_back(entry);
  }
}

bool Readable(const std::string& path) {
  platform::ReadResult why = platform::ReadResult::Ok;
  uint64_t size = 0;
  std::FILE* file = platform::OpenRegularFile(path, why, size);
  if (file != nullptr) (void)std::fclose(file);  // opened to read: a failed close loses nothing
  return file != nullptr;
}

// A file's entries, with every check made before anything reaches the drive; the
// user is told why a file is refused.
Outcome ReadDpf(CFrameLogic& frame, const CParamDescFile& model, const std::string& path,
                std::vector<DpfEntry>* entries, std::string* version) {
  const Outcome checked = CheckParamFile(path, model, entries, version);
  if (checked == Outcome::FileError) {
    frame.ShowMessage(res::FormatString(ids::DpfFileUnreadable, {path}), MsgIcon::Error);
  } else if (checked != Outcome::Done) {
    frame.ShowText(ids::WrongDpf, MsgIcon::Error);
  }
  return checked;
}

ParamRef RefOf(const DpfEntry& entry) { return {entry.address, entry.nested != 0, entry.offset}; }

// Reads the parameter when the cache lacks it; false (reported) when that fails.
bool EnsureRead(CFrameLogic& frame, int32_t address) {
  CVcmCommand& link = frame.Link();
  if (link.FindCachedParam(address)) return true;
  if (link.ReadParam(address) > 0) return true;
  frame.ReportError(0);
  return false;
}

}  // namespace

Outcome CheckParamFile(const std::string& path, const CParamDescFile& model, std::vector<DpfEntry>* entries,
                       std::string* version) {
  entries->clear();
  if (!Readable(path)) return Outcome::FileError;
  CIniFile ini;
  ini.SetPath(path);
  bool valid = HasRequiredKeys(ini) && ReadEntries(ini, entries) && !entries->empty();
  // A sub-field the loaded description lacks could not be put into its parameter.
  for (const DpfEntry& entry : *entries) {
    if (entry.nested && !model.FindNested(entry.address, entry.offset)) valid = false;
  }
  if (!valid) {
    entries->clear();
    return Outcome::BadInput;
  }
  *version = ini.GetString(kTarget, kVersionKey, "", kVersionChars);
  return Outcome::Done;
}

Outcome SaveParamFile(CFrameLogic& frame, CParamDescFile& model) {
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen() || !model.IsLoaded()) return Outcome::LinkFailed;
  const std::optional<std::string> path = frame.Prompt().AskFileName(ParamFileDialog(true));
  if (!path) return Outcome::Cancelled;

  // The file holds the entries the view shows, each read from this drive: one the
  // cache lacks (its read was skipped) is read now, and one that still cannot be
  // read is left out and named, never stored as a value the drive did not give.
  ini::IniDocument document;
  bool built = document.SetString(kTarget, kVersionKey, link.GetVersion());
  int written = 0;
  std::vector<std::string> skipped;
  for (unsigned i = 0; i < ShownEntryCount(model); ++i) {
    const CUserViewData& entry = *model.GetUserViewData(i);
    const CNestedNode* field = entry.nested ? model.FindNested(entry.address, entry.offset) : nullptr;
    // A sub-field the description lacks has no value of its own to store; the
    // numbering stays without gaps so a load reads every entry that follows.
    if (entry.nested && !field) continue;
    if (!link.FindCachedParam(entry.address) && link.ReadParam(entry.address) <= 0) {
      if (!link.IsOpen()) {
        frame.ReportError(0);
        return Outcome::LinkFailed;  // the port is gone; the old file stays
      }
      skipped.push_back(ParamRefText(EntryRef(entry)));
      continue;
    }
    const int32_t raw = link.FindCachedParam(entry.address)->value;
    const int32_t value = entry.nested ? ExtractNestedValue(raw, field) : raw;
    const std::string section = SectionName(written++);
    built = built && document.SetInt(section, "ADDRESS", entry.address) &&
            document.SetInt(section, "NESTED", entry.nested) && document.SetInt(section, "OFFSET", entry.offset) &&
            document.SetInt(section, "VALUE", value);
  }

  CIniFile ini;
  ini.SetPath(*path);
  if (!built || !ini.WriteDocument(document)) {
    frame.ShowWriteFailed(ids::DpfWriteFailed, *path);
    return Outcome::FileError;
  }
  if (!skipped.empty()) {
    std::string list;
    for (const std::string& ref : skipped) list += (list.empty() ? "" : ", ") + ref;
    frame.ShowMessage(res::FormatString(ids::DpfReadSkipped, {list}), MsgIcon::Warning);
    return Outcome::DriveRefused;
  }
  frame.ShowText(ids::DpfSaveComplete, MsgIcon::None);
  return Outcome::Done;
}

Outcome LoadParamFile(CFrameLogic& frame, CParamDescFile& model) {
  if (!frame.Link().IsOpen() || !model.IsLoaded()) return Outcome::LinkFailed;
  const std::optional<std::string> path = frame.Prompt().AskFileName(ParamFileDialog(false));
  if (!path) return Outcome::Cancelled;
  return LoadParamFileAt(frame, model, *path);
}

Outcome LoadParamFileAt(CFrameLogic& frame, CParamDescFile& model, const std::string& path,
                        const std::vector<size_t>* only) {
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen() || !model.IsLoaded()) return Outcome::LinkFailed;
  std::vector<DpfEntry> entries;
  std::string fileVersion;
  if (const Outcome read = ReadDpf(frame, model, path, &entries, &fileVersion); read != Outcome::Done) return read;
  if (only) {
    // The file was checked whole; only the chosen entries go to the drive.
    std::vector<DpfEntry> chosen;
    for (const size_t index : *only) {
      if (index < entries.size()) chosen.push_back(entries[index]);
    }
    entries = std::move(chosen);
    if (entries.empty()) return Outcome::Done;
  }
  if (!ParamFileVersionsAgree(link.GetVersion(), fileVersion) &&
      frame.ShowText(ids::VersionDiffers, MsgIcon::Warning, MsgButtons::YesNo) != btn::Yes) {
    return Outcome::Cancelled;
  }

  Outcome outcome = Outcome::Done;
  size_t done = 0;
  bool sent = false;
  for (const DpfEntry& entry : entries) {
    // A sub-field goes into the parameter as the drive holds it now.
    if (!EnsureRead(frame, entry.address)) {
      outcome = Worse(outcome, OutcomeOfResult(link.GetLastResult()));
      if (!link.IsOpen()) break;
      continue;
    }
    const int32_t value = entry.nested ? InsertNestedValue(link.FindCachedParam(entry.address)->value,
                                                           model.FindNested(entry.address, entry.offset), entry.value)
                                       : entry.value;
    sent = true;
    const Outcome written = WriteAndReadBack(link, entry.address, value, [&frame] { frame.ReportError(0); });
    if (written == Outcome::DriveRefused) {
      frame.ShowText(ids::SetParamFailed, MsgIcon::Error, MsgButtons::Ok, ids::SetParamCaption);
    }
    outcome = Worse(outcome, written);
    if (!link.IsOpen()) break;  // the port is gone: every further write would fail alike
    ++done;
  }

  if (!link.IsOpen()) {
    // The drive's RAM holds what was written up to here, and nothing of it was saved.
    if (sent) {
      frame.ShowMessage(res::FormatString(ids::DpfPartialLoad, {std::to_string(done), std::to_string(entries.size())}),
                        MsgIcon::Warning);
    }
    frame.PostCheckLink();
    return Outcome::LinkFailed;
  }
  const int saved = frame.SaveDriveParams();
  // Whatever happened, the drive's RAM may have changed: the view reads it again.
  if (sent) frame.PostCheckLink();
  if (saved <= 0) return Worse(outcome, link.IsOpen() ? OutcomeOfResult(link.GetLastResult()) : Outcome::LinkFailed);
  frame.ShowText(ids::DpfLoadComplete, MsgIcon::None);
  return outcome;
}

Outcome CompareParamFile(CFrameLogic& frame, CParamDescFile& model, const std::string& path,
                         std::vector<DpfComparison>* rows, std::string* fileVersionOut) {
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen() || !model.IsLoaded()) return Outcome::LinkFailed;
  std::vector<DpfEntry> entries;
  std::string fileVersion;
  if (const Outcome read = ReadDpf(frame, model, path, &entries, &fileVersion); read != Outcome::Done) return read;
  if (fileVersionOut) *fileVersionOut = fileVersion;

  Outcome outcome = Outcome::Done;
  for (const DpfEntry& entry : entries) {
    const ParamRef ref = RefOf(entry);
    DpfComparison row;
    row.address = entry.address;
    row.nested = ref.nested;
    row.offset = entry.offset;
    row.label = ParamLabel(model, ref);
    row.fileValue = entry.value;
    row.fileText = ParamValueText(model, ref, entry.value);
    // Always asked of the drive: a comparison speaks of the drive as it is now.
    if (link.ReadParam(entry.address) > 0) {
      const int32_t raw = link.FindCachedParam(entry.address)->value;
      row.driveValue = ref.nested ? ExtractNestedValue(raw, model.FindNested(entry.address, entry.offset)) : raw;
      row.driveText = ParamValueText(model, ref, *row.driveValue);
    } else {
      frame.ReportError(0);
      outcome = Worse(outcome, OutcomeOfResult(link.GetLastResult()));
      if (!link.IsOpen()) return Outcome::LinkFailed;
    }
    row.differs = !row.driveValue || *row.driveValue != row.fileValue;
    if (row.differs) outcome = Worse(outcome, Outcome::Differs);
    rows->push_back(row);
  }
  return outcome;
}
