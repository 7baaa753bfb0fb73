#pragma once
// The link's parameter write for tests and fuzz targets that work the link itself,
// below the flows' write gate.

#include "protocol/VcmCommand.h"

struct ParamWriteKeyForTests {
  static ParamWriteKey Make() { return {}; }
};

inline int WriteParamForTest(CVcmCommand& link, int32_t address, int32_t value) {
  return link.WriteParam(ParamWriteKeyForTests::Make(), address, value);
}
