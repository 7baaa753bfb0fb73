#pragma once
// One RS-232 port: opened by COM number and baud rate with fixed line settings
// (raw 8N1, no flow control, DTR and RTS raised), read without ever blocking for
// more than a couple of milliseconds. The open flag is the program's meaning of
// "connected".

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/NetLine.h"

class CRs232CB {
 public:
  CRs232CB();
  virtual ~CRs232CB();
  CRs232CB(const CRs232CB&) = delete;
  CRs232CB& operator=(const CRs232CB&) = delete;

  // Empties the list, then appends the number of every COM port present, in the
  // order found. Needs no open port.
  static void ListPorts(std::vector<unsigned>& ports);

  // Opens COM<port> at any integer baud rate; an open port is closed first.
  // Returns 1 when the device opened (a refused line setting does not fail it),
  // 0 otherwise, leaving the object closed. A port whose path is a network
  // address (serial/NetAddress.h) is reached through its server instead.
  int Open(uint8_t port, int32_t baudRate);
  void Close();
  int IsOpen() const { return m_open; }
  uint8_t GetPortNumber() const { return m_portNumber; }
  int32_t GetBaudRate() const { return m_baudRate; }
  // The open device's handle (a file descriptor on Linux), or a network line's
  // socket, so a window can watch it for a hang-up while idle; -1 while closed.
  // Never read or write through it.
  intptr_t NativeHandle() const;
  // Whether the open device has hung up (an adapter pulled out, a drive ended) or
  // a network line's server has closed the connection, asked without sending or
  // taking a byte, so a window may ask while idle. A port found gone has been let
  // go (the port-lost rule).
  [[nodiscard]] bool LineHungUp();
  // The server's host and port ("10.1.2.3:4001") while a network line is open;
  // empty otherwise.
  std::string ServerAddress() const;
  // How the last Open of a network line failed; none after any other Open. The
  // port doctor explains a failure from it instead of connecting a second time,
  // which would double the wait.
  struct NetFailure {
    std::string path;
    CNetLine::Fault fault = CNetLine::Fault::Failed;
    int error = 0;
  };
  const std::optional<NetFailure>& LastNetFailure() const { return m_netFailure; }
  // What a network server did not confirm while the port was set up, one line
  // each; empty for a COM device.
  std::string LineNotes() const;
  // The wait for a network server's connection at this object's opens; 0 (the
  // default) keeps the shared one (CNetLine::ConnectWaitMs).
  void SetConnectWaitMs(int waitMs) { m_connectWaitMs = waitMs; }

 protected:
  // Reads what has arrived, up to `size` bytes, waiting at most about 1 ms for the
  // first byte (2 ms once the line has been silent for ten waits in a row; bytes
  // that arrive end any wait at once). Returns the count (0 when nothing came), or -1 on a read error;
  // an error that means the device is gone has already closed the port.
  int ReadBytes(uint8_t* buffer, size_t size);
  // The same with the wait for the first byte given in microseconds, for callers
  // that only want what has already arrived or is still on the wire.
  int ReadBytesWithin(uint8_t* buffer, size_t size, int maxWaitMicros);
  // Writes all bytes and waits until they have left the PC (on Windows: until the
  // driver has taken them), bounded, so a stuck adapter cannot hang the program. Returns true on success; false on an
  // error, after applying the port-lost rule when the device is gone.
  bool WriteAll(const uint8_t* data, size_t size);
  // Called whenever the port is let go (closed, or lost): what was learned from
  // the drive behind it no longer holds, and the next drive may be another one.
  virtual void OnPortReleased() {}

 private:
  // Shared by both platforms (Rs232.cpp).
  void GiveUpPort();  // the port-lost rule: closed, handle released
  bool FailedBecauseLost(int error);
  void StartOpen(uint8_t port, int32_t baudRate);  // closed, number and rate kept
  int Opened(intptr_t handle);                     // the object takes the device; returns 1
  int OpenNetwork(const std::string& path);

  // Each platform's own (Rs232_linux.cpp, Rs232_win.cpp).
  static bool IsLostError(int error);  // the device is gone or the handle unusable
  // The COM numbers the system itself names, whether or not we may open them.
  static std::vector<unsigned> SystemPorts();
  // Whether a ports-file path leads to a device (held by someone else counts).
  static bool DeviceExists(const std::string& path);
  int OpenDevice(uint8_t port, int32_t baudRate);
  bool DeviceHungUp() const;  // the open device's line status, nothing sent
  bool WriteDevice(const uint8_t* data, size_t size);
  void ReleaseHandle();
  // Reads what has arrived into the empty read-ahead buffer, waiting at most
  // `maxWaitMicros` for the first byte: the count, 0 when nothing came, -1 on an
  // error (the port-lost rule applied).
  int FillReadAhead(int maxWaitMicros);
  int FillFromNetwork(int maxWaitMicros);  // the same for a network line (Rs232.cpp)

  intptr_t m_handle = -1;           // a file descriptor on Linux, a HANDLE on Windows; -1: none
  std::unique_ptr<CNetLine> m_net;  // in place of the handle for a network address
  std::optional<NetFailure> m_netFailure;
  uint8_t m_portNumber = 0;
  int32_t m_baudRate = 0;
  int m_open = 0;
  // Bytes read from the device ahead of the caller, so byte-by-byte readers cost
  // one system call per burst rather than per byte.
  uint8_t m_readAhead[512];
  size_t m_readAheadPos = 0;
  size_t m_readAheadLen = 0;
  unsigned m_silentReads = 0;  // empty waits in a row
  // The first-byte wait the device itself is set to, where the platform keeps one
  // (Windows read time-outs); 0 when not set.
  unsigned long m_readWaitMs = 0;
  int m_connectWaitMs = 0;
};
