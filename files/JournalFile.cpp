#include "files/JournalFile.h"

#include <nlohmann/json.hpp>

#include "platform/FileSystem.h"
#include "platform/Journaling.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace journal {
namespace {

using Json = nlohmann::ordered_json;
constexpr std::string_view kIdLead = "{\"id\":\"";

Json Optional(const std::optional<int64_t>& value) { return value ? Json(*value) : Json(nullptr); }

std::optional<int64_t> OptionalOf(const Json& value) {
  if (value.is_number_integer()) return value.get<int64_t>();
  return std::nullopt;
}

std::string Text(const Json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

// journal.jsonl, then journal.1.jsonl (the newest rotated) up to kKeptFiles - 1.
std::string FilePath(const std::string& folder, int generation) {
  if (generation == 0) return folder + kFileName;
  return folder + "journal." + std::to_string(generation) + ".jsonl";
}

void Rotate(const std::string& folder) {
  (void)platform::RemoveFile(FilePath(folder, kKeptFiles - 1));  // may not exist
  for (int generation = kKeptFiles - 2; generation >= 0; --generation) {
    (void)platform::RenameReplacing(FilePath(folder, generation), FilePath(folder, generation + 1));
  }
}

}  // namespace

std::string FormatLine(const Record& record) {
  Json entries = Json::array();
  for (const Entry& entry : record.entries) {
    entries.push_back({{"param", entry.param},
                       {"label", entry.label},
                       {"before", Optional(entry.before)},
                       {"asked", entry.asked},
                       {"after", Optional(entry.after)},
                       {"state", entry.state}});
  }
  // The id leads and the port follows the version, as the reader's line filter expects.
  const Json line = {{"id", record.id},           {"time", record.time},
                     {"user", record.user},       {"host", record.host},
                     {"program", record.program}, {"port", record.port},
                     {"version", record.version}, {"action", record.action},
                     {"file", record.file},       {"sha256", record.fileSha256},
                     {"entries", entries},        {"inFlash", record.inFlash},
                     {"outcome", record.outcome}, {"snapshot", record.snapshot},
                     {"undoes", record.undoes}};
  // Names and labels are the user's text: a byte that is no UTF-8 is replaced, never a reason to lose the record.
  return line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<Record> ParseLine(std::string_view line) {
  const Json json = Json::parse(line, nullptr, false);
  if (!json.is_object() || !json.contains("id") || !json.contains("entries") || !json["entries"].is_array()) {
    return std::nullopt;
  }
  Record record;
  record.id = Text(json, "id");
  record.time = Text(json, "time");
  record.user = Text(json, "user");
  record.host = Text(json, "host");
  record.program = Text(json, "program");
  record.port = Text(json, "port");
  record.version = Text(json, "version");
  record.action = Text(json, "action");
  record.file = Text(json, "file");
  record.fileSha256 = Text(json, "sha256");
  record.outcome = Text(json, "outcome");
  record.snapshot = Text(json, "snapshot");
  record.undoes = Text(json, "undoes");
  record.inFlash = json.value("inFlash", false);
  for (const Json& item : json["entries"]) {
    if (!item.is_object()) return std::nullopt;
    Entry entry;
    entry.param = Text(item, "param");
    entry.label = Text(item, "label");
    entry.before = OptionalOf(item.value("before", Json()));
    entry.after = OptionalOf(item.value("after", Json()));
    entry.asked = OptionalOf(item.value("asked", Json())).value_or(0);
    entry.state = Text(item, "state");
    record.entries.push_back(std::move(entry));
  }
  return record;
}

std::string Append(const std::string& folder, const Record& record) {
  if (folder.empty() || !platform::MakeFolder(folder.substr(0, folder.size() - 1))) {
    return res::FormatString(ids::JournalNoFolderAt, {folder});
  }
  const std::string line = FormatLine(record);
  const int error =
      platform::AppendLocked(folder + ".journal.lock", FilePath(folder, 0), line, [&](uint64_t size, char last) {
        if (size > 0 && size + line.size() > kRotateBytes) {
          Rotate(folder);
          return std::string();
        }
        // A line a crash cut short is ended, so the record after it stays a line of its own.
        return size > 0 && last != '\n' ? std::string("\n") : std::string();
      });
  return error == 0 ? std::string() : FilePath(folder, 0) + ": " + platform::ErrorText(error);
}

std::vector<Record> Read(const std::string& folder, const Filter& filter) {
  std::vector<Record> records;
  const std::string portKey = filter.port.empty() ? std::string() : "\"port\":" + Json(filter.port).dump() + ",";
  for (int generation = kKeptFiles - 1; generation >= 0; --generation) {
    std::string text;
    if (platform::ReadFile(FilePath(folder, generation), text) != platform::ReadResult::Ok) continue;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const std::string_view line(text.data() + start, end - start);
      start = end + 1;
      if (!filter.since.empty()) {
        if (line.substr(0, kIdLead.size()) != kIdLead) continue;
        if (line.substr(kIdLead.size(), filter.since.size()) < filter.since) continue;
      }
      if (!portKey.empty() && line.find(portKey) == std::string_view::npos) continue;
      if (std::optional<Record> record = ParseLine(line)) records.push_back(std::move(*record));
    }
  }
  return records;
}

}  // namespace journal
