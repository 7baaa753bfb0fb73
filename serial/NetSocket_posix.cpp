#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include "serial/NetSocket.h"

namespace netsock {
namespace {

int64_t NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

Fault FaultOfError(int error) {
  switch (error) {
    case ECONNREFUSED: return Fault::Refused;
    case ETIMEDOUT: return Fault::NoAnswer;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN: return Fault::Unreachable;
    default: return Fault::Failed;
  }
}

// One address: a non-blocking connect, waited for until `deadline`.
Connection TryAddress(const Endpoint& endpoint, int64_t deadline) {
  Connection result;
  const int fd = socket(endpoint.family, endpoint.socketType | SOCK_NONBLOCK | SOCK_CLOEXEC, endpoint.protocol);
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  const auto* address = reinterpret_cast<const sockaddr*>(endpoint.address.data());
  int ready = connect(fd, address, static_cast<socklen_t>(endpoint.address.size())) == 0 ? 1 : 0;
  if (!ready && errno != EINPROGRESS) {
    result.error = errno;
    result.fault = FaultOfError(result.error);
    close(fd);
    return result;
  }
  while (!ready) {
    const int64_t left = deadline - NowMs();
    if (left <= 0) {
      result.fault = Fault::NoAnswer;
      result.error = ETIMEDOUT;
      close(fd);
      return result;
    }
    pollfd watch{fd, POLLOUT, 0};
    const int polled = poll(&watch, 1, static_cast<int>(left));
    if (polled < 0 && errno != EINTR) break;
    if (polled > 0) ready = 1;
  }
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
  if (error != 0) {
    result.error = error;
    result.fault = FaultOfError(error);
    close(fd);
    return result;
  }
  // One command line is one segment: no waiting for the echo's acknowledgement.
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  result.handle = fd;
  result.fault = Fault::None;
  return result;
}

}  // namespace

Lookup SystemLookup(const std::string& host, uint16_t port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  Lookup result;
  const int looked = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (looked != 0) {
    result.fault = looked == EAI_SYSTEM ? Fault::Failed : Fault::NameNotFound;
    result.error = looked == EAI_SYSTEM ? errno : 0;
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
  const int64_t deadline = NowMs() + waitMs;
  const Lookup found = LookUp(host, port, waitMs);
  Connection result;
  result.fault = found.fault;
  result.error = found.error;
  for (const Endpoint& endpoint : found.endpoints) {
    result = TryAddress(endpoint, deadline);
    if (result.fault == Fault::None || result.fault == Fault::NoAnswer) break;
  }
  return result;
}

int Receive(intptr_t handle, uint8_t* buffer, size_t size, int waitMicros) {
  const int fd = static_cast<int>(handle);
  pollfd watch{fd, POLLIN, 0};
  const timespec wait{waitMicros / 1'000'000, (waitMicros % 1'000'000) * 1000L};
  const int ready = ppoll(&watch, 1, &wait, nullptr);
  if (ready < 0) return errno == EINTR ? 0 : -1;
  if (ready == 0) return 0;
  const ssize_t got = recv(fd, buffer, size, MSG_DONTWAIT);
  if (got > 0) return static_cast<int>(got);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
  return -1;  // closed by the server, reset, or broken
}

bool Send(intptr_t handle, const uint8_t* data, size_t size, int waitMs) {
  const int fd = static_cast<int>(handle);
  const int64_t deadline = NowMs() + waitMs;
  size_t done = 0;
  while (done < size) {
    const ssize_t sent = send(fd, data + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      done += static_cast<size_t>(sent);
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && errno != EAGAIN) return false;
    const int64_t left = deadline - NowMs();
    if (left <= 0) return false;
    pollfd watch{fd, POLLOUT, 0};
    if (poll(&watch, 1, static_cast<int>(std::min<int64_t>(left, 100))) > 0 && (watch.revents & (POLLERR | POLLHUP))) {
      return false;
    }
  }
  return true;
}

bool PeerClosed(intptr_t handle) {
  const int fd = static_cast<int>(handle);
  // The server's end shows as RDHUP even behind bytes nobody has read yet.
  pollfd watch{fd, POLLIN | POLLRDHUP, 0};
  if (poll(&watch, 1, 0) <= 0) return false;
  if ((watch.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0) return true;
  uint8_t byte = 0;
  const ssize_t got = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  return got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR);
}

void Close(intptr_t handle) {
  if (handle >= 0) close(static_cast<int>(handle));
}

}  // namespace netsock
