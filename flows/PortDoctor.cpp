#include "flows/PortDoctor.h"

#include <optional>
#include <system_error>
#include <vector>

#include "platform/FileSystem.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/NetAddress.h"
#include "serial/PortTable.h"

namespace portdoctor {
namespace {

using portprobe::Access;
using portprobe::PortFacts;

// Why the ports file is there but read as empty, when it is: the advice to add a
// line to it would then not help.
std::optional<std::string> PortsFileUnusable() {
  const platform::PathInfo info = platform::Inspect(portmap::PortsFilePath());
  switch (info.kind) {
    case platform::PathKind::Folder: return res::LoadString(ids::DoctorPortsFileFolder);
    case platform::PathKind::Other: return res::LoadString(ids::DoctorPortsFileNotFile);
    case platform::PathKind::File:
      if (info.stamp.size > portmap::kMaxPortsFileBytes) return res::LoadString(ids::DoctorPortsFileTooBig);
      return std::nullopt;
    default: return std::nullopt;
  }
}

// A process may name itself anything and a USB device may put anything in its
// descriptor strings: C0 and C1 control characters become '?'.
std::string Printable(const std::string& raw) {
  const std::string text = res::DisplayText(raw);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      out += '?';
    } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      out += '?';  // U+0080..U+009F; valid UTF-8, so a continuation byte follows
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A long list of holders would not fit one line: the first few and a count.
constexpr size_t kHoldersNamed = 3;

bool IsBrailleService(const portprobe::Holder& holder) { return holder.name == portprobe::kBrailleService; }

// A service is named as what it is: its command name alone means nothing to most.
std::string HolderList(const std::vector<portprobe::Holder>& holders) {
  std::string list;
  for (size_t i = 0; i < holders.size() && i < kHoldersNamed; ++i) {
    if (!list.empty()) list += ", ";
    list += std::to_string(holders[i].pid);
    if (!holders[i].name.empty()) list += " " + Printable(holders[i].name);
    if (IsBrailleService(holders[i])) list += " (" + res::LoadString(ids::DoctorBrailleService) + ")";
  }
  if (holders.size() > kHoldersNamed) list += ", +" + std::to_string(holders.size() - kHoldersNamed);
  return list;
}

std::string HolderList(const PortFacts& facts) { return HolderList(facts.holders); }

// The Braille display service holds the port, or may have detached the adapter.
bool TakenByBrailleService(const PortFacts& facts) {
  const auto& holders = facts.access == Access::Gone ? facts.grabbers : facts.holders;
  for (const portprobe::Holder& holder : holders) {
    if (IsBrailleService(holder)) return true;
  }
  return false;
}

// The file name of a persistent link says it all; its folder is always the same.
std::string LinkName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return Printable(slash == std::string::npos ? path : path.substr(slash + 1));
}

// The group is only worth joining when its members may open the node, and never
// when it is root's: that would hand out far more than one serial port.
bool GroupWorthJoining(const PortFacts& facts) {
  return !facts.group.empty() && facts.group != "root" && facts.groupReadWrite;
}

std::string PermissionAdvice(const PortFacts& facts) {
  const std::string group = Printable(facts.group);
  const std::string user = Printable(facts.user);
  if (facts.membership == PortFacts::Membership::Active) {
    return res::FormatString(ids::DoctorAdviceGroupActive, {group, Printable(facts.device)});
  }
  if (!GroupWorthJoining(facts)) {
    return res::FormatString(ids::DoctorAdviceAskAdmin, {user, Printable(facts.device)});
  }
  if (facts.membership == PortFacts::Membership::Pending) {
    return res::FormatString(ids::DoctorAdviceGroupPending, {group});
  }
  return res::FormatString(ids::DoctorAdviceJoinGroup, {group, user});
}

// The server's host and port as the user wrote them, for the network texts.
std::string Endpoint(const PortFacts& facts) {
  const std::optional<netaddr::Address> address = netaddr::Parse(facts.device);
  return Printable(address ? address->HostAndPort() : facts.device);
}

std::string NetworkStatus(const PortFacts& facts) {
  const std::optional<netaddr::Address> address = netaddr::Parse(facts.device);
  const std::string host = address ? Printable(address->host) : std::string();
  switch (facts.netFault) {
    case CNetLine::Fault::None: return res::LoadString(ids::DoctorAvailable);
    case CNetLine::Fault::BadAddress: return res::LoadString(ids::DoctorNetBadAddress);
    case CNetLine::Fault::NameNotFound: return res::FormatString(ids::DoctorNetNameNotFound, {host});
    case CNetLine::Fault::NameNoAnswer:
      return res::FormatString(ids::DoctorNetNameNoAnswer, {host, std::to_string((facts.connectWaitMs + 999) / 1000)});
    case CNetLine::Fault::Refused: return res::FormatString(ids::DoctorNetRefused, {Endpoint(facts)});
    case CNetLine::Fault::NoAnswer:
      return res::FormatString(ids::DoctorNetNoAnswer,
                               {Endpoint(facts), std::to_string((facts.connectWaitMs + 999) / 1000)});
    case CNetLine::Fault::Unreachable: return res::FormatString(ids::DoctorNetUnreachable, {host});
    case CNetLine::Fault::ServerClosed: return res::LoadString(ids::DoctorNetInUse);
    case CNetLine::Fault::NotRfc2217: return res::LoadString(ids::DoctorNetNotRfc2217);
    case CNetLine::Fault::Failed: break;
  }
  if (facts.error == 0) return res::LoadString(ids::DoctorCannotOpen);
  return res::FormatString(ids::DoctorCannotOpenBecause, {std::system_category().message(facts.error)});
}

std::string NetworkAdvice(const PortFacts& facts) {
  switch (facts.netFault) {
    case CNetLine::Fault::None: return std::string();
    case CNetLine::Fault::BadAddress: return res::LoadString(ids::DoctorAdviceNetBadAddress);
    case CNetLine::Fault::NameNotFound: return res::LoadString(ids::DoctorAdviceNetName);
    case CNetLine::Fault::NameNoAnswer: return res::LoadString(ids::DoctorAdviceNetNameNoAnswer);
    case CNetLine::Fault::Refused: return res::LoadString(ids::DoctorAdviceNetRefused);
    case CNetLine::Fault::NoAnswer:
    case CNetLine::Fault::Unreachable: return res::LoadString(ids::DoctorAdviceNetNoAnswer);
    case CNetLine::Fault::ServerClosed: return res::LoadString(ids::DoctorAdviceNetInUse);
    case CNetLine::Fault::NotRfc2217: return res::LoadString(ids::DoctorAdviceNetNotRfc2217);
    case CNetLine::Fault::Failed: break;
  }
  return res::LoadString(ids::DoctorAdviceNetFailed);
}

}  // namespace

std::string StatusText(const PortFacts& facts) {
  if (facts.network) return NetworkStatus(facts);
  switch (facts.access) {
    case Access::Ok: return res::LoadString(ids::DoctorAvailable);
    case Access::NoPermission: return res::LoadString(ids::DoctorNoPermission);
    case Access::Busy:
      if (!facts.holders.empty()) return res::FormatString(ids::DoctorBusyHeldBy, {HolderList(facts)});
      if (facts.heldHere) return res::FormatString(ids::DoctorBusyHeldBy, {res::LoadString(ids::DoctorThisProgram)});
      return res::LoadString(ids::DoctorBusy);
    case Access::Gone:
      if (!facts.grabbers.empty()) return res::FormatString(ids::DoctorGoneTakenBy, {HolderList(facts.grabbers)});
      return res::LoadString(ids::DoctorGone);
    case Access::NotSerial: return res::LoadString(ids::DoctorNotSerial);
    case Access::Failed: break;
  }
  if (facts.error == 0) return res::LoadString(ids::DoctorCannotOpen);
  return res::FormatString(ids::DoctorCannotOpenBecause, {std::system_category().message(facts.error)});
}

std::string AdviceText(const PortFacts& facts) {
  if (facts.network) return NetworkAdvice(facts);
  if (facts.access != Access::Ok && TakenByBrailleService(facts)) return res::LoadString(ids::DoctorAdviceBraille);
  switch (facts.access) {
    case Access::Ok: return std::string();
    case Access::NoPermission: return PermissionAdvice(facts);
    case Access::Busy:
      // Another program is the likelier culprit than a handle of our own, which
      // may be a simulated drive sharing the line.
      if (facts.holders.size() == 1) return res::FormatString(ids::DoctorAdviceCloseHolder, {HolderList(facts)});
      if (!facts.holders.empty()) return res::FormatString(ids::DoctorAdviceCloseHolders, {HolderList(facts)});
      if (facts.heldHere) return res::LoadString(ids::DoctorAdviceHeldHere);
      return res::LoadString(ids::DoctorAdviceBusyUnseen);
    case Access::Gone:
      if (const std::optional<std::string> unusable = PortsFileUnusable()) {
        return res::FormatString(ids::DoctorAdvicePortsFileUnusable, {*unusable, portmap::PortsFilePath()});
      }
      if (facts.device.empty()) {
        return res::FormatString(ids::DoctorAdviceUnmapped, {std::to_string(facts.com), portmap::PortsFilePath()});
      }
      return res::FormatString(ids::DoctorAdviceGone, {portmap::PortsFilePath()});
    case Access::NotSerial:
      return res::FormatString(ids::DoctorAdviceNotSerial,
                               {std::to_string(facts.com), Printable(facts.device), portmap::PortsFilePath()});
    case Access::Failed: break;
  }
  return res::LoadString(portprobe::FailedAdviceId());
}

std::string PortDescription(const PortFacts& facts) {
  // An address named on the command line is its own name.
  if (facts.network && portmap::DisplayName(facts.com) == facts.device) return Printable(facts.device);
  std::string text = "COM" + std::to_string(facts.com) + " ";
  if (facts.device.empty()) return text + res::LoadString(ids::DoctorNoDevice);
  text += Printable(facts.device);
  std::vector<std::string> names;
  // A ports-file entry may name the persistent link itself; once is enough.
  if (!facts.stableName.empty() && facts.stableName != facts.device) names.push_back(LinkName(facts.stableName));
  if (!facts.usbProduct.empty()) {
    names.push_back(Printable(facts.usbProduct));
  } else if (!facts.usbManufacturer.empty()) {
    names.push_back(Printable(facts.usbManufacturer));
  }
  if (!facts.usbSerial.empty()) names.push_back(res::FormatString(ids::DoctorUsbSerial, {Printable(facts.usbSerial)}));
  if (names.empty()) return text;
  text += " (";
  for (size_t i = 0; i < names.size(); ++i) text += (i == 0 ? "" : ", ") + names[i];
  return text + ")";
}

std::string ListLabel(const PortFacts& facts, bool portsFile) {
  std::string text = std::to_string(facts.com) + "  ";
  text += facts.device.empty() ? res::LoadString(ids::DoctorNoDevice) : Printable(facts.device);
  // The maker and the product together, as the adapter's own label would read.
  std::string adapter = Printable(facts.usbManufacturer);
  if (!facts.usbProduct.empty()) {
    const std::string product = Printable(facts.usbProduct);
    adapter = adapter.empty() || product.rfind(adapter, 0) == 0 ? product : adapter + " " + product;
  }
  if (adapter.empty() && portsFile) adapter = res::LoadString(ids::DoctorPortsFile);
  if (!adapter.empty()) text += " (" + adapter + ")";
  return text + " \u2014 " + StatusText(facts);
}

}  // namespace portdoctor
