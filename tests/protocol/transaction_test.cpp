// The command transaction against a simulated drive over a pseudo-terminal: every
// result code, the echo and answer rules, and what the error report shows.

#include <string>

#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/LinkFixture.h"
#include "support/WriteKey.h"

namespace {

class TransactionTest : public LinkTest {};

TEST_F(TransactionTest, AnswerFormsGiveTheirResultCodes) {
  struct Case {
    const char* answer;
    int result;
    int32_t dataLength;  // checked on success
  };
  const Case cases[] = {
      {"OKY123", rc::Success, 3},      {"oky123", rc::Success, 3},  // the prefix is compared without case
      {"OKY", rc::Success, 0},         {"ERR", rc::Refused, 0},        {"Err bad argument", rc::Refused, 0},
      {"NAK", rc::UnknownResponse, 0}, {"OK", rc::UnknownResponse, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    faults.rawAnswer = c.answer;
    ApplyFaults();
    int32_t length = -1;
    EXPECT_EQ(c.result, link.Transact("XYZ", "7", &length));
    if (c.result == rc::Success) {
      EXPECT_EQ(c.dataLength, length);
      EXPECT_STREQ(c.answer, link.GetReceiveBuffer());
    } else {
      EXPECT_EQ(c.result, link.GetLastResult());
      EXPECT_EQ(std::string("  Send : XYZ7\r\n  Recv : ") + c.answer, link.GetTrace());
    }
  }
}

TEST_F(TransactionTest, LastResultSurvivesLaterSuccess) {
  faults.refused = {"SDP"};
  ApplyFaults();
  EXPECT_EQ(rc::Refused, TransactForTest(link, "SDP"));
  EXPECT_EQ(rc::Success, TransactForTest(link, "SMP"));
  EXPECT_EQ(rc::Refused, link.GetLastResult());
  EXPECT_NE(std::string::npos, std::string(link.GetTrace()).find("SDP"));
}

// Commands that change what the drive keeps go only with the write gate's key;
// the line is judged as it would go out, whatever its case or split.
TEST_F(TransactionTest, ChangingCommandsNeedTheGatesKey) {
  sim.Drive().ClearReceived();
  const std::pair<const char*, const char*> refused[] = {
      {"MDA", nullptr}, {"mda", "5"}, {"SDP", nullptr}, {"sMp", ""}, {"MDB", "3"}, {"MD", "A5"}, {"S", "DP"},
  };
  for (const auto& [mnemonic, argument] : refused) {
    SCOPED_TRACE(std::string(mnemonic) + (argument ? argument : ""));
    EXPECT_EQ(rc::NeedsGate, link.Transact(mnemonic, argument));
    EXPECT_EQ(rc::NeedsGate, link.GetLastResult());
  }
  EXPECT_TRUE(sim.Drive().Received().empty());
  EXPECT_EQ(rc::Success, link.Transact("MAD", "5"));
  EXPECT_EQ(rc::Success, link.Transact("VDP"));
  EXPECT_EQ(rc::Success, TransactForTest(link, "mda", "5"));
  EXPECT_EQ((std::vector<std::string>{"MAD5", "VDP", "mda5"}), sim.Drive().Received());
}

TEST_F(TransactionTest, EmptyArgumentSendsShortForm) {
  sim.Drive().ClearReceived();
  EXPECT_EQ(rc::Success, TransactForTest(link, "SDP", ""));
  EXPECT_EQ(rc::Success, TransactForTest(link, "SMP", nullptr));
  EXPECT_STREQ("SMP\r\n", link.GetSendBuffer());
  const std::vector<std::string> expected{"SDP", "SMP"};
  EXPECT_EQ(expected, sim.Drive().Received());
}

TEST_F(TransactionTest, LineEndsBeforeTheAnswerAreSkipped) {
  faults.leadingAnswerBytes = "\r\n\x01\r\n";
  faults.rawAnswer = "OKY5";
  ApplyFaults();
  int32_t length = 0;
  EXPECT_EQ(rc::Success, link.Transact("MAD", "5", &length));
  EXPECT_STREQ("OKY5", link.GetReceiveBuffer());
  EXPECT_EQ(1, length);
}

TEST_F(TransactionTest, AControlByteInsideAnAnswerMakesItUnknown) {
  // One flipped bit on the line turns "600" into "6<0x10>0": the answer is read to
  // its line end and refused whole, never taken as the "6" before the damage.
  struct Case {
    std::string answer;
    const char* shown;  // the receive buffer and the trace
  };
  const Case cases[] = {
      {"OKY6\x10"
       "0",
       "OKY6<0x10>0"},
      {std::string("OKYQ\0\xff", 6), "OKYQ<0x00>\xff"},
      {"OKY12\x7f", "OKY12<0x7F>"},
      {"ERR\tbusy", "ERR<0x09>busy"},  // damaged before it could be a refusal
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    faults.rawAnswer = c.answer;
    ApplyFaults();
    EXPECT_EQ(rc::UnknownResponse, TransactForTest(link, "MDA"));
    EXPECT_EQ(rc::UnknownResponse, link.GetLastResult());
    EXPECT_STREQ(c.shown, link.GetReceiveBuffer());
    EXPECT_EQ(std::string("  Send : MDA\r\n  Recv : ") + c.shown, link.GetTrace());
  }
  frame.ReportError(0);
  EXPECT_EQ(res::LoadString(ids::UnknownResponse) + "\n\n  Send : MDA\r\n  Recv : ERR<0x09>busy",
            prompt.Messages().back().text);
  faults.rawAnswer.clear();
  ApplyFaults();
  EXPECT_EQ(rc::Success, TransactForTest(link, "MDA")) << "the damaged line was read to its end";
}

TEST_F(TransactionTest, AnswerLengthLimit) {
  // 255 bytes and a line end fit; 256 bytes without one overflow the buffer.
  faults.rawAnswer = "OKY" + std::string(252, '7');
  ApplyFaults();
  int32_t length = 0;
  EXPECT_EQ(rc::Success, link.Transact("VER", nullptr, &length));
  EXPECT_EQ(252, length);

  faults.rawAnswer.clear();
  faults.overlongResponse = 256;
  ApplyFaults();
  EXPECT_EQ(rc::NoResponseLine, link.Transact("VER"));
  EXPECT_EQ(rc::ResponseTooLong, link.GetLastResult());
  EXPECT_EQ(255u, std::string(link.GetReceiveBuffer()).size());

  faults.overlongResponse = 0;
  ApplyFaults();
  EXPECT_EQ(rc::Success, link.Transact("VER")) << "the overflow was drained, the next exchange is clean";
}

TEST_F(TransactionTest, NoiseBeforeTheEchoIsIgnored) {
  faults.noiseBeforeEcho = "\x03#?\xff";
  ApplyFaults();
  EXPECT_EQ(rc::Success, link.Transact("MAD", "3"));
  EXPECT_EQ(std::optional<int32_t>(3), link.ParseResponseNumber());
}

TEST_F(TransactionTest, TimeOutsWithAFastClock) {
  UseFastClock();
  struct Case {
    const char* name;
    SimFaults faults;
    int result;
    int stored;
  };
  SimFaults silent;
  silent.silent = true;
  SimFaults wrongEcho;
  wrongEcho.wrongEcho = true;
  wrongEcho.noResponse = true;
  SimFaults noAnswer;
  noAnswer.noResponse = true;
  SimFaults otherBaud;
  otherBaud.otherBaudRate = true;
  const Case cases[] = {
      {"silent drive", silent, rc::NoEcho, rc::NoEcho},
      {"wrong echo", wrongEcho, rc::IncorrectEcho, rc::IncorrectEcho},
      {"another baud rate", otherBaud, rc::EchoUnreadable, rc::EchoUnreadable},
      {"echo without answer", noAnswer, rc::NoResponseLine, rc::ResponseTimeout},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim.Drive().SetFaults(c.faults);
    EXPECT_EQ(c.result, TransactForTest(link, "MDA"));
    EXPECT_EQ(c.stored, link.GetLastResult());
  }
}

TEST_F(TransactionTest, BytesTricklingInAfterAFailureAreDiscardedBeforeTheNextCommand) {
  // A refusal followed by stray bytes with pauses of a few milliseconds, as a slow
  // line or a USB adapter delivers them; the last one is the first byte of the next
  // command, which would spoil its echo if it were left.
  faults.refused = {"MDA"};
  faults.trailAfterAnswer = "..M";
  faults.trailGapMicros = 2000;
  ApplyFaults();
  EXPECT_EQ(rc::Refused, TransactForTest(link, "MDA"));
  sim.Drive().SetFaults({});
  EXPECT_EQ(rc::Success, TransactForTest(link, "MDA"));
}

TEST_F(TransactionTest, CommandTooLongIsRefusedBeforeSending) {
  sim.Drive().ClearReceived();
  const std::string longest(250, '1');
  EXPECT_EQ(rc::Success, TransactForTest(link, "MDB", longest.c_str()));
  const std::string tooLong(251, '1');
  EXPECT_EQ(rc::CommandTooLong, TransactForTest(link, "MDB", tooLong.c_str()));
  EXPECT_EQ(rc::CommandTooLong, link.GetLastResult());
  EXPECT_EQ(1u, sim.Drive().Received().size());
  EXPECT_EQ(btn::Ok, frame.ReportError(0));
  EXPECT_EQ(res::LoadString(ids::CommandTooLong), prompt.Messages().back().text);
}

TEST(TransactionHangUp, LostPortClosesAndANewOpenStartsFromScratch) {
  SimLink sims({200, 201});
  ASSERT_TRUE(sims.Ok());
  CVcmCommand link;
  CScriptedPrompt prompt;
  CFrameLogic frame(link, prompt);
  ASSERT_EQ(1, link.Open(200, 115200));
  SimFaults faults;
  faults.hangUpAfterEcho = true;
  sims.Drive(0).SetFaults(faults);

  // The kernel may drop the echo with the line, so the loss shows in the echo
  // wait (-10) or in the answer read (-20, stored as -10).
  const int result = link.Transact("VER");
  EXPECT_TRUE(result == rc::PortFailure || result == rc::NoResponseLine) << result;
  EXPECT_EQ(rc::PortFailure, link.GetLastResult());
  EXPECT_EQ(0, link.IsOpen());
  link.Close();  // nothing left to close
  EXPECT_EQ(0, link.IsOpen());
  EXPECT_EQ(rc::PortFailure, link.Transact("VER")) << "a lost port fails without touching the device";

  frame.ReportError(0);
  EXPECT_EQ(res::LoadString(ids::PortFailure), prompt.Messages().back().text);

  ASSERT_EQ(1, link.Open(201, 115200));
  EXPECT_EQ(rc::Success, link.Transact("VER"));
}

TEST_F(TransactionTest, LinkCheck) {
  EXPECT_EQ(rc::Success, link.CheckLink());
  EXPECT_EQ(rc::Success, link.Transact("VER")) << "the answer to abc was dropped";

  UseFastClock();
  faults.silent = true;
  ApplyFaults();
  EXPECT_EQ(rc::NoEcho, link.CheckLink());
  faults = {};
  faults.wrongEcho = true;
  ApplyFaults();
  EXPECT_EQ(rc::IncorrectEcho, link.CheckLink());

  // Bytes came back, none of them the echo: not the power cable but the rate.
  faults = {};
  faults.otherBaudRate = true;
  ApplyFaults();
  EXPECT_EQ(rc::EchoUnreadable, link.CheckLink());
  frame.ReportError(0);
  EXPECT_EQ(res::LoadString(ids::EchoUnreadable), prompt.Messages().back().text);
  EXPECT_NE(std::string::npos, prompt.Messages().back().text.find("baud rate"));
}

// One real wait of each kind, on the program's own clock.
TEST_F(TransactionTest, RealTimeWaits) {
  faults.silent = true;
  ApplyFaults();
  EXPECT_EQ(rc::NoEcho, link.Transact("VER"));
  frame.ReportError(0);
  EXPECT_EQ(res::LoadString(ids::NoEcho), prompt.Messages().back().text);

  faults = {};
  faults.noResponse = true;
  ApplyFaults();
  EXPECT_EQ(rc::NoResponseLine, link.Transact("VER"));
  EXPECT_EQ(rc::ResponseTimeout, link.GetLastResult());
  frame.ReportError(0);
  EXPECT_EQ(res::LoadString(ids::ResponseTimeout), prompt.Messages().back().text) << "no trace for a time-out";
}

}  // namespace
