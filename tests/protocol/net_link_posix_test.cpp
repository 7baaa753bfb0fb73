// The link through a serial device server: ser2net on the loopback address in
// front of a simulated drive's pseudo-terminal, and servers of the test's own
// that misbehave.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "flows/FrameLogic.h"
#include "flows/PortDoctor.h"
#include "protocol/ResultCodes.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/NetLine.h"
#include "serial/NetSocket.h"
#include "serial/PortProbe.h"
#include "serial/PortTable.h"
#include "support/ScriptedPrompt.h"
#include "support/Ser2Net.h"
#include "support/SimLink.h"

namespace {

constexpr unsigned kNetCom = 120;

// A ports file naming the server's address under kNetCom, beside the drive's own.
class NetLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    res::SetLanguage(res::Language::English);
    ASSERT_TRUE(sim.Ok());
    ASSERT_TRUE(server.Ok()) << "ser2net did not start";
  }

  void Name(const std::string& address) {
    ASSERT_TRUE(dir.Write("ports", "COM" + std::to_string(kNetCom) + "=" + address + "\n"));
    portmap::SetPortsFilePath(dir.File("ports"));
  }

  std::string Doctor() {
    const portprobe::PortFacts facts = portprobe::Probe(kNetCom);
    return portdoctor::StatusText(facts) + "\n" + portdoctor::AdviceText(facts);
  }

  SimLink sim;
  Ser2Net server{{{portmap::PathOf(sim.Com()).value_or(""), true}, {portmap::PathOf(sim.Com()).value_or(""), false}}};
  TempDir dir;
};

// A listening socket that accepts and then says nothing, as a server that hangs.
class SilentServer {
 public:
  // `backlog` 0 and one connection left waiting: the server's queue is full and
  // every further connection attempt goes unanswered.
  explicit SilentServer(int backlog = 4) {
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(m_fd, backlog) == 0 &&
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      m_port = ntohs(address.sin_port);
    }
  }
  ~SilentServer() { close(m_fd); }
  uint16_t Port() const { return m_port; }
  // The next connection waiting, for a test that speaks for the server itself.
  int Accept() { return accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC); }

 private:
  int m_fd = -1;
  uint16_t m_port = 0;
};

// A server of the test's own: each connection is handed to `serve` on a thread.
class ScriptedServer {
 public:
  explicit ScriptedServer(std::function<void(int)> serve) : m_listen(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(m_listen, 4) == 0 &&
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      m_port = ntohs(address.sin_port);
    }
    m_thread = std::thread([this, serve = std::move(serve)] {
      for (;;) {
        const int client = accept(m_listen, nullptr, nullptr);
        if (client < 0) return;
        serve(client);
        close(client);
      }
    });
  }
  ~ScriptedServer() {
    shutdown(m_listen, SHUT_RDWR);
    m_thread.join();
    close(m_listen);
  }
  uint16_t Port() const { return m_port; }

 private:
  int m_listen;
  uint16_t m_port = 0;
  std::thread m_thread;
};

// The client's data with its Telnet commands and subnegotiations left out;
// `state` carries an unfinished command from one read to the next.
std::string TelnetData(const uint8_t* bytes, size_t size, int& state) {
  enum { kData, kIac, kOption, kSub, kSubIac };
  std::string data;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t b = bytes[i];
    if (state == kData && b != 255) data += static_cast<char>(b);
    if (state == kData) state = b == 255 ? kIac : kData;
    else if (state == kIac && b == 255) {
      data += static_cast<char>(b);
      state = kData;
    } else if (state == kIac) state = b == 250 ? kSub : b >= 251 ? kOption : kData;
    else if (state == kOption) state = kData;
    else if (state == kSub) state = b == 255 ? kSubIac : kSub;
    else state = b == 240 ? kData : kSub;
  }
  return data;
}

TEST_F(NetLinkTest, ServersThatAreNoRfc2217ServersAreSaidToBeSo) {
  // One floods option requests: no "another client holds the port".
  ScriptedServer flooding([](int fd) {
    std::vector<uint8_t> requests;
    for (int i = 0; i < 300; ++i) requests.insert(requests.end(), {255, 253, static_cast<uint8_t>(40 + i % 100)});
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end && send(fd, requests.data(), requests.size(), MSG_NOSIGNAL) > 0) {
      uint8_t drain[4096];
      (void)recv(fd, drain, sizeof drain, MSG_DONTWAIT);
    }
  });
  Name("rfc2217://127.0.0.1:" + std::to_string(flooding.Port()));
  CVcmCommand link;
  EXPECT_EQ(link.Open(kNetCom, 115200), 0);
  EXPECT_NE(Doctor().find("does not answer as an RFC 2217 server should"), std::string::npos) << Doctor();
  EXPECT_EQ(Doctor().find("another client"), std::string::npos) << Doctor();

  // One refuses binary mode and, as a Telnet line that is not binary does, sends
  // a CR on as CR NUL: the wrong echo is blamed on the server, with what it refused.
  ScriptedServer textMode([](int fd) {
    const uint8_t refusal[] = {255, 252, 0, 255, 254, 0};
    (void)send(fd, refusal, sizeof refusal, MSG_NOSIGNAL);
    int state = 0;
    uint8_t buffer[256];
    for (ssize_t got; (got = recv(fd, buffer, sizeof buffer, 0)) > 0;) {
      std::string echo;
      for (const char c : TelnetData(buffer, static_cast<size_t>(got), state)) {
        echo += c;
        if (c == '\r') echo += '\0';
      }
      (void)send(fd, echo.data(), echo.size(), MSG_NOSIGNAL);
    }
  });
  Name("rfc2217://127.0.0.1:" + std::to_string(textMode.Port()));
  ASSERT_EQ(link.Open(kNetCom, 115200), 1);
  EXPECT_EQ(link.CheckLink(), rc::IncorrectEcho);
  CScriptedPrompt prompt;
  CFrameLogic frame(link, prompt);
  frame.ReportError(0);
  const std::string told = prompt.Messages().back().text;
  EXPECT_EQ(0u, told.find(res::FormatString(ids::NetEchoNotRfc2217,
                                            {"rfc2217://127.0.0.1:" + std::to_string(textMode.Port())})))
      << told;
  EXPECT_NE(told.find("BINARY: refused"), std::string::npos) << told;
  link.Close();  // the server's thread ends with the connection
}

TEST_F(NetLinkTest, BothAcceptersCarryEveryByteIncludingIac) {
  // 255 is Telnet's escape: the drive's version text carries one to the PC and
  // a command argument carries one to the drive, whose echo brings it back.
  sim.Drive().SetVersion(
      "V\xff"
      "2");
  for (size_t line = 0; line < 2; ++line) {
    Name(server.Address(line));
    CVcmCommand link;
    ASSERT_EQ(link.Open(kNetCom, 115200), 1) << server.Address(line);
    EXPECT_EQ(link.CheckLink(), rc::Success);
    EXPECT_EQ(link.Transact("XYZ",
                            "a\xff\xff"
                            "b"),
              rc::Success)
        << link.GetTrace();
    EXPECT_EQ(link.ReadVersion(), rc::Success);
    EXPECT_EQ(link.GetVersion(),
              "V\xff"
              "2");
    if (line == 0) {
      // A pseudo-terminal has no modem lines: the server says so, and it is only a note.
      EXPECT_EQ(link.LineNotes().find("SET-BAUDRATE"), std::string::npos) << link.LineNotes();
    }
    link.Close();
  }
}

TEST_F(NetLinkTest, AControlByteInsideAnAnswerIsUnknownThroughEitherAccepter) {
  SimFaults faults;
  faults.rawAnswer =
      "OKY6\x10"
      "0";
  faults.rawAnswerTo = "MDA";
  sim.Drive().SetFaults(faults);
  for (size_t line = 0; line < 2; ++line) {
    Name(server.Address(line));
    CVcmCommand link;
    ASSERT_EQ(link.Open(kNetCom, 115200), 1) << server.Address(line);
    EXPECT_EQ(link.ReadParam(16), rc::UnknownResponse) << server.Address(line);
    EXPECT_EQ(std::string(link.GetTrace()), "  Send : MDA\r\n  Recv : OKY6<0x10>0");
    EXPECT_EQ(link.FindCachedParam(16), nullptr);
  }
}

TEST_F(NetLinkTest, ServerGoneMidwayIsAPortLostAndTheNextOpenConnectsAfresh) {
  Name(server.Address(0));
  CVcmCommand link;
  ASSERT_EQ(link.Open(kNetCom, 115200), 1);
  ASSERT_EQ(link.CheckLink(), rc::Success);
  server.Stop();
  EXPECT_EQ(link.Transact("VER"), rc::PortFailure);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_NE(Doctor().find("connection refused by 127.0.0.1:" + std::to_string(server.Port(0))), std::string::npos);

  ASSERT_TRUE(server.Start());
  ASSERT_EQ(link.Open(kNetCom, 115200), 1);
  EXPECT_EQ(link.CheckLink(), rc::Success);
}

TEST_F(NetLinkTest, ASecondClientIsTurnedAwayAndTheDoctorSaysWhy) {
  for (size_t line = 0; line < 2; ++line) {
    Name(server.Address(line));
    CVcmCommand first;
    ASSERT_EQ(first.Open(kNetCom, 115200), 1);
    CVcmCommand second;
    EXPECT_EQ(second.Open(kNetCom, 115200), 0) << server.Address(line);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_NE(Doctor().find("another client holds the port"), std::string::npos) << Doctor();
    // The first keeps its drive.
    EXPECT_EQ(first.CheckLink(), rc::Success);
  }
}

TEST_F(NetLinkTest, FailuresToConnectAreToldApart) {
  Name("rfc2217://127.0.0.1:" + std::to_string(Ser2Net::FreePort()));
  CVcmCommand link;
  EXPECT_EQ(link.Open(kNetCom, 115200), 0);
  EXPECT_NE(Doctor().find("connection refused"), std::string::npos) << Doctor();

  Name("tcp://no-such-host.invalid:4001");
  EXPECT_EQ(link.Open(kNetCom, 115200), 0);
  EXPECT_NE(Doctor().find("host name no-such-host.invalid not found"), std::string::npos) << Doctor();

  SilentServer full(0);
  const int waiting = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(full.Port());
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(0, connect(waiting, reinterpret_cast<sockaddr*>(&address), sizeof address));
  Name("tcp://127.0.0.1:" + std::to_string(full.Port()));
  CNetLine::SetConnectWaitMs(300);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(link.Open(kNetCom, 115200), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_NE(Doctor().find("no answer from 127.0.0.1:" + std::to_string(full.Port()) + " within 1 s"), std::string::npos)
      << Doctor();
  CNetLine::SetConnectWaitMs(0);
  close(waiting);

  Name("rfc2217://127.0.0.1");
  EXPECT_EQ(link.Open(kNetCom, 115200), 0);
  EXPECT_NE(Doctor().find("rfc2217://host:port"), std::string::npos) << Doctor();
}

TEST_F(NetLinkTest, NoAnswerIsWaitedForOnceAndTheDoctorSaysWhy) {
  SilentServer full(0);
  const int waiting = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(full.Port());
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(0, connect(waiting, reinterpret_cast<sockaddr*>(&address), sizeof address));
  std::atomic<int> connects{0};  // each begins with its lookup
  netsock::SetLookupForTest([&connects](const std::string& host, uint16_t port) {
    ++connects;
    return netsock::SystemLookup(host, port);
  });
  CNetLine::SetConnectWaitMs(300);
  Name("tcp://127.0.0.1:" + std::to_string(full.Port()));
  CVcmCommand link;
  EXPECT_EQ(link.Open(kNetCom, 115200), 0);
  // What the user is told comes from that attempt; a second would double the wait.
  const portprobe::PortFacts facts = portprobe::ProbeFailedOpen(kNetCom, link);
  EXPECT_EQ(connects.load(), 1);
  EXPECT_EQ(portdoctor::StatusText(facts), "no answer from 127.0.0.1:" + std::to_string(full.Port()) + " within 1 s");
  netsock::SetLookupForTest(nullptr);
  CNetLine::SetConnectWaitMs(0);
  close(waiting);
}

// While the window is idle nothing is sent, so only a look at the socket can tell
// that the server went; the look must leave the drive's bytes to the link.
TEST_F(NetLinkTest, AServerClosingIsNoticedByALookThatTakesNoByte) {
  SilentServer listener;
  Name("tcp://127.0.0.1:" + std::to_string(listener.Port()));
  CVcmCommand link;
  ASSERT_EQ(link.Open(kNetCom, 115200), 1);
  const int peer = listener.Accept();
  ASSERT_GE(peer, 0);
  EXPECT_EQ(link.ServerAddress(), "127.0.0.1:" + std::to_string(listener.Port()));
  // An echo and an answer ahead of the command, as a late answer would sit there.
  ASSERT_EQ(write(peer, "XYZ\r\nOKY7\r\n", 11), 11);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(link.LineHungUp());
  EXPECT_EQ(IdleLineLost(link), std::nullopt);
  ASSERT_EQ(link.Transact("XYZ"), rc::Success) << link.GetTrace();
  EXPECT_STREQ(link.GetReceiveBuffer(), "OKY7");

  ASSERT_EQ(write(peer, "stray", 5), 5);  // unread bytes do not hide the close
  close(peer);
  std::optional<std::string> lost;
  const auto start = std::chrono::steady_clock::now();
  while (!(lost = IdleLineLost(link)) && std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(lost);
  EXPECT_EQ(0u, lost->find("The server 127.0.0.1:" + std::to_string(listener.Port()) +
                           " closed the connection to the drive on COM120."))
      << *lost;
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.ServerAddress(), "");
}

TEST_F(NetLinkTest, AServerThatNeverAnswersOpensAndTheDriveIsSilent) {
  // Both set-up waits are bounded; what is left unconfirmed is only noted.
  SilentServer silent;
  Name("rfc2217://127.0.0.1:" + std::to_string(silent.Port()));
  CVcmCommand link;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(link.Open(kNetCom, 115200), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_NE(link.LineNotes().find("COM-PORT-OPTION: no answer"), std::string::npos) << link.LineNotes();
  EXPECT_EQ(link.CheckLink(), rc::NoEcho);
  EXPECT_TRUE(link.IsOpen());
}

}  // namespace
