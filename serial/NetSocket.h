#pragma once
// A TCP connection to a serial device server, one file per platform (POSIX
// sockets, Winsock). Every call is bounded in time; nothing here listens.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace netsock {

enum class Fault {
  None,
  NameNotFound,  // the host name does not resolve
  NameNoAnswer,  // the name lookup did not end within the connect wait
  Refused,       // nothing listens on that port (or a firewall says so)
  NoAnswer,      // no answer within the connect wait
  Unreachable,   // no route to the host or its network
  Failed,        // any other error; see `error`
};

struct Connection {
  intptr_t handle = -1;  // a file descriptor, or a SOCKET on Windows; -1: none
  Fault fault = Fault::Failed;
  int error = 0;  // the platform's error code of the failure
};

// One address a name resolves to, as the socket calls take it.
struct Endpoint {
  int family = 0;
  int socketType = 0;
  int protocol = 0;
  std::vector<uint8_t> address;  // the socket address's bytes
};

struct Lookup {
  std::vector<Endpoint> endpoints;  // at least one when the fault is None
  Fault fault = Fault::Failed;
  int error = 0;
};

// The system's name lookup (getaddrinfo), as long as the system takes: only
// LookUp calls it, through the seam below.
Lookup SystemLookup(const std::string& host, uint16_t port);

// Tests put a lookup of their own in place of the system's (one that never
// returns, as a name server that never answers); an empty one restores it.
using LookupFunction = std::function<Lookup(const std::string& host, uint16_t port)>;
void SetLookupForTest(LookupFunction lookup);

// The lookup within `waitMs`. It runs on a thread of its own, which is left to
// finish alone when the wait runs out (fault NameNoAnswer): neither the system's
// resolver nor Wine's bounds its own time by anything near a connect wait.
Lookup LookUp(const std::string& host, uint16_t port, int waitMs);

// Connects to host:port, trying each address the name resolves to, within
// `waitMs` in all, the name lookup included. The connection has TCP_NODELAY set
// and does not block.
Connection Connect(const std::string& host, uint16_t port, int waitMs);

// Whether the server has closed the connection (or it was reset), learned by
// peeking: no byte is taken, so the drive's bytes stay for the link to read.
bool PeerClosed(intptr_t handle);

// Receives up to `size` bytes, waiting at most `waitMicros` for the first:
// the count, 0 when nothing came, -1 when the connection is gone (closed by the
// server, reset, or any other socket error).
int Receive(intptr_t handle, uint8_t* buffer, size_t size, int waitMicros);

// Sends every byte within `waitMs`; false when the connection is gone or the
// server has taken nothing for that long.
bool Send(intptr_t handle, const uint8_t* data, size_t size, int waitMs);

void Close(intptr_t handle);

}  // namespace netsock
