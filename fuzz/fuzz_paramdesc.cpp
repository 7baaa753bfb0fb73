// Arbitrary bytes through the whole description reading: TinyXML's parse, the
// model, and the lookups and value conversions the form runs on a loaded model.

#include <cstddef>
#include <cstdint>
#include <string>

#include "params/ParamDescFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CParamDescFile model;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!model.LoadText(bytes)) {
    if (model.IsLoaded() || model.GetParamCount() != 0 || model.GetUserViewCount() != 0) {
      __builtin_trap();  // a failed load must leave no model
    }
    return 0;
  }
  // What the load's checks promise of every accepted description: each address
  // once; sub-fields of 1 to 32 bits inside their parameter and apart; min not
  // above max.
  for (size_t p = 0; p < model.GetParamCount(); ++p) {
    const CParamNode* param = model.GetParam(p);
    if (model.FindParam(param->GetAddress()) != param) __builtin_trap();
    if (param->HasMinimum() && param->HasMaximum() && param->GetMinimum() > param->GetMaximum()) __builtin_trap();
    uint32_t taken = 0;
    for (size_t n = 0; n < param->GetNestedCount(); ++n) {
      const CNestedNode* nested = param->GetNested(n);
      const int32_t offset = nested->GetOffset();
      const int32_t width = nested->GetSize();
      if (width < 1 || offset < 0 || offset + width > 32) __builtin_trap();
      const auto bits = static_cast<uint32_t>(((uint64_t{1} << width) - 1) << offset);
      if ((taken & bits) != 0) __builtin_trap();
      taken |= bits;
      if (nested->HasMinimum() && nested->HasMaximum() && nested->GetMinimum() > nested->GetMaximum()) {
        __builtin_trap();
      }
    }
  }
  for (unsigned i = 0; i < model.GetUserViewCount(); ++i) {
    if (model.GetUserViewData(i)->nested && model.GetUserViewData(i)->offset > 31) __builtin_trap();
  }

  int32_t raw = 0;
  for (size_t i = 0; i < size && i < 4; ++i) raw = static_cast<int32_t>((static_cast<uint32_t>(raw) << 8) | data[i]);
  for (unsigned i = 0; i <= model.GetUserViewCount(); ++i) {
    const CUserViewData* entry = model.GetUserViewData(i);
    if (entry == nullptr) break;
    const CParamNode* param = model.FindParam(entry->address);
    if (param == nullptr) continue;
    const CParamInterface* node = param;
    if (entry->nested) node = model.FindNested(entry->address, entry->offset);
    if (node == nullptr) continue;
    for (const auto& [value, text] : entry->choices) {
      const int32_t written = InsertNestedValue(raw, node, value);
      raw ^= ExtractNestedValue(written, node) + static_cast<int32_t>(text.size());
    }
  }
  for (size_t p = 0; p < model.GetParamCount(); ++p) {
    const CParamNode* param = model.GetParam(p);
    for (size_t n = 0; n < param->GetNestedCount(); ++n) {
      raw = InsertNestedValue(raw, param->GetNested(n), ExtractNestedValue(raw, param->GetNested(n)) + 1);
    }
  }
  return 0;
}
