#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "serial/PortProbe.h"
#include "serial/PortTable.h"

namespace portprobe {
namespace {

// Enough at once for every line a ports file is likely to hold; more wait their turn.
constexpr size_t kMostAtOnce = 64;

void Describe(PortFacts& facts, CNetLine::Fault fault, int error) {
  facts.network = true;
  facts.connectWaitMs = CNetLine::ConnectWaitMs();
  facts.netFault = fault;
  facts.error = error;
  switch (fault) {
    case CNetLine::Fault::None: facts.access = Access::Ok; break;
    case CNetLine::Fault::ServerClosed: facts.access = Access::Busy; break;
    case CNetLine::Fault::BadAddress:
    case CNetLine::Fault::NameNotFound:
    case CNetLine::Fault::Refused: facts.access = Access::Gone; break;
    case CNetLine::Fault::NameNoAnswer:
    case CNetLine::Fault::NoAnswer:
    case CNetLine::Fault::Unreachable:
    case CNetLine::Fault::NotRfc2217:
    case CNetLine::Fault::Failed: facts.access = Access::Failed; break;
  }
}

void ProbeNetwork(PortFacts& facts) {
  // Only whether the server takes us: setting the line of a port we then let go
  // would change it for whoever connects next.
  const CNetLine::Opened opened = CNetLine::Open(facts.device, 0, false);
  Describe(facts, opened.fault, opened.error);
}

}  // namespace

void ProbeNetworks(const std::vector<PortFacts*>& ports) {
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i = next++; i < ports.size(); i = next++) ProbeNetwork(*ports[i]);
  };
  std::vector<std::thread> workers;
  for (size_t i = 1; i < std::min(ports.size(), kMostAtOnce); ++i) {
    try {
      workers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // fewer helpers: the lines still all get their turn
    }
  }
  work();
  for (std::thread& worker : workers) worker.join();
}

PortFacts ProbeFailedOpen(unsigned com, const CRs232CB& link) {
  const std::optional<CRs232CB::NetFailure>& failure = link.LastNetFailure();
  const std::optional<std::string> path = portmap::PathOf(com);
  if (!failure || !path || *path != failure->path) return Probe(com);
  PortFacts facts;
  facts.com = com;
  facts.device = *path;
  Describe(facts, failure->fault, failure->error);
  return facts;
}

}  // namespace portprobe
