#pragma once
// The address of a drive behind a serial device server: "rfc2217://host:port"
// (Telnet with the COM port option, which also carries the line settings) or
// "tcp://host:port" (a raw byte stream, the line set up on the server). The host
// is a name, an IPv4 address or an IPv6 address in brackets.

#include <cstdint>
#include <optional>
#include <string>

namespace netaddr {

enum class Kind { Rfc2217, Raw };

struct Address {
  Kind kind = Kind::Rfc2217;
  std::string host;  // without the brackets of an IPv6 address
  uint16_t port = 0;
  // The address as the user writes it, brackets included.
  std::string Text() const;
  // The host (an IPv6 one in brackets) and the port: "10.1.2.3:4001".
  std::string HostAndPort() const;
};

// Whether the text names a network line at all (by its scheme), valid or not, so
// a mistyped address is reported as one rather than looked for as a device.
bool IsNetworkPath(const std::string& text);

// The address, or none when the text is not a complete one (port 1-65535).
std::optional<Address> Parse(const std::string& text);

}  // namespace netaddr
