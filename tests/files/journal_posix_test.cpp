// The journal under several writers at once and under a writer killed part-way:
// every record a process finished is there whole, and the file always reads.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "files/JournalFile.h"
#include "support/TempDir.h"

namespace {

journal::Record Numbered(int writer, int n) {
  journal::Record record;
  record.id = "2024-05-01T00:00:00.000Z-" + std::to_string(writer) + "-" + std::to_string(n);
  record.port = "COM" + std::to_string(writer);
  record.action = "set";
  // Long enough that a write of it is no single page's worth.
  for (int i = 0; i < 40; ++i)
    record.entries.push_back({std::to_string(i), std::string(60, 'x'), i, i + 1, i + 1, "in drive"});
  return record;
}

}  // namespace

TEST(JournalAppend, SeveralProcessesAtOnceLoseNoRecord) {
  TempDir dir;
  const std::string folder = dir.Path() + "/";
  constexpr int kWriters = 6, kRecords = 40;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int n = 0; n < kRecords; ++n) {
        if (!journal::Append(folder, Numbered(w, n)).empty()) _exit(1);
      }
      _exit(0);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::set<std::string> ids;
  for (const journal::Record& record : journal::Read(folder)) ids.insert(record.id);
  EXPECT_EQ(static_cast<size_t>(kWriters * kRecords), ids.size());
  // Nothing but whole lines: no record was cut by another's.
  const std::string text = dir.Read(journal::kFileName);
  EXPECT_EQ(static_cast<size_t>(kWriters * kRecords), static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
}

TEST(JournalAppend, WriterKilledAnywhereLeavesAJournalThatReads) {
  TempDir dir;
  const std::string folder = dir.Path() + "/";
  std::mt19937 random(7);
  int appendedAfter = 0;
  for (int round = 0; round < 8; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int n = 0;; ++n) (void)journal::Append(folder, Numbered(100 + round, n));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200 + random() % 5000));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    // Whoever writes next is not held up by the dead writer's lock, and its record reads.
    ASSERT_EQ("", journal::Append(folder, Numbered(999, round)));
    ++appendedAfter;
    const std::vector<journal::Record> records = journal::Read(folder);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(Numbered(999, round).id, records.back().id);
  }
  size_t survivors = 0;
  for (const journal::Record& record : journal::Read(folder)) survivors += record.port == "COM999" ? 1 : 0;
  EXPECT_EQ(static_cast<size_t>(appendedAfter), survivors);
}
