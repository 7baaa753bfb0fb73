// Loading a large description file and walking its user view the way the form
// does: labels, lookups by address and offset, choices, sub-field values.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchTarget.h"
#include "params/ParamDescFile.h"
#include "resources/Paths.h"

namespace {

constexpr int kParams = 5000;
constexpr int kNestedPerParam = 4;
constexpr int kEntries = 12;
constexpr int kLoads = 15;
constexpr double kLoadTargetMs = 40;
constexpr double kWalkTargetMs = 1;

// The process's peak resident memory so far.
double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

std::string MakeDescription() {
  std::string xml =
      "<?xml version=\"1.0\"?>\n<description>\n<info><type>Bench</type><ver>1</ver></info>\n"
      "<categories><category index=\"0\" name=\"All\"/></categories>\n<parameters>\n";
  for (int a = 0; a < kParams; ++a) {
    xml += "<param address=\"" + std::to_string(a) + "\" category=\"0\" name=\"Parameter " + std::to_string(a) +
           "\" unit=\"rpm\" min=\"0\" max=\"65535\" readonly=\"false\">\n";
    for (int n = 0; n < kNestedPerParam; ++n) {
      xml += "  <nested offset=\"" + std::to_string(n * 8) + "\" size=\"8\" name=\"Field " + std::to_string(n) +
             "\" signed=\"" + (n % 2 ? "true" : "false") + "\"/>\n";
    }
    xml += "</param>\n";
  }
  xml += "</parameters>\n<user_view>\n";
  // Entries point at the far end of the list: the lookups scan nearly all of it.
  for (int i = 0; i < kEntries; ++i) {
    const int address = kParams - 1 - i;
    const bool nested = i % 2 == 0;
    xml += "<item display=\"" + (i % 3 ? "Entry " + std::to_string(i) : std::string()) + "\"><address nested=\"" +
           (nested ? "1" : "0") + "\" offset=\"" + std::to_string(nested ? (i % 4) * 8 : 0) + "\">" +
           std::to_string(address) + "</address>\n";
    for (int v = 0; v < 16; ++v) {
      xml += "  <comment><value>" + std::to_string(v) + "</value><string>" + std::to_string(v * 10) +
             " %</string></comment>\n";
    }
    xml += "</item>\n";
  }
  xml += "</user_view>\n</description>\n";
  return xml;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// What the form does for each row: label, list rows, current selection.
size_t WalkUserView(const CParamDescFile& model) {
  size_t work = 0;
  for (unsigned i = 0; i < model.GetUserViewCount(); ++i) {
    const CUserViewData* entry = model.GetUserViewData(i);
    const CParamNode* param = model.FindParam(entry->address);
    if (param == nullptr) return 0;
    const CParamInterface* node = param;
    if (entry->nested) {
      node = param->FindNested(entry->offset);
      if (node == nullptr) return 0;
    }
    const std::string& label = entry->display.empty() ? node->GetName() : entry->display;
    work += label.size();
    const int32_t raw = static_cast<int32_t>(0x0A0B0C0Du + i);
    const int32_t current = entry->nested ? ExtractNestedValue(raw, node) : raw;
    for (const auto& [value, text] : entry->choices) {
      work += text.size() + (value == current ? 1 : 0);
    }
  }
  return work;
}

}  // namespace

int main() {
  using Clock = std::chrono::steady_clock;
  const std::string xml = MakeDescription();

  char pattern[] = "/tmp/bench_params_XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::filesystem::path folder = pattern;
  std::ofstream(folder / "Bench.xml", std::ios::binary) << xml;
  res::OverrideProgramFolder(folder.string());

  const double peakBefore = PeakMegabytes();
  CParamDescFile model;
  std::vector<double> loads;
  for (int run = 0; run < kLoads; ++run) {
    const auto start = Clock::now();
    const bool ok = model.Load(".\\Bench.xml");
    const auto end = Clock::now();
    if (!ok || model.GetParamCount() != kParams || model.GetUserViewCount() != kEntries) {
      std::fprintf(stderr, "the generated description did not load\n");
      return 1;
    }
    loads.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }

  constexpr int kWalksPerSample = 200;
  std::vector<double> walks;
  size_t sink = 0;
  for (int run = 0; run < 9; ++run) {
    const auto start = Clock::now();
    for (int i = 0; i < kWalksPerSample; ++i) sink += WalkUserView(model);
    const auto end = Clock::now();
    walks.push_back(std::chrono::duration<double, std::milli>(end - start).count() / kWalksPerSample);
  }
  if (sink == 0) return 1;

  std::printf("description: %d parameters x %d sub-fields, %d user-view entries, %zu bytes\n", kParams, kNestedPerParam,
              kEntries, xml.size());
  const std::string loadLabel = "load (file, parse, model), median of " + std::to_string(loads.size());
  PrintAtMost(loadLabel.c_str(), Median(loads), kLoadTargetMs, "ms");
  std::printf("peak memory: %.1f MB (%.1f MB before the first load)\n", PeakMegabytes(), peakBefore);
  PrintAtMost("user-view walk with lookups, median", Median(walks), kWalkTargetMs, "ms", 4);

  res::OverrideProgramFolder("");
  std::filesystem::remove_all(folder);
  return 0;
}
