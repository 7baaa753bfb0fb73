// How long a network line may keep the user waiting: a name server that never
// answers, told apart and bounded by the connect wait; a failed connection
// explained without connecting again; many dead lines asked about side by side.
// A lookup of the test's own stands in for the system's through the socket
// layer's seam, so nothing here depends on the network or its name servers.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

#include "flows/PortDoctor.h"
#include "resources/Strings.h"
#include "serial/NetLine.h"
#include "serial/NetSocket.h"
#include "serial/PortProbe.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWaitMs = 300;
constexpr unsigned kFirstCom = 120;

// Every lookup waits for a release the test gives only as it ends, as a name
// server that never answers; each one is counted.
class NetWaitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    res::SetLanguage(res::Language::English);
    CNetLine::SetConnectWaitMs(kWaitMs);
    std::shared_future<void> released = m_release.get_future().share();
    auto lookups = m_lookups;
    netsock::SetLookupForTest([released, lookups](const std::string&, uint16_t) {
      ++*lookups;
      released.wait();
      return netsock::Lookup{};
    });
  }
  void TearDown() override {
    m_release.set_value();  // the lookups left behind end now
    netsock::SetLookupForTest(nullptr);
    CNetLine::SetConnectWaitMs(0);
    portmap::SetPortsFilePath("");
  }

  // COM120, COM121, ... each naming a server by a host name.
  void NameServers(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) {
      lines += "COM" + std::to_string(kFirstCom + i) + "=tcp://server-" + std::to_string(i) + ".example:4001\n";
    }
    ASSERT_TRUE(dir.Write("ports", lines));
    portmap::SetPortsFilePath(dir.File("ports"));
  }

  int Lookups() const { return m_lookups->load(); }
  static double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

  TempDir dir;

 private:
  std::promise<void> m_release;
  std::shared_ptr<std::atomic<int>> m_lookups = std::make_shared<std::atomic<int>>(0);
};

TEST_F(NetWaitTest, ASilentNameServerCostsOneConnectWaitAndIsNamedAsSuch) {
  NameServers(2);
  CRs232CB link;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(0, link.Open(kFirstCom, 115200));
  EXPECT_LT(Seconds(start), 3.0 * kWaitMs / 1000) << "the lookup was waited for past the connect wait";
  ASSERT_TRUE(link.LastNetFailure());
  EXPECT_EQ(CNetLine::Fault::NameNoAnswer, link.LastNetFailure()->fault);

  // The doctor explains the attempt the user waited for rather than making another.
  const portprobe::PortFacts facts = portprobe::ProbeFailedOpen(kFirstCom, link);
  EXPECT_EQ(1, Lookups());
  EXPECT_EQ(portprobe::Access::Failed, facts.access);
  EXPECT_EQ("no answer for host name server-0.example within 1 s (the name server is silent)",
            portdoctor::StatusText(facts));
  EXPECT_NE(std::string::npos, portdoctor::AdviceText(facts).find("IP address")) << portdoctor::AdviceText(facts);

  // A failure on one port says nothing of another: that one is asked.
  (void)portprobe::ProbeFailedOpen(kFirstCom + 1, link);
  EXPECT_EQ(2, Lookups());
}

TEST_F(NetWaitTest, TwentyDeadLinesAreAskedSideBySide) {
  NameServers(20);
  const Clock::time_point start = Clock::now();
  const std::vector<portprobe::PortFacts> listed = portprobe::ProbeAll();
  // One after another this took twenty waits (6 s here, 60 s at the real 3 s).
  EXPECT_LT(Seconds(start), 10.0 * kWaitMs / 1000);
  EXPECT_EQ(20, Lookups());
  int dead = 0;
  for (const portprobe::PortFacts& facts : listed) {
    if (facts.com < kFirstCom) continue;
    EXPECT_EQ(CNetLine::Fault::NameNoAnswer, facts.netFault) << facts.com;
    ++dead;
  }
  EXPECT_EQ(20, dead);
}

}  // namespace
