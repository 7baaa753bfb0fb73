#pragma once
// Result codes of drive operations: greater than 0 is success, 0 a plain failure of
// a composite operation or a cancel, negative values name what went wrong.

namespace rc {
constexpr int Success = 1;
constexpr int Failure = 0;
constexpr int IncorrectEcho = -7;
constexpr int NoEcho = -8;
constexpr int ResponseTimeout = -9;
constexpr int PortFailure = -10;
constexpr int ResponseTooLong = -18;
constexpr int UnknownResponse = -19;
constexpr int NoResponseLine = -20;
constexpr int CommandTooLong = -21;    // refused before anything was sent
constexpr int AddressMismatch = -22;   // the drive selected another address than asked
constexpr int Refused = -30;           // the drive answered "ERR"
}  // namespace rc
