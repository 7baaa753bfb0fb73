#include "serial/PortProbe.h"

namespace portprobe {

void ProbeNetwork(PortFacts& facts) {
  // Only whether the server takes us: setting the line of a port we then let go
  // would change it for whoever connects next.
  const CNetLine::Opened opened = CNetLine::Open(facts.device, 0, false);
  NoteNetFault(facts, opened.fault, opened.error, CNetLine::ConnectWaitMs());
}

void NoteNetFault(PortFacts& facts, CNetLine::Fault fault, int error, int connectWaitMs) {
  facts.network = true;
  facts.connectWaitMs = connectWaitMs;
  facts.netFault = fault;
  facts.error = error;
  switch (fault) {
    case CNetLine::Fault::None: facts.access = Access::Ok; break;
    case CNetLine::Fault::ServerClosed: facts.access = Access::Busy; break;
    case CNetLine::Fault::BadAddress:
    case CNetLine::Fault::NameNotFound:
    case CNetLine::Fault::Refused: facts.access = Access::Gone; break;
    case CNetLine::Fault::NoAnswer:
    case CNetLine::Fault::Unreachable:
    case CNetLine::Fault::Failed: facts.access = Access::Failed; break;
  }
}

}  // namespace portprobe
