#include "soak/SoakState.h"

#include <map>
#include <sstream>

#include "files/IniFile.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "tools/SimDrive.h"

namespace soak {
namespace {

std::string Describe(const char* what, int32_t address, int32_t expected, int32_t found) {
  return std::string(what) + " of parameter " + std::to_string(address) + ": expected " + std::to_string(expected) +
         ", the drive holds " + std::to_string(found);
}

const CParamInterface* NodeOf(const CParamDescFile& model, const ParamRef& ref) {
  if (ref.nested) return model.FindNested(ref.address, ref.offset);
  return model.FindParam(ref.address);
}

int32_t WithField(const CParamDescFile& model, const ParamRef& ref, int32_t raw, int32_t value) {
  return ref.nested ? InsertNestedValue(raw, NodeOf(model, ref), value) : value;
}

}  // namespace

DriveState Snapshot(const CSimDrive& drive) {
  DriveState state;
  for (int32_t a = 0; a < kAddresses; ++a) {
    state.ram[a] = drive.GetParam(a);
    state.flash[a] = drive.SavedParam(a);
  }
  return state;
}

int32_t FieldOf(const CParamDescFile& model, const ParamRef& ref, int32_t raw) {
  return ref.nested ? ExtractNestedValue(raw, NodeOf(model, ref)) : raw;
}

std::string CheckChanges(const CParamDescFile& model, const DriveState& before, const DriveState& after,
                         const std::vector<Change>& changes, bool done) {
  std::map<int32_t, std::vector<Change>> byAddress;
  for (const Change& change : changes) byAddress[change.ref.address].push_back(change);
  for (int32_t a = 0; a < kAddresses; ++a) {
    const auto found = byAddress.find(a);
    if (found == byAddress.end()) {
      if (after.ram[a] != before.ram[a]) return Describe("untouched value", a, before.ram[a], after.ram[a]);
      continue;
    }
    if (done) {
      int32_t expected = before.ram[a];
      for (const Change& change : found->second) expected = WithField(model, change.ref, expected, change.value);
      if (after.ram[a] != expected) return Describe("value reported written", a, expected, after.ram[a]);
      if (after.flash[a] != expected) return Describe("value reported saved", a, expected, after.flash[a]);
      continue;
    }
    // Each changed field old or new; putting the old fields back into what the
    // drive holds must give exactly what it held before.
    int32_t restored = after.ram[a];
    for (const Change& change : found->second) {
      const int32_t old = FieldOf(model, change.ref, before.ram[a]);
      const int32_t now = FieldOf(model, change.ref, after.ram[a]);
      if (now != old && now != change.value) {
        return Describe(("field " + ParamRefText(change.ref) + " (neither old nor new)").c_str(), a, change.value, now);
      }
      restored = WithField(model, change.ref, restored, old);
    }
    if (restored != before.ram[a]) return Describe("bits no change touched", a, before.ram[a], restored);
  }
  return std::string();
}

std::string CheckSentInOrder(const DriveState& before, const DriveState& after,
                             const std::vector<std::pair<int32_t, int32_t>>& values, bool done) {
  std::map<int32_t, int32_t> sent(values.begin(), values.end());
  for (int32_t a = 0; a < kAddresses; ++a) {
    if (sent.count(a) == 0 && after.ram[a] != before.ram[a]) {
      return Describe("value not in the file", a, before.ram[a], after.ram[a]);
    }
  }
  bool stopped = false;
  for (const auto& [address, value] : values) {
    const int32_t now = after.ram[address];
    if (done && (now != value || after.flash[address] != value)) {
      return Describe("value reported imported and saved", address, value, now != value ? now : after.flash[address]);
    }
    if (!stopped && now != value) stopped = true;
    if (stopped && now != before.ram[address]) {
      return Describe("value after the point the import stopped", address, before.ram[address], now);
    }
  }
  return std::string();
}

std::string CheckUnchanged(const DriveState& before, const DriveState& after) {
  for (int32_t a = 0; a < kAddresses; ++a) {
    if (after.ram[a] != before.ram[a]) return Describe("value nothing wrote", a, before.ram[a], after.ram[a]);
  }
  return std::string();
}

std::string CheckCache(const CVcmCommand& link, const DriveState& now) {
  for (int32_t a = 0; a < kAddresses; ++a) {
    const CachedParam* cached = link.FindCachedParam(a);
    if (cached && cached->value != now.ram[a]) {
      return "the link's cache holds " + std::to_string(cached->value) + " for parameter " + std::to_string(a) +
             ", the drive " + std::to_string(now.ram[a]);
    }
  }
  return std::string();
}

std::optional<std::vector<Change>> ReadDpf(const std::string& path) {
  CIniFile ini;
  ini.SetPath(path);
  if (!ini.HasKey("TARGET", "VER")) return std::nullopt;
  std::vector<Change> entries;
  for (int i = 0;; ++i) {
    const std::string section = "PARAM" + std::to_string(i);
    if (!ini.HasSection(section)) return entries;
    Change entry;
    entry.ref.address = ini.GetInt(section, "ADDRESS", -1);
    entry.ref.nested = ini.GetInt(section, "NESTED", 0) != 0;
    entry.ref.offset = ini.GetInt(section, "OFFSET", 0);
    entry.value = ini.GetInt(section, "VALUE", 0);
    entries.push_back(entry);
  }
}

bool WriteDpf(const std::string& path, const std::string& version, const std::vector<Change>& changes) {
  ini::IniDocument document;
  bool built = document.SetString("TARGET", "VER", version);
  for (size_t i = 0; i < changes.size(); ++i) {
    const std::string section = "PARAM" + std::to_string(i);
    const Change& change = changes[i];
    built = built && document.SetInt(section, "ADDRESS", change.ref.address) &&
            document.SetInt(section, "NESTED", change.ref.nested ? 1 : 0) &&
            document.SetInt(section, "OFFSET", change.ref.offset) && document.SetInt(section, "VALUE", change.value);
  }
  CIniFile ini;
  ini.SetPath(path);
  return built && ini.WriteDocument(document);
}

std::vector<std::pair<int32_t, int32_t>> ReadMotorDbPairs(const std::string& text) {
  std::vector<std::pair<int32_t, int32_t>> pairs;
  std::istringstream lines(text);
  std::string line;
  int32_t address = -1;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("mad", 0) == 0) address = std::stoi(line.substr(3));
    if (line.rfind("mda", 0) == 0 && address >= 0) pairs.emplace_back(address, std::stoi(line.substr(3)));
  }
  return pairs;
}

}  // namespace soak
