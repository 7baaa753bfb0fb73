// A recording killed at any moment holds whole rows only: the header, then rows
// that each end with a line feed and carry every column.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "flows/StatusRecord.h"
#include "support/TempDir.h"

namespace {

TEST(StatusRecordKillTest, RowsAreWholeAfterTheWriterIsKilled) {
  TempDir dir;
  std::mt19937 random(38);
  const std::vector<StatusColumn> columns = {
      {90, "Alarm Code", ""}, {97, "Drive Temperature", "degC"}, {98, "Bus Voltage", "V"}, {96, "Operating Time", "h"}};
  for (int round = 0; round < 25; ++round) {
    const std::string path = dir.File("state-" + std::to_string(round) + ".csv");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      CStatusRecord record;
      if (!record.Start(path, "COM3", "QDS-2 ver.1.04.007.12 std", columns)) _exit(2);
      // A second passes between two samples, so every sample reaches the file at once.
      for (int64_t i = 0;; ++i) {
        if (!record.Add(1705276800000 + i, {0, static_cast<int32_t>(i % 100), -12345678, 1234}, i * 1000)) _exit(3);
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200 + random() % 20000));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << WEXITSTATUS(status);

    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The kernel may cut a write short at a page boundary when the writer is killed:
    // only the last line can be cut, and a reader drops a line without its end.
    text.erase(text.find_last_of('\n') == std::string::npos ? 0 : text.find_last_of('\n') + 1);
    if (text.empty()) continue;  // killed before its header was whole
    size_t rows = 0;
    for (size_t start = 0; start < text.size(); ++rows) {
      const size_t end = text.find('\n', start);
      const std::string line = text.substr(start, end - start);
      EXPECT_EQ(6, std::count(line.begin(), line.end(), ',')) << "round " << round << ": " << line;
      start = end + 1;
    }
    EXPECT_GE(rows, 1u);
  }
}

}  // namespace
