#pragma once
// What the drive really holds against what the flows said they did. The soak is
// the drive's only user, so every difference between two snapshots is the work
// of the operation between them.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flows/ParamAccess.h"

class CParamDescFile;
class CSimDrive;
class CVcmCommand;

namespace soak {

constexpr int32_t kAddresses = 100;

struct DriveState {
  std::array<int32_t, kAddresses> ram{}, flash{};
};
DriveState Snapshot(const CSimDrive& drive);

// One value a flow was asked to put into the drive.
struct Change {
  ParamRef ref;
  int32_t value = 0;
};

// Empty when `after` is what the changes may leave: when `done`, every change took
// effect in RAM and in flash; otherwise each changed parameter or sub-field holds
// its old or its new value (a write whose answer was lost may have been taken),
// the bits no change touches are as they were, and nothing else changed. Else
// the first difference, in words.
std::string CheckChanges(const CParamDescFile& model, const DriveState& before, const DriveState& after,
                         const std::vector<Change>& changes, bool done);

// The same for whole values sent in order (a motor DB import): when not done,
// the values taken are a leading run of the list.
std::string CheckSentInOrder(const DriveState& before, const DriveState& after,
                             const std::vector<std::pair<int32_t, int32_t>>& values, bool done);

// Empty when nothing changed in RAM; else the first difference.
std::string CheckUnchanged(const DriveState& before, const DriveState& after);

// Empty when every value the link's cache holds is the drive's; else the first
// that is not. The cache is what the view and the files are made from.
std::string CheckCache(const CVcmCommand& link, const DriveState& now);

// The entries of a .dpf file in file order; none when it cannot be read.
std::optional<std::vector<Change>> ReadDpf(const std::string& path);
bool WriteDpf(const std::string& path, const std::string& version, const std::vector<Change>& changes);

// The (address, value) pairs of a motor DB command file as an export writes it.
std::vector<std::pair<int32_t, int32_t>> ReadMotorDbPairs(const std::string& text);

// The value a parameter or sub-field has within a whole parameter value.
int32_t FieldOf(const CParamDescFile& model, const ParamRef& ref, int32_t raw);

}  // namespace soak
