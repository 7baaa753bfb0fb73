#pragma once
// Result codes of drive operations: greater than 0 is success, 0 a plain failure of
// a composite operation or a cancel, negative values name what went wrong.

namespace rc {
enum : int {
  Success = 1,
  Failure = 0,
  IncorrectEcho = -7,
  NoEcho = -8,
  ResponseTimeout = -9,
  PortFailure = -10,
  ResponseTooLong = -18,
  UnknownResponse = -19,
  NoResponseLine = -20,
  CommandTooLong = -21,   // refused before anything was sent
  AddressMismatch = -22,  // the drive selected another address than asked
  EchoUnreadable = -23,   // bytes came back, none of them the echo: another baud rate
  NeedsGate = -24,        // a command that changes the drive, sent without the gate's key: not sent
  Refused = -30,          // the drive answered "ERR"
};
}  // namespace rc
