// The search for drives against simulated drives at rates of their own, side by
// side, behind a network server, on a held port, and cancelled; and what a drive
// makes of the probe at every wrong rate.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "files/IniFile.h"
#include "files/Settings.h"
#include "flows/DriveSearch.h"
#include "protocol/EchoProbe.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"
#include "support/Ser2Net.h"
#include "support/SimLink.h"
#include "support/TempDir.h"
#include "tools/SimUart.h"

namespace {

using drivesearch::Finding;

class CRecordingForm : public CDriveSearchForm {
 public:
  void SetRowCount(int rows) override { cells.assign(static_cast<size_t>(rows), {}); }
  void SetRow(int row, const std::vector<std::string>& rowCells) override {
    cells.at(static_cast<size_t>(row)) = rowCells;
    ++updates;
  }
  void SetStatus(const std::string& text) override { status = text; }
  void SetSearching(bool on) override { searching = on; }

  std::vector<std::vector<std::string>> cells;
  std::string status;
  bool searching = false;
  int updates = 0;
};

class DriveSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    res::SetLanguage(res::Language::English);
    ASSERT_TRUE(config.SetPath(dir.File("Config.ini")));
  }

  // Searches `ports` to the end, as the command-line program does.
  const std::vector<drivesearch::PortFinding>& Search(const std::vector<unsigned>& ports,
                                                      const std::vector<int32_t>& rates = {}) {
    logic.Start({ports, rates});
    logic.Wait();
    return logic.Findings();
  }

  // Every line a drive heard, so a test can show that nothing was written.
  static void ExpectNothingWritten(CSimDrive& drive) {
    for (const std::string& line : drive.Received()) {
      std::string upper = line.substr(0, 3);
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      EXPECT_TRUE(upper != "MDA" && upper != "SDP" && upper != "SMP" && upper != "MDB") << line;
    }
    for (int32_t address = 0; address < 100; ++address) {
      EXPECT_EQ(drive.GetParam(address), 1000 + address);
      EXPECT_EQ(drive.SavedParam(address), 1000 + address);
    }
  }

  TempDir dir;
  CIniFile config;
  CRecordingForm form;
  CDriveSearchLogic logic{form, config, nullptr};
};

TEST(DriveSearchRates, LastFoundThenConfiguredThenTheListEachOnce) {
  const std::vector<int32_t>& list = drivesearch::DefaultRates();
  using Rates = std::vector<int32_t>;
  EXPECT_EQ(drivesearch::RateOrder(57600, 115200, list, false),
            (Rates{57600, 115200, 9600, 19200, 38400, 230400, 460800, 921600}));
  // A stored rate outside the list is still tried, first.
  EXPECT_EQ(drivesearch::RateOrder(4800, 9600, list, false).front(), 4800);
  EXPECT_EQ(drivesearch::RateOrder(std::nullopt, 115200, list, false).size(), list.size());
  // A list the user gives is the whole of what is tried, in its order after the remembered rate.
  EXPECT_EQ(drivesearch::RateOrder(57600, 115200, {9600, 57600}, true), (Rates{57600, 9600}));
  EXPECT_EQ(drivesearch::RateOrder(4800, 115200, {9600, 19200}, true), (Rates{9600, 19200}));
}

// What a drive hears of the probe at every listed rate but its own, whatever the
// phase of its UART's sampling clock and however it recovers from a framing
// error: never a byte that starts a command that writes (MDA, SDP, SMP, MDB), in
// either case, so no line it assembles from any run of probes can be one.
TEST(DriveSearchSafety, TheProbeAtAWrongRateNeverStartsAWritingCommand) {
  const std::string probe(CProbeLink::kProbe, CProbeLink::kProbeLength);
  const std::vector<int32_t>& rates = drivesearch::DefaultRates();
  const std::string firstLetters = "MmSs";
  for (const int32_t drive : rates) {
    std::string heardInOrder;  // a whole search as the drive hears it, probe after probe
    for (const int32_t sent : rates) {
      if (sent == drive) {
        EXPECT_EQ(simuart::Resample(probe, sent, drive), probe);
        continue;
      }
      for (const bool edge : {true, false}) {
        for (int sixteenth = 0; sixteenth < 16; ++sixteenth) {
          const std::string heard = simuart::Resample(probe, sent, drive, {sixteenth / 16.0, edge});
          EXPECT_EQ(heard.find_first_of(firstLetters), std::string::npos)
              << sent << " heard at " << drive << ", phase " << sixteenth << "/16, edge " << edge;
          if (sixteenth == 0 && edge) heardInOrder += heard;
        }
      }
    }
    size_t start = 0;
    while (start <= heardInOrder.size()) {
      const size_t end = heardInOrder.find_first_of("\r\n", start);
      std::string line = heardInOrder.substr(start, end == std::string::npos ? std::string::npos : end - start);
      for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      for (const char* command : {"MDA", "SDP", "SMP", "MDB"}) EXPECT_NE(line.rfind(command, 0), 0u) << drive;
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
}

TEST_F(DriveSearchTest, DrivesAtTheirOwnRatesAndASilentPortSideBySide) {
  SimLink sims({201, 202, 203});
  ASSERT_TRUE(sims.Ok());
  sims.Drive(0).SetListenBaudRate(9600);
  sims.Drive(1).SetListenBaudRate(57600);
  sims.Drive(1).SetVersion("QM71 ver.2.00.001.01");
  SimFaults silent;
  silent.silent = true;
  sims.Drive(2).SetFaults(silent);

  const auto& found = Search({201, 202, 203});
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].finding, Finding::Found);
  EXPECT_EQ(found[0].baud, 9600);
  EXPECT_EQ(found[0].version, "QDS-2 ver.1.04.007.12 std");
  EXPECT_FALSE(found[0].model.empty());
  EXPECT_EQ(found[1].finding, Finding::Found);
  EXPECT_EQ(found[1].baud, 57600);
  EXPECT_NE(found[1].model, found[0].model);
  EXPECT_EQ(found[2].finding, Finding::Silent);
  EXPECT_EQ(found[2].ratesTried, 8);
  EXPECT_EQ(found[2].diagnosis, res::LoadString(ids::ScanSilent));
  EXPECT_EQ(logic.FoundRows(), (std::vector<int>{0, 1}));
  EXPECT_FALSE(form.searching);
  EXPECT_EQ(form.status, res::FormatString(ids::ScanStatusFound, {"2", "3"}));
  EXPECT_EQ(form.cells[1][1], "57600");
  EXPECT_EQ(form.cells[2][5], res::LoadString(ids::ScanSilent));
  for (size_t i = 0; i < 3; ++i) ExpectNothingWritten(sims.Drive(i));

  // Kept beside the connection's own settings, and tried first next time: one probe.
  EXPECT_EQ(ReadFoundBaudRate(config, 201), 9600);
  EXPECT_EQ(ReadFoundBaudRate(config, 202), 57600);
  EXPECT_EQ(ReadFoundBaudRate(config, 203), std::nullopt);
  sims.Drive(1).ClearReceived();
  const auto& again = Search({202});
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].baud, 57600);
  EXPECT_EQ(again[0].ratesTried, 1);
  EXPECT_EQ(sims.Drive(1).Received(), (std::vector<std::string>{"abc", "VER"}));
}

TEST_F(DriveSearchTest, BytesWithoutAnEchoAreToldApartFromSilence) {
  // A drive at a rate the list lacks answers every probe with noise.
  SimLink sim(204);
  ASSERT_TRUE(sim.Ok());
  sim.Drive().SetListenBaudRate(4800);
  const auto& found = Search({204});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].finding, Finding::NoEcho);
  // The fastest rates are over before a slow UART has seen a whole start bit: silence there.
  EXPECT_GT(found[0].noisyRates, 0);
  EXPECT_EQ(found[0].ratesTried, 8);
  EXPECT_EQ(found[0].diagnosis, res::FormatString(ids::ScanNoEcho, {std::to_string(found[0].noisyRates), "8"}));
  ExpectNothingWritten(sim.Drive());
  // Asked for by the user, its rate is found.
  EXPECT_EQ(Search({204}, {9600, 4800})[0].baud, 4800);
}

TEST_F(DriveSearchTest, AHeldPortAndAGoneOneSayWhy) {
  SimLink sim(205);
  ASSERT_TRUE(sim.Ok());
  CRs232CB holder;
  ASSERT_EQ(holder.Open(205, 115200), 1);
  ASSERT_TRUE(dir.Write("ports", "COM205=" + sim.Drive().DevicePath() + "\nCOM206=/dev/no-such-adapter\n"));
  portmap::SetPortsFilePath(dir.File("ports"));
  const auto& found = Search({205, 206});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].finding, Finding::CannotOpen);
  EXPECT_EQ(found[0].ratesTried, 0);
  EXPECT_NE(
      found[0].diagnosis.find(res::FormatString(ids::DoctorBusyHeldBy, {res::LoadString(ids::DoctorThisProgram)})),
      std::string::npos)
      << found[0].diagnosis;
  EXPECT_EQ(found[1].finding, Finding::CannotOpen);
  EXPECT_EQ(found[1].diagnosis.rfind(res::LoadString(ids::DoctorGone), 0), 0u) << found[1].diagnosis;
  EXPECT_EQ(form.status, res::FormatString(ids::ScanStatusNone, {"2"}));
}

TEST_F(DriveSearchTest, CancelStopsEveryWorkerBeforeItsRatesRunOut) {
  SimLink sims({207, 208, 209});
  ASSERT_TRUE(sims.Ok());
  SimFaults silent;
  silent.silent = true;
  for (size_t i = 0; i < 3; ++i) sims.Drive(i).SetFaults(silent);
  std::atomic<bool> stop{false};
  std::thread user([&stop] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    stop = true;
  });
  logic.Start({{207, 208, 209}, {}});
  logic.Wait(&stop);
  user.join();
  for (const auto& finding : logic.Findings()) {
    EXPECT_EQ(finding.finding, Finding::Cancelled);
    EXPECT_LT(finding.ratesTried, 8);
  }
  EXPECT_TRUE(logic.WasCancelled());
  EXPECT_EQ(form.status, res::FormatString(ids::ScanStatusCancelled, {"0", "3"}));
}

TEST_F(DriveSearchTest, NetworkLinesRfc2217TriesTheRatesRawHasItsServers) {
  SimLink sims({210, 211});
  ASSERT_TRUE(sims.Ok());
  sims.Drive(0).SetListenBaudRate(38400);
  Ser2Net server({{sims.Drive(0).DevicePath(), true}, {sims.Drive(1).DevicePath(), false}});
  ASSERT_TRUE(server.Ok()) << "ser2net did not start";
  const uint16_t nobody = Ser2Net::FreePort();
  ASSERT_TRUE(dir.Write("ports", "COM212=" + server.Address(0) + "\nCOM213=" + server.Address(1) +
                                     "\nCOM214=tcp://127.0.0.1:" + std::to_string(nobody) + "\n"));
  portmap::SetPortsFilePath(dir.File("ports"));

  const auto& found = Search({212, 213, 214});
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].finding, Finding::Found);
  EXPECT_EQ(found[0].baud, 38400);
  EXPECT_EQ(found[1].finding, Finding::Found);
  EXPECT_EQ(found[1].baud, 0);  // the server's rate
  EXPECT_EQ(found[1].ratesTried, 1);
  EXPECT_EQ(form.cells[1][1], res::LoadString(ids::ScanServerRate));
  EXPECT_EQ(found[2].finding, Finding::CannotOpen);
  EXPECT_NE(found[2].diagnosis.find("connection refused"), std::string::npos) << found[2].diagnosis;
  EXPECT_EQ(ReadFoundBaudRate(config, 212), 38400);
  EXPECT_EQ(ReadFoundBaudRate(config, 213), std::nullopt);
  ExpectNothingWritten(sims.Drive(0));
  ExpectNothingWritten(sims.Drive(1));
  portmap::SetPortsFilePath(std::string());
}

}  // namespace
