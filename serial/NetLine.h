#pragma once
// A drive's line through a serial device server: the socket, and for RFC 2217
// the Telnet option handling, behind the same read and write calls as a COM
// device, so the link above cannot tell the two apart.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "serial/NetAddress.h"
#include "serial/NetSocket.h"
#include "serial/Rfc2217.h"

class CNetLine {
 public:
  enum class Fault {
    None,
    BadAddress,    // not a complete address
    NameNotFound,  // the host name does not resolve
    NameNoAnswer,  // the name lookup did not end within the connect wait
    Refused,       // nothing listens there
    NoAnswer,      // no answer within the connect wait
    Unreachable,   // no route to the host
    ServerClosed,  // the server let us in and closed at once: the port is someone else's
    NotRfc2217,    // the server does not speak the protocol as it should (floods option requests)
    Failed,        // anything else; see the error
  };
  struct Opened {
    std::unique_ptr<CNetLine> line;  // none on a fault
    Fault fault = Fault::Failed;
    int error = 0;
  };

  ~CNetLine();
  CNetLine(const CNetLine&) = delete;
  CNetLine& operator=(const CNetLine&) = delete;

  // Connects to `path` (an address of NetAddress.h) within the connect wait and,
  // for RFC 2217, negotiates the options and sets the line to 8N1 at `baudRate`
  // with no flow control and DTR and RTS on, then purges the server's buffers.
  // With `setLine` false nothing is set: only whether the server takes us is
  // learned (the port doctor's look). `connectWaitMs` > 0 bounds the connection
  // in place of ConnectWaitMs (a search of many lines waits less for each).
  static Opened Open(const std::string& path, int32_t baudRate, bool setLine = true, int connectWaitMs = 0);

  // The wait for a connection, 3 s unless set (tests shorten it).
  static int ConnectWaitMs();
  static void SetConnectWaitMs(int waitMs);

  // The drive's bytes, up to `size`, waiting at most `waitMicros` for the first:
  // the count, 0 when none came, -1 when the connection is gone.
  int Read(uint8_t* buffer, size_t size, int waitMicros);
  // Sends all bytes (escaped as the protocol needs); false when the connection
  // is gone or stuck.
  bool Write(const uint8_t* data, size_t size);

  // Whether the server has closed the connection, asked without taking a byte, so
  // a window may ask while idle.
  bool ServerClosed() const { return netsock::PeerClosed(m_handle); }
  // The socket, for a window to watch while idle. Never read or write through it.
  intptr_t Handle() const { return m_handle; }

  const netaddr::Address& Address() const { return m_address; }
  // What the server did not confirm while the line was set up, one line each.
  const std::string& Notes() const { return m_notes; }

 private:
  static Opened OpenOnce(const std::string& path, int32_t baudRate, bool setLine, int connectWaitMs);
  CNetLine(const netaddr::Address& address, intptr_t handle) : m_address(address), m_handle(handle) {}
  // Waits up to `waitMs` for `done`, feeding what arrives through the Telnet
  // client (the drive's bytes are dropped: nothing was asked of it yet). False
  // when the connection closed meanwhile.
  template <typename Done>
  bool Negotiate(int waitMs, Done done);
  bool SendRaw(const std::vector<uint8_t>& bytes);

  netaddr::Address m_address;
  intptr_t m_handle = -1;
  rfc2217::CTelnetClient m_telnet;
  std::vector<uint8_t> m_outgoing;
  std::string m_notes;
};
