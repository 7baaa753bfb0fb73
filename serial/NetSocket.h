#pragma once
// A TCP connection to a serial device server, one file per platform (POSIX
// sockets, Winsock). Every call is bounded in time; nothing here listens.

#include <cstddef>
#include <cstdint>
#include <string>

namespace netsock {

enum class Fault {
  None,
  NameNotFound,  // the host name does not resolve
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

// Connects to host:port, trying each address the name resolves to, within
// `waitMs` in all (name resolution itself is bounded by the system's resolver).
// The connection has TCP_NODELAY set and does not block.
Connection Connect(const std::string& host, uint16_t port, int waitMs);

// Receives up to `size` bytes, waiting at most `waitMicros` for the first:
// the count, 0 when nothing came, -1 when the connection is gone (closed by the
// server, reset, or any other socket error).
int Receive(intptr_t handle, uint8_t* buffer, size_t size, int waitMicros);

// Sends every byte within `waitMs`; false when the connection is gone or the
// server has taken nothing for that long.
bool Send(intptr_t handle, const uint8_t* data, size_t size, int waitMs);

void Close(intptr_t handle);

}  // namespace netsock
