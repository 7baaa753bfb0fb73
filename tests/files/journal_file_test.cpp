// The journal's file: the hash from the system's library, lines that read back as
// written, a line cut short that costs no other record, the filters and rotation.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "files/JournalFile.h"
#include "platform/Journaling.h"
#include "support/TempDir.h"

namespace {

journal::Record Sample(const std::string& id, const std::string& port) {
  journal::Record record;
  record.id = id;
  record.time = "2024-05-01T18:30:00.250+09:00";
  record.user = "kim";
  record.host = "line-3";
  record.port = port;
  record.version = "QDS-2 ver.1.04";
  record.action = "load";
  record.file = "C:/setups/\"axis\" 한글.dpf";
  record.entries = {{"16.4", "Stop current", 5, 7, 7, "in drive"},
                    {"21", "In-position", std::nullopt, 40, std::nullopt, "line fault"}};
  record.outcome = "link failed";
  return record;
}

std::string Ids(const std::vector<journal::Record>& records) {
  std::string ids;
  for (const journal::Record& record : records) ids += (ids.empty() ? "" : ",") + record.id;
  return ids;
}

}  // namespace

TEST(Sha256, StandardVectors) {
  struct Case {
    std::string message, digest;
  };
  const Case cases[] = {
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.digest, platform::Sha256Hex(c.message)) << c.message.substr(0, 20);
}

TEST(JournalFile, LineReadsBackAsWrittenAndOneLineLong) {
  const journal::Record record = Sample("2024-05-01T09:30:00.250Z-1a2b", "rfc2217://[::1]:4001");
  const std::string line = journal::FormatLine(record);
  ASSERT_EQ(line.find('\n'), line.size() - 1);
  const std::optional<journal::Record> back = journal::ParseLine(line.substr(0, line.size() - 1));
  ASSERT_TRUE(back);
  EXPECT_EQ(line, journal::FormatLine(*back));
  EXPECT_EQ(record.file, back->file);
  EXPECT_FALSE(back->entries[1].before);
  // Each prefix of a line is no record: a line torn anywhere is skipped, never misread.
  for (size_t cut = 0; cut + 1 < line.size(); cut += 7) EXPECT_FALSE(journal::ParseLine(line.substr(0, cut))) << cut;
}

TEST(JournalFile, TornLineCostsNoOtherRecordAndFiltersHold) {
  TempDir dir;
  const std::string folder = dir.Path() + "/";
  ASSERT_EQ("", journal::Append(folder, Sample("2024-05-01T09:00:00.000Z-0001", "COM3")));
  // A writer killed part-way through its line.
  const std::string torn = journal::FormatLine(Sample("2024-05-01T09:30:00.000Z-0002", "COM3"));
  ASSERT_TRUE(dir.Write(journal::kFileName, dir.Read(journal::kFileName) + torn.substr(0, torn.size() / 2)));
  ASSERT_EQ("", journal::Append(folder, Sample("2024-05-02T10:00:00.000Z-0003", "COM4")));
  ASSERT_EQ("", journal::Append(folder, Sample("2024-05-03T10:00:00.000Z-0004", "COM3")));

  struct Case {
    journal::Filter filter;
    std::string ids;
  };
  const Case cases[] = {
      {{}, "2024-05-01T09:00:00.000Z-0001,2024-05-02T10:00:00.000Z-0003,2024-05-03T10:00:00.000Z-0004"},
      {{"COM3", ""}, "2024-05-01T09:00:00.000Z-0001,2024-05-03T10:00:00.000Z-0004"},
      {{"COM", ""}, ""},  // a port is matched whole
      {{"", "2024-05-02T10:00:00.000Z"}, "2024-05-02T10:00:00.000Z-0003,2024-05-03T10:00:00.000Z-0004"},
      {{"COM4", "2024-05-02"}, "2024-05-02T10:00:00.000Z-0003"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.ids, Ids(journal::Read(folder, c.filter))) << c.filter.port << " " << c.filter.since;
  }
}

TEST(JournalFile, RotatesPastTheLimitKeepingFiveFiles) {
  TempDir dir;
  const std::string folder = dir.Path() + "/";
  for (int generation = 1; generation <= 4; ++generation) {
    ASSERT_TRUE(dir.Write(
        "journal." + std::to_string(generation) + ".jsonl",
        journal::FormatLine(Sample("2024-01-0" + std::to_string(5 - generation) + "T00:00:00.000Z-0000", "COM1"))));
  }
  const std::string full = journal::FormatLine(Sample("2024-01-05T00:00:00.000Z-0000", "COM1"));
  std::string text;
  while (text.size() + full.size() <= journal::kRotateBytes) text += full;
  ASSERT_TRUE(dir.Write(journal::kFileName, text));
  const size_t fullRecords = text.size() / full.size();
  ASSERT_EQ("", journal::Append(folder, Sample("2024-01-07T00:00:00.000Z-0000", "COM1")));
  const std::vector<std::string> names = dir.Names();
  EXPECT_EQ(1u, std::count(names.begin(), names.end(), "journal.jsonl"));
  EXPECT_EQ(0u, std::count(names.begin(), names.end(), "journal.5.jsonl"));
  // The oldest file (2024-01-01) went; the full one became journal.1.
  const std::vector<journal::Record> records = journal::Read(folder);
  ASSERT_EQ(3 + fullRecords + 1, records.size());
  EXPECT_EQ("2024-01-02T00:00:00.000Z-0000", records.front().id);
  EXPECT_EQ("2024-01-07T00:00:00.000Z-0000", records.back().id);
  EXPECT_EQ(journal::FormatLine(records.back()), dir.Read(journal::kFileName));
}
