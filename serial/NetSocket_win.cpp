#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2.h before windows.h, which would bring the old winsock.h.
#include <windows.h>

#include <algorithm>
#include <mutex>

#include "serial/NetSocket.h"

namespace netsock {
namespace {

// Winsock is started once for the process and left running to its end.
bool StartWinsock() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    WSADATA data{};
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  });
  return started;
}

SOCKET SocketOf(intptr_t handle) { return static_cast<SOCKET>(handle); }

Fault FaultOfError(int error) {
  switch (error) {
    case WSAECONNREFUSED: return Fault::Refused;
    case WSAETIMEDOUT: return Fault::NoAnswer;
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAENETDOWN:
    case WSAEHOSTDOWN: return Fault::Unreachable;
    default: return Fault::Failed;
  }
}

// Waits for the socket to become readable (or writable) for at most `waitMicros`:
// 1 when it is, 0 when the wait ran out, -1 on an error.
int WaitFor(SOCKET socket, bool write, int64_t waitMicros) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  fd_set errors;
  FD_ZERO(&errors);
  FD_SET(socket, &errors);
  timeval wait{static_cast<long>(waitMicros / 1'000'000), static_cast<long>(waitMicros % 1'000'000)};
  const int ready = select(0, write ? nullptr : &set, write ? &set : nullptr, &errors, &wait);
  if (ready == SOCKET_ERROR) return -1;
  if (ready == 0) return 0;
  // A failed connect is reported in the error set, not the write set.
  return FD_ISSET(socket, &errors) && !FD_ISSET(socket, &set) ? -1 : 1;
}

Connection TryAddress(const Endpoint& endpoint, ULONGLONG deadline) {
  Connection result;
  const SOCKET socket = ::socket(endpoint.family, endpoint.socketType, endpoint.protocol);
  if (socket == INVALID_SOCKET) {
    result.error = WSAGetLastError();
    return result;
  }
  u_long nonBlocking = 1;
  ioctlsocket(socket, FIONBIO, &nonBlocking);
  const auto* address = reinterpret_cast<const sockaddr*>(endpoint.address.data());
  if (connect(socket, address, static_cast<int>(endpoint.address.size())) != 0 && WSAGetLastError() != WSAEWOULDBLOCK) {
    result.error = WSAGetLastError();
    result.fault = FaultOfError(result.error);
    closesocket(socket);
    return result;
  }
  const ULONGLONG now = GetTickCount64();
  const int ready = now >= deadline ? 0 : WaitFor(socket, true, static_cast<int64_t>(deadline - now) * 1000);
  int error = 0;
  int length = sizeof error;
  if (ready == 0) {
    error = WSAETIMEDOUT;
  } else if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
    error = WSAGetLastError();
  } else if (ready < 0 && error == 0) {
    error = WSAECONNREFUSED;
  }
  if (error != 0) {
    result.error = error;
    result.fault = FaultOfError(error);
    closesocket(socket);
    return result;
  }
  // One command line is one segment: no waiting for the echo's acknowledgement.
  const BOOL on = TRUE;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  result.handle = static_cast<intptr_t>(socket);
  result.fault = Fault::None;
  return result;
}

}  // namespace

Lookup SystemLookup(const std::string& host, uint16_t port) {
  Lookup result;
  if (!StartWinsock()) return result;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const int looked = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (looked != 0) {
    result.fault =
        looked == WSAHOST_NOT_FOUND || looked == WSANO_DATA || looked == WSATRY_AGAIN || looked == WSANO_RECOVERY
            ? Fault::NameNotFound
            : Fault::Failed;
    result.error = looked;
    return result;
  }
  for (const addrinfo* address = found; address; address = address->ai_next) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(address->ai_addr);
    result.endpoints.push_back({address->ai_family, address->ai_socktype, address->ai_protocol,
                                std::vector<uint8_t>(bytes, bytes + address->ai_addrlen)});
  }
  freeaddrinfo(found);
  result.fault = result.endpoints.empty() ? Fault::NameNotFound : Fault::None;
  return result;
}

Connection Connect(const std::string& host, uint16_t port, int waitMs) {
  Connection result;
  if (!StartWinsock()) return result;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(waitMs);
  const Lookup found = LookUp(host, port, waitMs);
  result.fault = found.fault;
  result.error = found.error;
  for (const Endpoint& endpoint : found.endpoints) {
    result = TryAddress(endpoint, deadline);
    if (result.fault == Fault::None || result.fault == Fault::NoAnswer) break;
  }
  return result;
}

int Receive(intptr_t handle, uint8_t* buffer, size_t size, int waitMicros) {
  const SOCKET socket = SocketOf(handle);
  const int ready = WaitFor(socket, false, waitMicros);
  if (ready < 0) return -1;
  if (ready == 0) return 0;
  const int got = recv(socket, reinterpret_cast<char*>(buffer), static_cast<int>(std::min<size_t>(size, 65536)), 0);
  if (got > 0) return got;
  if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return 0;
  return -1;  // closed by the server, reset, or broken
}

bool Send(intptr_t handle, const uint8_t* data, size_t size, int waitMs) {
  const SOCKET socket = SocketOf(handle);
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(waitMs);
  size_t done = 0;
  while (done < size) {
    const int sent = send(socket, reinterpret_cast<const char*>(data + done),
                          static_cast<int>(std::min<size_t>(size - done, 65536)), 0);
    if (sent > 0) {
      done += static_cast<size_t>(sent);
      continue;
    }
    if (sent == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) return false;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    if (WaitFor(socket, true, static_cast<int64_t>(std::min<ULONGLONG>(deadline - now, 100)) * 1000) < 0) return false;
  }
  return true;
}

bool PeerClosed(intptr_t handle) {
  const SOCKET socket = SocketOf(handle);
  const int ready = WaitFor(socket, false, 0);
  if (ready <= 0) return ready < 0;
  // Readable: bytes, or the end. A peek tells which and takes nothing. Bytes
  // nobody has read yet hide an end behind them until the link reads them.
  char byte = 0;
  const int got = recv(socket, &byte, 1, MSG_PEEK);
  return got == 0 || (got == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK);
}

void Close(intptr_t handle) {
  if (handle != -1) closesocket(SocketOf(handle));
}

}  // namespace netsock
