#include "bench/ui/bench_all_params.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchTarget.h"
#include "flows/FrameLogic.h"
#include "flows/ParamTable.h"
#include "flows/ReadAll.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "tools/SimDrive.h"
#include "ui/MainFrame.h"
#include "ui/WndAllParams.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Six categories; every tenth parameter has three sub-fields and, with `lists`,
// every seventh a list. Any value a drive holds lies within the limits.
std::string Description(int params, bool lists) {
  std::string xml = "<description><info><type>bench</type><ver>1</ver></info><categories>";
  const char* categories[] = {"Motor", "Motion", "Input and Output", "Position Control", "Communication", "Status"};
  for (int c = 0; c < 6; ++c) xml += "<category index=\"" + std::to_string(c) + "\" name=\"" + categories[c] + "\"/>";
  xml += "</categories><parameters>";
  for (int a = 0; a < params; ++a) {
    const std::string address = std::to_string(a);
    xml += "<param address=\"" + address + "\" category=\"" + std::to_string(a % 6) + "\" name=\"Setting " + address +
           "\" unit=\"ms\" min=\"-2147483648\" max=\"2147483647\" comment=\"What setting " + address + " does\">";
    if (a % 10 == 0) {
      for (int f = 0; f < 3; ++f) {
        xml += "<nested offset=\"" + std::to_string(f * 4) + "\" size=\"4\" name=\"Field " + std::to_string(f) +
               " of " + address + "\" min=\"0\" max=\"15\"/>";
      }
    }
    xml += "</param>";
  }
  xml += "</parameters><user_view>";
  for (int a = 1; lists && a < params; a += 7) {
    xml += "<item><address nested=\"false\" offset=\"0\">" + std::to_string(a) + "</address>";
    for (int v = 0; v < 4; ++v) {
      xml += "<comment><value>" + std::to_string(v) + "</value><string>Choice " + std::to_string(v) +
             "</string></comment>";
    }
    xml += "</item>";
  }
  return xml + "</user_view></description>";
}

// A prompt without windows: the flow alone, no progress window to pump.
class CQuietPrompt : public CPromptInterface {
 public:
  int ShowMessage(const MessageSpec&) override { return btn::Ok; }
  std::optional<std::string> AskFileName(const FileDialogSpec&) override { return std::nullopt; }
  std::unique_ptr<CProgInterface> CreateProgress() override { return nullptr; }
};

}  // namespace

bool BenchAllParams(CMainFrame& frame, CSimDrive& drive, unsigned char com, int baud) {
  // The table from 5,000 parameters: rows built, the view reset and painted once.
  CParamDescFile big;
  if (!big.LoadText(Description(5000, true))) return false;
  // The logic's share alone: rows from the description, and one search over them.
  double rowsOnly = 1e9, searchOnly = 1e9;
  for (int round = 0; round < 3; ++round) {
    CParamTable rowsTable;
    auto start = std::chrono::steady_clock::now();
    rowsTable.Build(big);
    rowsOnly = std::min(rowsOnly, Since(start));
    start = std::chrono::steady_clock::now();
    (void)rowsTable.Visible("setting 432", false);
    searchOnly = std::min(searchOnly, Since(start));
  }
  double build = 1e9, painted = 0;
  std::vector<double> keystrokes;
  size_t rows = 0;
  for (int round = 0; round < 3; ++round) {
    const auto start = std::chrono::steady_clock::now();
    CWndAllParams table(frame.Logic(), big, &frame);
    table.show();
    QCoreApplication::processEvents();
    build = std::min(build, Since(start));
    rows = table.Logic().ShownCount();
    // Typing "setting 4321" a letter at a time; each letter filters and repaints.
    const std::string typed = "setting 4321";
    for (size_t n = 1; n <= typed.size(); ++n) {
      const auto key = std::chrono::steady_clock::now();
      table.Search()->setText(QString::fromStdString(typed.substr(0, n)));
      const auto paint = std::chrono::steady_clock::now();
      table.Table()->viewport()->repaint();
      painted = std::max(painted, Since(paint));
      keystrokes.push_back(Since(key));
    }
    table.Search()->clear();
  }
  std::printf("table of 5000 parameters (%zu rows): built and shown in %.1f ms %s\n", rows, build * 1e3,
              TargetMark(build < 0.050, "< 50 ms").c_str());
  std::sort(keystrokes.begin(), keystrokes.end());
  const double keystroke = keystrokes[keystrokes.size() / 2];
  std::printf(
      "a search keystroke over it (typing \"setting 4321\", %zu keystrokes): median %.1f ms %s, slowest %.1f ms\n",
      keystrokes.size(), keystroke * 1e3, TargetMark(keystroke < 0.016, "< 16 ms").c_str(), keystrokes.back() * 1e3);
  std::printf("of which the rows alone: built in %.1f ms, searched in %.1f ms; the slowest repaint %.1f ms\n",
              rowsOnly * 1e3, searchOnly * 1e3, painted * 1e3);

  // Read All of 100 parameters against the wire time of its bytes.
  CParamDescFile hundred;
  if (!hundred.LoadText(Description(100, false))) return false;
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen() && link.Open(com, baud) != 1) return false;
  std::vector<int32_t> addresses;
  for (int32_t a = 0; a < 100; ++a) addresses.push_back(a);
  CQuietPrompt quiet;
  CFrameLogic headless(link, quiet);
  double flow = 1e9, window = 1e9, wire = 0;
  bool allRead = true;
  CWndAllParams table(frame.Logic(), hundred, &frame);
  table.show();
  QCoreApplication::processEvents();
  for (int round = 0; round < 5; ++round) {
    uint64_t before = drive.BytesSent();
    auto start = std::chrono::steady_clock::now();
    allRead = ReadParams(headless, addresses, false).read == 100 && allRead;
    flow = std::min(flow, Since(start));
    wire = static_cast<double>(drive.BytesSent() - before) * 10.0 / baud;

    before = drive.BytesSent();
    start = std::chrono::steady_clock::now();
    table.OnReadAll();
    window = std::min(window, Since(start));
    allRead = drive.BytesSent() - before > 0 && allRead;
  }
  if (!allRead) return false;
  std::printf("read all 100 parameters at %d baud: wire time %.1f ms; the flow %.1f ms, ratio %.3f %s\n", baud,
              wire * 1e3, flow * 1e3, flow / wire, TargetMark(flow / wire <= 1.05, "<= 1.05").c_str());
  std::printf("read all 100 parameters in the window (progress window): %.1f ms, ratio %.3f %s\n", window * 1e3,
              window / wire, TargetMark(window / wire <= 1.10, "<= 1.10").c_str());
  return true;
}
