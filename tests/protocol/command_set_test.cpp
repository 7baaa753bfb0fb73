// Reading and writing drive parameters, the version string and the cache.

#include <optional>
#include <string>

#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/LinkFixture.h"
#include "support/WriteKey.h"

namespace {

class CommandSetTest : public LinkTest {};

TEST_F(CommandSetTest, ReadsVersion) {
  sim.Drive().SetVersion("QDS-2 ver.1.04.007.12 std");
  EXPECT_EQ(rc::Success, link.ReadVersion());
  EXPECT_EQ("QDS-2 ver.1.04.007.12 std", link.GetVersion());

  sim.Drive().SetVersion("");
  EXPECT_EQ(rc::Success, link.ReadVersion());
  EXPECT_EQ("", link.GetVersion());

  sim.Drive().SetVersion("kept");
  ASSERT_EQ(rc::Success, link.ReadVersion());
  faults.refused = {"VER"};
  ApplyFaults();
  EXPECT_EQ(rc::Refused, link.ReadVersion());
  EXPECT_EQ("kept", link.GetVersion()) << "a failed read keeps the old text";
}

TEST_F(CommandSetTest, ReadAndWriteGoThroughTheCache) {
  sim.Drive().SetParam(5, 1234);
  sim.Drive().ClearReceived();
  ASSERT_EQ(rc::Success, link.ReadParam(5));
  ASSERT_NE(nullptr, link.FindCachedParam(5));
  EXPECT_EQ(1234, link.FindCachedParam(5)->value);

  ASSERT_EQ(rc::Success, WriteParamForTest(link, 5, 1500));
  EXPECT_EQ(1500, sim.Drive().GetParam(5));
  EXPECT_EQ(1500, link.FindCachedParam(5)->value);
  const std::vector<std::string> wire{"MAD5", "MDA", "MAD5", "MDA1500"};
  EXPECT_EQ(wire, sim.Drive().Received());

  // Reading again keeps one entry with the newer value.
  sim.Drive().SetParam(5, -77);
  ASSERT_EQ(rc::Success, link.ReadParam(5));
  EXPECT_EQ(-77, link.FindCachedParam(5)->value);
  EXPECT_EQ(link.FindCachedParam(5), link.FindCachedParam(5));
}

TEST_F(CommandSetTest, NegativeNumbersOnTheWire) {
  ASSERT_EQ(rc::Success, link.ReadParam(7));
  sim.Drive().ClearReceived();
  ASSERT_EQ(rc::Success, WriteParamForTest(link, 7, -2147483647 - 1));
  EXPECT_EQ("MDA-2147483648", sim.Drive().Received().back());
  EXPECT_EQ(-2147483647 - 1, link.FindCachedParam(7)->value);
  EXPECT_EQ(rc::Refused, link.ReadParam(-3)) << "the drive has no negative addresses";
  EXPECT_EQ("MAD-3", sim.Drive().Received().back());
}

TEST_F(CommandSetTest, WritingAnAddressNeverReadSendsNothing) {
  sim.Drive().ClearReceived();
  EXPECT_EQ(rc::Failure, WriteParamForTest(link, 42, 1));
  EXPECT_TRUE(sim.Drive().Received().empty());
}

TEST_F(CommandSetTest, DriveAnswersAnotherValue) {
  ASSERT_EQ(rc::Success, link.ReadParam(9));
  faults.writeOffset = 3;
  ApplyFaults();
  EXPECT_EQ(rc::Success, WriteParamForTest(link, 9, 100));
  EXPECT_EQ(103, link.FindCachedParam(9)->value) << "the cache keeps the drive's answer";
}

// The cache holds only what this drive was last seen to hold: a failed read
// forgets the value (the drive may have changed since), and so does closing the
// port, so another drive connected next never shows the first one's values.
TEST_F(CommandSetTest, CacheHoldsOnlyWhatThisDriveHolds) {
  sim.Drive().SetParam(11, 55);
  ASSERT_EQ(rc::Success, link.ReadParam(11));
  ASSERT_EQ(rc::Success, link.ReadParam(12));
  faults.refused = {"MDA"};
  ApplyFaults();
  EXPECT_EQ(rc::Refused, link.ReadParam(11));
  EXPECT_EQ(nullptr, link.FindCachedParam(11));
  EXPECT_NE(rc::Success, WriteParamForTest(link, 11, 1)) << "nothing to write over";
  ASSERT_NE(nullptr, link.FindCachedParam(12));

  faults = {};
  ApplyFaults();
  link.Close();
  EXPECT_EQ(nullptr, link.FindCachedParam(12));
  EXPECT_EQ("", link.GetVersion());
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  EXPECT_EQ(nullptr, link.FindCachedParam(12));
}

TEST_F(CommandSetTest, ConfirmedAddressMismatchIsRecorded) {
  // An older failure first, so the report must not repeat it.
  faults.refused = {"SDP"};
  ApplyFaults();
  ASSERT_EQ(rc::Refused, TransactForTest(link, "SDP"));

  faults = {};
  faults.mismatchAddress = true;
  ApplyFaults();
  EXPECT_EQ(rc::Failure, link.ReadParam(13));
  EXPECT_EQ(nullptr, link.FindCachedParam(13));
  EXPECT_EQ(rc::AddressMismatch, link.GetLastResult());
  EXPECT_EQ(std::string("  Send : MAD13\r\n  Recv : OKY14"), link.GetTrace());

  frame.ReportError(0);
  EXPECT_EQ(res::LoadString(ids::AddressMismatch) + "\n\n  Send : MAD13\r\n  Recv : OKY14",
            prompt.Messages().back().text);
}

TEST(ResponseNumbers, OnlyAWholeNumberThatFits32BitsIsAValue) {
  struct Case {
    const char* answer;
    std::optional<int32_t> value;
  };
  const Case cases[] = {{"OKY1234", 1234},
                        {"OKY-5", -5},
                        {"OKY  +17 ", 17},
                        {"OKY2147483647", 2147483647},
                        {"OKY-2147483648", -2147483647 - 1},
                        {"OKYjunk", std::nullopt},
                        {"OKY", std::nullopt},
                        {"OKY17x", std::nullopt},
                        {"OKY12 34", std::nullopt},
                        {"OKY-", std::nullopt},
                        {"OKY+-3", std::nullopt},
                        {"OKY2147483648", std::nullopt},
                        {"OKY99999999999", std::nullopt}};
  SimLink sim;
  ASSERT_TRUE(sim.Ok());
  CVcmCommand link;
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    SimFaults faults;
    faults.rawAnswer = c.answer;
    sim.Drive().SetFaults(faults);
    ASSERT_EQ(rc::Success, TransactForTest(link, "MDA"));
    EXPECT_EQ(c.value, link.ParseResponseNumber());
  }
}

TEST(ResponseNumbers, AGarbledValueIsAnUnknownResponseWithItsTrace) {
  SimLink sim;
  ASSERT_TRUE(sim.Ok());
  CVcmCommand link;
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  ASSERT_EQ(rc::Success, link.ReadParam(5));
  // The garbled confirmation fails the read, which forgets the value.
  for (const char* answer : {"OKYjunk", "OKY", "OKY4294967296"}) {
    SCOPED_TRACE(answer);
    SimFaults faults;
    faults.rawAnswer = answer;
    sim.Drive().SetFaults(faults);
    EXPECT_EQ(rc::UnknownResponse, link.ReadParam(5));
    EXPECT_EQ(rc::UnknownResponse, link.GetLastResult());
    EXPECT_EQ(std::string("  Send : MAD5\r\n  Recv : ") + answer, link.GetTrace());
    EXPECT_EQ(nullptr, link.FindCachedParam(5));
    sim.Drive().SetFaults(SimFaults());
    ASSERT_EQ(rc::Success, link.ReadParam(5));
  }
  SimFaults faults;
  faults.rawAnswer = "OKY5x";
  sim.Drive().SetFaults(faults);
  EXPECT_EQ(rc::Failure, WriteParamForTest(link, 5, 7));
  EXPECT_EQ(rc::UnknownResponse, link.GetLastResult());
}

}  // namespace
