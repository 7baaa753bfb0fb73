#include "flows/MotorDbPlan.h"

#include <cctype>
#include <charconv>

#include "params/ParamDescFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::optional<int32_t> Argument(const CVcmFile::Command& command) {
  if (!command.hasArgument) return std::nullopt;
  const std::string& text = command.argument;
  const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
  const char* end = text.data() + text.size();
  int32_t value = 0;
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end || begin == end) return std::nullopt;
  return value;
}

bool IsSelect(const CVcmFile::Command& command) {
  return Upper(command.mnemonic) == "MAD" && Argument(command).has_value();
}
bool IsValue(const CVcmFile::Command& command) {
  return Upper(command.mnemonic) == "MDA" && Argument(command).has_value();
}

struct Read {
  CVcmFile::Command command;
  size_t cursorAfter = 0;
};

}  // namespace

bool IsStatusParam(const CParamDescFile& model, int32_t address) {
  const CParamNode* param = model.FindParam(address);
  if (!param) return false;
  for (size_t i = 0; i < model.GetCategoryCount(); ++i) {
    const CCategoryNode* category = model.GetCategory(i);
    if (category->GetIndex() == param->GetCategory()) return Upper(category->GetName()) == "STATUS";
  }
  return false;
}

bool KeepsParamValues(const CVcmFile::Command& command) {
  const std::string mnemonic = Upper(command.mnemonic);
  if (mnemonic == "MDA") return !command.hasArgument;
  return mnemonic == "MAD" || mnemonic == "VER" || mnemonic == "VDP" || mnemonic == "VMP" || mnemonic == "SDP" ||
         mnemonic == "SMP";
}

MotorDbPlan PlanMotorDbFile(CVcmFile& file, const CParamDescFile& model) {
  std::vector<Read> commands;
  for (;;) {
    Read read;
    if (file.NextCommand(read.command) != CVcmFile::Token::Command) break;
    read.cursorAfter = file.Cursor();
    commands.push_back(std::move(read));
  }

  MotorDbPlan plan;
  plan.length = file.Length();
  std::optional<int32_t> selected;  // the address the file's last MAD selected
  for (size_t i = 0; i < commands.size(); ++i) {
    const Read& read = commands[i];
    MotorDbStep step;
    step.command = read.command;
    step.cursorAfter = read.cursorAfter;
    if (IsSelect(read.command)) {
      selected = Argument(read.command);
      // A MAD right before a value goes with that value.
      if (i + 1 < commands.size() && IsValue(commands[i + 1].command)) continue;
    }
    if (IsValue(read.command)) {
      if (!selected) {
        plan.fault = res::FormatString(ids::MotorDbNoAddress, {std::to_string(read.command.line)});
        return plan;
      }
      if (i > 0 && IsSelect(commands[i - 1].command)) step.select = commands[i - 1].command;
      step.address = *selected;
      const CParamNode* param = model.FindParam(step.address);
      if (!param) {
        step.kind = MotorDbStep::Kind::Unlisted;
        plan.unlisted.push_back(step.address);
      } else if (param->IsReserved() || param->IsHidden() || IsStatusParam(model, step.address)) {
        step.kind = MotorDbStep::Kind::Kept;
        plan.kept.push_back(step.address);
      } else {
        step.kind = MotorDbStep::Kind::Write;
        step.write = plan.writes.size();
        plan.writes.push_back({{step.address, false, 0},
                               *Argument(read.command),
                               res::FormatString(ids::MotorDbLineName, {std::to_string(read.command.line)})});
        plan.changes.push_back({step.address, {step.write}, std::nullopt, 0, false});
      }
    }
    plan.steps.push_back(std::move(step));
  }
  return plan;
}
