#include "serial/NetAddress.h"

#include <cctype>

namespace netaddr {
namespace {

constexpr const char* kRfc2217Scheme = "rfc2217://";
constexpr const char* kRawScheme = "tcp://";

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

std::optional<uint16_t> ParsePort(const std::string& digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<uint16_t>(value);
}

// Letters, digits, '-', '.', and for IPv6 ':' and '%' (a zone): anything else
// would reach the resolver as something other than a host. Brackets hold an IPv6
// address, with a zone after one '%' ("fe80::1%eth0"), never a zone alone.
bool PlainHost(const std::string& host, bool bracketed) {
  if (host.empty()) return false;
  if (bracketed) {
    const size_t zone = host.find('%');
    const std::string address = host.substr(0, zone);
    if (address.find(':') == std::string::npos) return false;
    if (zone != std::string::npos &&
        (zone + 1 == host.size() || host.find_first_of("%:", zone + 1) != std::string::npos)) {
      return false;
    }
  }
  for (const char c : host) {
    const bool ok = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_' ||
                    (bracketed && (c == ':' || c == '%'));
    if (!ok) return false;
  }
  return true;
}

}  // namespace

std::string Address::Text() const {
  return std::string(kind == Kind::Rfc2217 ? kRfc2217Scheme : kRawScheme) + HostAndPort();
}

std::string Address::HostAndPort() const {
  const bool v6 = host.find(':') != std::string::npos;
  return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

bool IsNetworkPath(const std::string& text) {
  return StartsWithNoCase(text, kRfc2217Scheme) || StartsWithNoCase(text, kRawScheme);
}

std::optional<Address> Parse(const std::string& text) {
  Address address;
  std::string rest;
  if (StartsWithNoCase(text, kRfc2217Scheme)) {
    address.kind = Kind::Rfc2217;
    rest = text.substr(std::char_traits<char>::length(kRfc2217Scheme));
  } else if (StartsWithNoCase(text, kRawScheme)) {
    address.kind = Kind::Raw;
    rest = text.substr(std::char_traits<char>::length(kRawScheme));
  } else {
    return std::nullopt;
  }
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  std::string portText;
  bool bracketed = false;
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') return std::nullopt;
    address.host = rest.substr(1, close - 1);
    portText = rest.substr(close + 2);
    bracketed = true;
  } else {
    const size_t colon = rest.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    address.host = rest.substr(0, colon);
    portText = rest.substr(colon + 1);
  }
  if (!PlainHost(address.host, bracketed)) return std::nullopt;
  const std::optional<uint16_t> port = ParsePort(portText);
  if (!port) return std::nullopt;
  address.port = *port;
  return address;
}

}  // namespace netaddr
