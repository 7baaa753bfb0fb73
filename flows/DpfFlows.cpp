#include "flows/DpfFlows.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "files/IniFile.h"
#include "files/IniText.h"
#include "flows/DriveSession.h"
#include "flows/FrameLogic.h"
#include "flows/LongWork.h"
#include "flows/ParamAccess.h"
#include "flows/WriteGate.h"
#include "params/ParamDescFile.h"
#include "resources/FileFaults.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

constexpr const char* kTarget = "TARGET";
constexpr const char* kVersionKey = "VER";
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

ParamRef RefOf(const DpfEntry& entry) { return {entry.address, entry.nested != 0, entry.offset}; }

constexpr const char* kEntryKeysInOrder[] = {"ADDRESS", "NESTED", "OFFSET", "VALUE"};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A whole decimal number that fits 32 bits, with an optional sign: nothing else
// is read as a number, so a damaged value never becomes one nobody wrote.
std::optional<int32_t> WholeNumber(const std::string& text) {
  const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
  const char* end = text.data() + text.size();
  int32_t value = 0;
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (text.empty() || begin == end || error != std::errc() || stop != end || *begin == '+') return std::nullopt;
  return value;
}

constexpr size_t kMostEntryDigits = 9;  // PARAM999999999: more than any description could describe

// A section named PARAM... is an entry, and an entry is named PARAM<n> with n a
// plain decimal number: "PARAM01", "PARAM 2", "PARAM2x" would otherwise be read
// as no entry at all, and their values dropped without a word.
bool IsEntryLike(const std::string& section) { return Lower(section).starts_with("param"); }

// The number of "PARAM<n>", or none for a name that is no plain PARAM<n>.
std::optional<uint64_t> EntryNumber(const std::string& section) {
  if (!IsEntryLike(section)) return std::nullopt;
  const std::string digits = section.substr(5);
  if (digits.empty() || digits.size() > kMostEntryDigits || (digits[0] == '0' && digits.size() > 1)) {
    return std::nullopt;
  }
  uint64_t number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<uint64_t>(c - '0');
  }
  return number;
}

// A key given twice in a section: the INI rules would quietly take the first.
std::optional<std::string> RepeatedKey(const ini::IniDocument& document, const std::string& section) {
  std::set<std::string> keys;
  for (const std::string& line : document.GetSectionLines(section)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = line.substr(0, equals);
    while (!key.empty() && std::isspace(static_cast<unsigned char>(key.back()))) key.pop_back();
    if (!keys.insert(Lower(key)).second) return key;
  }
  return std::nullopt;
}

// Reads every entry with the checks that keep a cut, patched or damaged file from
// reaching a drive. Every fault is listed, in the order the file is read; an entry
// with a fault is left out, the others are kept.
void ParseEntries(const ini::IniDocument& document, const CParamDescFile& model, std::vector<DpfEntry>* entries,
                  std::vector<DpfFault>* faults, std::vector<std::string>* sections) {
  const auto fail = [faults](const std::string& entry, int id, const std::vector<std::string>& args) {
    faults->push_back({entry, res::FormatString(id, args), false});
  };
  std::set<std::string> seen;
  std::map<uint64_t, std::string> numbered;  // the entries' sections by number
  for (const std::string& name : document.GetSectionNames()) {
    if (!seen.insert(Lower(name)).second) fail(name, ids::DpfRepeatedSection, {name});
    const std::optional<uint64_t> number = EntryNumber(name);
    if (number) numbered.emplace(*number, name);
    else if (IsEntryLike(name)) fail(name, ids::DpfNotEntryName, {name});
  }
  if (document.GetString(kTarget, kVersionKey, "").empty()) fail({}, ids::DpfNoTarget, {});
  if (const std::optional<std::string> key = RepeatedKey(document, kTarget)) {
    fail(kTarget, ids::DpfRepeatedKey, {kTarget, *key});
  }
  if (numbered.empty()) fail({}, ids::DpfNoEntries, {});
  // A gap is one fault however many numbers it skips: a file naming [PARAM4294961]
  // is not four million faults.
  uint64_t expected = 0;
  for (const auto& named : numbered) {
    const uint64_t number = named.first;
    const std::string section = "PARAM" + std::to_string(number);
    if (number != expected) {
      const std::string missing = "PARAM" + std::to_string(expected);
      fail(missing, ids::DpfGap, {missing});
    }
    expected = number + 1;
    if (const std::optional<std::string> key = RepeatedKey(document, section)) {
      fail(section, ids::DpfRepeatedKey, {section, *key});
      continue;
    }
    int32_t numbers[4] = {};
    bool read = true;
    for (size_t k = 0; k < 4 && read; ++k) {
      const std::string text = document.GetString(section, kEntryKeysInOrder[k], "");
      const std::optional<int32_t> number = WholeNumber(text);
      if (text.empty()) fail(section, ids::DpfMissingKey, {section, kEntryKeysInOrder[k]});
      else if (!number) fail(section, ids::DpfBadNumber, {section, kEntryKeysInOrder[k], res::DisplayText(text)});
      read = number.has_value();
      numbers[k] = number.value_or(0);
    }
    if (!read) continue;
    const DpfEntry entry{numbers[0], numbers[1], numbers[2], numbers[3]};
    const ParamRef ref = RefOf(entry);
    // Only what this program writes: any other number may be a damaged 0 as well as a 1.
    if (entry.nested != 0 && entry.nested != 1) {
      fail(section, ids::DpfBadNested, {section, std::to_string(entry.nested)});
    } else if (entry.nested == 0 && entry.offset != 0) {
      fail(section, ids::DpfWholeOffset, {section});
    } else if (!ParamNodeOf(model, ref)) {
      fail(section, ids::DpfEntryFault, {section, res::FormatString(ids::ParamNotDescribed, {ParamRefText(ref)})});
    } else {
      entries->push_back(entry);
      if (sections) sections->push_back(section);
    }
  }
}

// A file's entries, with every check made before anything reaches the drive; the
// user is told why a file is refused. `toSend`: the entries are to be written, so
// a file of another drive model is refused first, whatever else is wrong with it
// (a parameter that model lacks is a sign of it, not the cause).
Outcome ReadDpf(CFrameLogic& frame, const CParamDescFile& model, const std::string& path,
                std::vector<DpfEntry>* entries, std::string* version, bool toSend) {
  std::string fault;
  const Outcome checked = CheckParamFile(path, model, entries, version, &fault);
  if (toSend && RefuseOtherDriveModel(frame, *version)) {
    entries->clear();
    return Outcome::FileError;
  }
  if (checked == Outcome::Done) return checked;
  if (fault.empty()) {
    const std::string why = res::ReadFaultText(res::ReadFaultOf(path, ini::kMaxIniFileBytes), ini::kMaxIniFileBytes);
    frame.ShowMessage(res::FormatString(ids::DpfFileUnreadable, {path}) + (why.empty() ? "" : "\n" + why),
                      MsgIcon::Error);
  } else {
    frame.ShowMessage(res::LoadString(ids::WrongDpf) + "\n" + fault, MsgIcon::Error);
  }
  return checked;
}

// The plan of writes a file's entries make, named by their sections.
WritePlan PlanOf(const std::vector<DpfEntry>& entries, const std::vector<size_t>& indexes) {
  WritePlan plan;
  plan.askOffList = true;
  plan.refusalTextId = ids::WrongDpf;
  plan.refusal = Outcome::FileError;
  plan.stoppedTextId = ids::DpfPartialLoad;
  plan.stoppedBeforeAnyTextId = ids::DpfStoppedBeforeAny;
  for (const size_t index : indexes) {
    plan.entries.push_back({RefOf(entries[index]), entries[index].value, SectionName(static_cast<int>(index))});
  }
  return plan;
}

}  // namespace

Outcome CheckParamFile(const std::string& path, const CParamDescFile& model, std::vector<DpfEntry>* entries,
                       std::string* version, std::string* fault) {
  std::vector<DpfFault> faults;
  const Outcome read = ReadParamFile(path, model, entries, version, &faults);
  if (read == Outcome::Done && faults.empty()) return Outcome::Done;
  entries->clear();
  if (fault && !faults.empty()) *fault = faults.front().text;
  return Outcome::FileError;
}

Outcome ReadParamFile(const std::string& path, const CParamDescFile& model, std::vector<DpfEntry>* entries,
                      std::string* version, std::vector<DpfFault>* faults, std::vector<std::string>* sections) {
  entries->clear();
  if (sections) sections->clear();
  version->clear();
  std::string text;
  if (ini::ReadTextFile(path, text) != ini::LoadResult::Ok) return Outcome::FileError;
  // Every line this program and the INI functions write ends with a line end: a
  // last line without one is where a copy or a write was cut off.
  if (text.empty() || (text.back() != '\n' && text.back() != '\r')) {
    faults->push_back({{}, res::LoadString(ids::DpfCut), false});
  }
  const ini::IniDocument document = ini::IniDocument::Parse(text);
  *version = document.GetString(kTarget, kVersionKey, "", kVersionChars);
  ParseEntries(document, model, entries, faults, sections);
  return Outcome::Done;
}

bool WriteParamFile(const std::string& path, const std::string& version, const std::vector<DpfEntry>& entries) {
  ini::IniDocument document;
  bool built = document.SetString(kTarget, kVersionKey, version);
  for (size_t i = 0; i < entries.size() && built; ++i) {
    const std::string section = SectionName(static_cast<int>(i));
    built = document.SetInt(section, "ADDRESS", entries[i].address) &&
            document.SetInt(section, "NESTED", entries[i].nested) &&
            document.SetInt(section, "OFFSET", entries[i].offset) &&
            document.SetInt(section, "VALUE", entries[i].value);
  }
  CIniFile ini;
  ini.SetPath(path);
  return built && ini.WriteDocument(document);
}

Outcome SaveParamFile(CFrameLogic& frame, CParamDescFile& model, const DpfRunControl& control) {
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen() || !model.IsLoaded()) return Outcome::LinkFailed;
  const std::optional<std::string> path = frame.Prompt().AskFileName(ParamFileDialog(true));
  if (!path) return Outcome::Cancelled;
  const unsigned count = ShownEntryCount(model);
  std::optional<CLongWork> work(std::in_place, frame, ids::FlowSavingFile);
  const auto cancelled = [&](unsigned done) {
    return work->Between(done, count) || (control.cancelled && control.cancelled());
  };

  // The file holds the entries the view shows, each read from this drive: one the
  // cache lacks (its read was skipped) is read now, and one that still cannot be
  // read is left out and named, never stored as a value the drive did not give.
  std::vector<DpfEntry> entries;
  std::vector<std::string> skipped;
  // A drive set wrongly before is saved as it is, so the file brings that drive
  // back; the end names what lies outside its limits, so nobody takes it for a
  // file to load into another drive.
  std::string outside;
  for (unsigned i = 0; i < count; ++i) {
    if (cancelled(i)) return Outcome::Cancelled;  // the old file stays as it was
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
    if (const std::optional<std::string> text = OutsideLimitsText(model, EntryRef(entry), value)) {
      outside += (outside.empty() ? "" : "\n") + ParamRefText(EntryRef(entry)) + ": " + *text;
    }
    entries.push_back({entry.address, entry.nested, entry.offset, value});
  }
  if (cancelled(count)) return Outcome::Cancelled;
  work.reset();  // the drive's part is done: its messages are the window's again

  if (!WriteParamFile(*path, link.GetVersion(), entries)) {
    frame.ShowWriteFailed(ids::DpfWriteFailed, *path);
    return Outcome::FileError;
  }
  const std::string outsideNote = outside.empty() ? "" : "\n" + res::FormatString(ids::DpfSavedOutside, {outside});
  if (!skipped.empty()) {
    std::string list;
    for (const std::string& ref : skipped) list += (list.empty() ? "" : ", ") + ref;
    frame.ShowMessage(res::FormatString(ids::DpfReadSkipped, {list}) + outsideNote, MsgIcon::Warning);
    return Outcome::DriveRefused;
  }
  if (!outside.empty()) {
    frame.ShowMessage(res::LoadString(ids::DpfSaveComplete) + outsideNote, MsgIcon::Warning);
  } else {
    frame.ShowText(ids::DpfSaveComplete, MsgIcon::None);
  }
  return Outcome::Done;
}

Outcome LoadParamFile(CFrameLogic& frame, CParamDescFile& model, const DpfRunControl& control) {
  if (!frame.Link().IsOpen() || !model.IsLoaded()) return Outcome::LinkFailed;
  const std::optional<std::string> path = frame.Prompt().AskFileName(ParamFileDialog(false));
  if (!path) return Outcome::Cancelled;
  return LoadParamFileAt(frame, model, *path, nullptr, control);
}

Outcome LoadParamFileAt(CFrameLogic& frame, CParamDescFile& model, const std::string& path,
                        const std::vector<size_t>* only, const DpfRunControl& control) {
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen() || !model.IsLoaded()) return Outcome::LinkFailed;
  std::vector<DpfEntry> entries;
  std::string fileVersion;
  if (const Outcome read = ReadDpf(frame, model, path, &entries, &fileVersion, true); read != Outcome::Done) {
    return read;
  }
  // The file was checked whole; with `only`, just those entries go to the drive.
  std::vector<size_t> indexes;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!only || std::find(only->begin(), only->end(), i) != only->end()) indexes.push_back(i);
  }
  if (indexes.empty()) return Outcome::Done;
  const WritePlan plan = PlanOf(entries, indexes);
  // Cancel is read before each entry, as Ctrl-C is: never between a write and its read-back.
  std::optional<CLongWork> work(std::in_place, frame, only ? ids::FlowLoadingDiffering : ids::FlowLoadingFile);
  size_t reached = 0;
  CWriteGate gate = CWriteGate::ForFrame(frame, model, [&] {
    return work->Between(reached++, indexes.size()) || (control.cancelled && control.cancelled());
  });
  // What the link has not read yet is read first, and the drive saved whole: the
  // window answers meanwhile.
  const char* loadAction = only ? journal_action::kLoadDiffering : journal_action::kLoad;
  gate.SetRun({control.action.empty() ? loadAction : control.action, path, true, control.undoes,
               [&] { return work->Between(0, indexes.size()) || (control.cancelled && control.cancelled()); }});
  // A file the description refuses is said so before the version question.
  const std::optional<std::string> fault = gate.Check(plan);
  if (gate.ReadsCancelled()) return Outcome::Cancelled;
  if (fault) {
    frame.ShowMessage(res::LoadString(ids::WrongDpf) + "\n" + *fault, MsgIcon::Error);
    return plan.refusal;
  }
  if (!ParamFileVersionsAgree(link.GetVersion(), fileVersion) &&
      !ConfirmOtherVersion(frame, fileVersion, MsgIcon::Warning)) {
    return Outcome::Cancelled;
  }

  const WriteReport report = gate.Run(plan);
  work.reset();
  // Whatever happened, the drive's RAM may have changed: the view reads it again.
  if (report.sent) frame.PostCheckLink();
  if (control.report) *control.report = report;
  if (report.Complete()) {
    frame.ShowText(ids::DpfLoadComplete, MsgIcon::None);
  } else if (const std::string end = CWriteGate::EndText(report); !end.empty()) {
    frame.ShowMessage(end, MsgIcon::Warning);
  }
  return report.outcome;
}

Outcome CompareParamFile(CFrameLogic& frame, CParamDescFile& model, const std::string& path,
                         std::vector<DpfComparison>* rows, std::string* fileVersionOut) {
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen() || !model.IsLoaded()) return Outcome::LinkFailed;
  std::vector<DpfEntry> entries;
  std::string fileVersion;
  if (const Outcome read = ReadDpf(frame, model, path, &entries, &fileVersion, false); read != Outcome::Done) {
    return read;
  }
  if (fileVersionOut) *fileVersionOut = fileVersion;

  Outcome outcome = Outcome::Done;
  CLongWork work(frame, ids::FlowComparing);
  for (const DpfEntry& entry : entries) {
    // Cancel keeps the rows read so far; the caller shows them as a partial comparison.
    if (work.Between(rows->size(), entries.size())) return Outcome::Cancelled;
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
