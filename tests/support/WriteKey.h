#pragma once
// The link's parameter write and changing commands for tests and fuzz targets that work the link itself,
// below the flows' write gate.

#include "protocol/VcmCommand.h"

struct ChangeCommandKeyForTests {
  static ChangeCommandKey Make() { return {}; }
};

// A command that changes the drive (MDA, SDP, SMP, MDB), sent as the gate would.
inline int TransactForTest(CVcmLite& link, const char* mnemonic, const char* argument = nullptr,
                           int32_t* dataLength = nullptr) {
  return link.Transact(ChangeCommandKeyForTests::Make(), mnemonic, argument, dataLength);
}

struct ParamWriteKeyForTests {
  static ParamWriteKey Make() { return {}; }
};

inline int WriteParamForTest(CVcmCommand& link, int32_t address, int32_t value) {
  return link.WriteParam(ParamWriteKeyForTests::Make(), address, value);
}
