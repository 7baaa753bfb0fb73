// Why a file was not read, as a user is told it: the description file of a run
// with too many ports open, and each reason's words.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <vector>

#include "params/ParamDescFile.h"
#include "resources/FileFaults.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/TempDir.h"

namespace {

TEST(ReadFaults, EachReasonIsToldAndAPlainFailureAddsNothing) {
  res::SetLanguage(res::Language::English);
  TempDir dir;
  ASSERT_TRUE(dir.Write("small", "12345"));
  using platform::ReadResult;
  EXPECT_EQ(ReadResult::TooBig, res::ReadFaultOf(dir.File("small"), 4));
  EXPECT_EQ(ReadResult::Ok, res::ReadFaultOf(dir.File("small"), 5));
  EXPECT_EQ(ReadResult::Missing, res::ReadFaultOf(dir.File("none"), 5));
  EXPECT_EQ(ReadResult::NotAFile, res::ReadFaultOf(dir.Path(), 5));
  EXPECT_EQ("It is over the size limit of 1 MiB.", res::ReadFaultText(ReadResult::TooBig, 1024 * 1024));
  EXPECT_EQ("It is over the size limit of 64 KiB.", res::ReadFaultText(ReadResult::TooBig, 64 * 1024));
  EXPECT_EQ(res::LoadString(ids::FileFaultTooManyOpen), res::ReadFaultText(ReadResult::TooManyOpen, 0));
  EXPECT_EQ("", res::ReadFaultText(ReadResult::Failed, 0));
  EXPECT_EQ("", res::ReadFaultText(ReadResult::Ok, 0));
}

TEST(ReadFaults, ADescriptionNotReadForWantOfFileHandlesSaysSo) {
  res::SetLanguage(res::Language::English);
  // Made, and its file read once, while handles are to spare: the sanitizers'
  // own checks of an object may need a handle the first time they meet it.
  CParamDescFile model;
  ASSERT_TRUE(model.Load("ParamDefault.xml")) << model.GetLoadError();
  // Every handle the limit allows taken, as 255 open ports take them.
  struct rlimit saved {};
  ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &saved));
  struct rlimit low = saved;
  low.rlim_cur = 64;
  ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &low));
  std::vector<int> taken;
  for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) taken.push_back(fd);
  const bool loaded = model.Load("ParamDefault.xml");
  for (const int fd : taken) close(fd);
  ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &saved));
  EXPECT_FALSE(loaded);
  EXPECT_EQ(res::LoadString(ids::FileFaultTooManyOpen), model.GetLoadError());
  // With handles to spare, the same file loads.
  EXPECT_TRUE(model.Load("ParamDefault.xml")) << model.GetLoadError();
}

}  // namespace
