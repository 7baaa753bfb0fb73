#include "protocol/VcmCommand.h"

#include <cctype>
#include <climits>
#include <cstring>

std::string CVcmCommand::FormatNumber(int32_t value) { return std::to_string(value); }

int32_t CVcmCommand::ParseResponseNumber() const {
  // As atol on the data after "OKY": blanks, a sign, digits up to the first other
  // character; no digits gives 0. The long result is kept in 32 bits.
  const char* p = GetReceiveBuffer();
  if (std::strlen(p) < 3) return 0;
  p += 3;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  int64_t magnitude = 0;
  bool saturated = false;
  for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    if (!saturated) {
      magnitude = magnitude * 10 + (*p - '0');
      if (magnitude > static_cast<int64_t>(INT32_MAX) + 1) saturated = true;
    }
  }
  // Out of range the value stops at the nearest limit, as a 32-bit atol does.
  if (saturated || (!negative && magnitude > INT32_MAX)) return negative ? INT32_MIN : INT32_MAX;
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

int CVcmCommand::ReadVersion() {
  int32_t length = 0;
  const int result = Transact("VER", nullptr, &length);
  if (result != rc::Success) return result;
  m_version.assign(GetReceiveBuffer() + 3, static_cast<size_t>(length));
  return result;
}

int CVcmCommand::SelectAddress(int32_t address) {
  const int result = Transact("MAD", FormatNumber(address).c_str());
  if (result != rc::Success) return result;
  if (ParseResponseNumber() != address) {
    // Recorded like any failed exchange, so the error report names this failure
    // and not an older one.
    RecordFailure(rc::AddressMismatch);
    WriteTrace();
    return rc::Failure;
  }
  return rc::Success;
}

int CVcmCommand::ReadParam(int32_t address) {
  std::lock_guard<std::recursive_mutex> hold(Lock());
  // Whatever the cache held for the address is older than this attempt; a failed
  // read leaves it unknown rather than showing an older answer as the drive's.
  const int selected = SelectAddress(address);
  if (selected != rc::Success) {
    Forget(address);
    return selected;
  }
  const int result = Transact("MDA");
  if (result != rc::Success) {
    Forget(address);
    return result;
  }
  const int32_t value = ParseResponseNumber();
  if (CachedParam* entry = FindCached(address)) {
    entry->value = value;
  } else {
    m_cache.push_back({address, value});
  }
  return rc::Success;
}

int CVcmCommand::WriteParam(ParamWriteKey /*key*/, int32_t address, int32_t value) {
  std::lock_guard<std::recursive_mutex> hold(Lock());
  CachedParam* entry = FindCached(address);
  if (!entry) return rc::Failure;
  if (SelectAddress(address) != rc::Success) return rc::Failure;
  if (Transact("MDA", FormatNumber(value).c_str()) != rc::Success) return rc::Failure;
  // The cache keeps what the drive answered, so a limited or refused value shows.
  entry->value = ParseResponseNumber();
  return rc::Success;
}

void CVcmCommand::Forget(int32_t address) {
  for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
    if (it->address == address) {
      m_cache.erase(it);
      return;
    }
  }
}

void CVcmCommand::ForgetParams() {
  std::lock_guard<std::recursive_mutex> hold(Lock());
  m_cache.clear();
}

void CVcmCommand::OnPortReleased() {
  std::lock_guard<std::recursive_mutex> hold(Lock());
  ForgetParams();
  m_version.clear();
}

CachedParam* CVcmCommand::FindCached(int32_t address) {
  for (CachedParam& entry : m_cache) {
    if (entry.address == address) return &entry;
  }
  return nullptr;
}

const CachedParam* CVcmCommand::FindCachedParam(int32_t address) const {
  return const_cast<CVcmCommand*>(this)->FindCached(address);
}
