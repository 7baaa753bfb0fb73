#pragma once
// The drive link of the whole program: the serial port, the transaction engine and
// the drive's command set in one object, with the version string and the cache of
// every parameter value read or written.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "protocol/VcmLite.h"

// Proof that a parameter write comes from the write gate of the flows, which checks
// every value against the drive's description and asks what must be asked before
// anything is sent. Only the gate can make one; tests and fuzz targets that work
// the link itself make theirs through ParamWriteKeyForTests, which the build
// refuses anywhere in the program's own folders.
class ParamWriteKey {
  friend class CWriteGate;
  friend struct ParamWriteKeyForTests;
  ParamWriteKey() = default;
};

struct CachedParam {
  int32_t address = 0;
  int32_t value = 0;
};

class CVcmCommand : public CVcmLite {
 public:
  CVcmCommand() = default;
  ~CVcmCommand() override = default;

  [[nodiscard]] int ReadVersion();
  const std::string& GetVersion() const { return m_version; }

  // 1 on success; the failing transaction's code; rc::UnknownResponse when an
  // answer is not a whole number that fits 32 bits; 0 (with the failure recorded as
  // rc::AddressMismatch) when the drive confirms another address.
  [[nodiscard]] int ReadParam(int32_t address);
  // 1 on success, 0 on any failure, including an address never read.
  [[nodiscard]] int WriteParam(ParamWriteKey key, int32_t address, int32_t value);
  // The cache entry of the address, or nullptr. The cache holds values of the
  // drive on the open port only: it empties when the port is let go, and a read
  // that fails drops the address, so no entry outlives what the drive said.
  const CachedParam* FindCachedParam(int32_t address) const;
  // Empties the cache, for a caller that sends commands of its own which may
  // change any parameter (a motor DB command file).
  void ForgetParams();

  // Decimal argument text as the drive expects it: signed, no '+', no leading zeros.
  static std::string FormatNumber(int32_t value);
  // The response data after "OKY" as a whole decimal number that fits 32 bits
  // (blanks around it allowed); none for anything else.
  std::optional<int32_t> ParseResponseNumber() const;

 protected:
  void OnPortReleased() override;

 private:
  CachedParam* FindCached(int32_t address);
  void Forget(int32_t address);
  [[nodiscard]] int SelectAddress(int32_t address);
  // The response number, or none with the failure recorded as rc::UnknownResponse
  // and the trace written.
  std::optional<int32_t> ResponseNumberOrFailure();

  std::string m_version;
  std::deque<CachedParam> m_cache;
};
