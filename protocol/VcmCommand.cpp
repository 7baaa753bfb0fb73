#include "protocol/VcmCommand.h"

#include <charconv>
#include <cstring>
#include <string_view>

std::string CVcmCommand::FormatNumber(int32_t value) { return std::to_string(value); }

std::optional<int32_t> CVcmCommand::ParseResponseNumber() const {
  // A drive answers its number alone after "OKY". Anything else (no digits, text
  // after them, more than 32 bits) is a garbled line, never a value: read as atol
  // does it would become 0 or a capped number and be shown as the drive's.
  const char* p = GetReceiveBuffer();
  if (std::strlen(p) < 3) return std::nullopt;
  std::string_view data(p + 3);
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!data.empty() && blank(data.front())) data.remove_prefix(1);
  while (!data.empty() && blank(data.back())) data.remove_suffix(1);
  if (data.starts_with('+')) {
    data.remove_prefix(1);
    if (data.starts_with('-')) return std::nullopt;
  }
  int32_t value = 0;
  const char* end = data.data() + data.size();
  const auto [stop, error] = std::from_chars(data.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<int32_t> CVcmCommand::ResponseNumberOrFailure() {
  const std::optional<int32_t> value = ParseResponseNumber();
  if (!value) {
    RecordFailure(rc::UnknownResponse);
    WriteTrace();
  }
  return value;
}

int CVcmCommand::ReadVersion() {
  int32_t length = 0;
  const int result = TransactAny("VER", nullptr, &length);
  if (result != rc::Success) return result;
  m_version.assign(GetReceiveBuffer() + 3, static_cast<size_t>(length));
  return result;
}

int CVcmCommand::SelectAddress(int32_t address) {
  const int result = TransactAny("MAD", FormatNumber(address).c_str());
  if (result != rc::Success) return result;
  const std::optional<int32_t> confirmed = ResponseNumberOrFailure();
  if (!confirmed) return rc::UnknownResponse;
  if (*confirmed != address) {
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
  const int result = TransactAny("MDA");
  if (result != rc::Success) {
    Forget(address);
    return result;
  }
  const std::optional<int32_t> value = ResponseNumberOrFailure();
  if (!value) {
    Forget(address);
    return rc::UnknownResponse;
  }
  if (CachedParam* entry = FindCached(address)) {
    entry->value = *value;
  } else {
    m_cache.push_back({address, *value});
  }
  return rc::Success;
}

int CVcmCommand::WriteParam(ParamWriteKey /*key*/, int32_t address, int32_t value) {
  std::lock_guard<std::recursive_mutex> hold(Lock());
  CachedParam* entry = FindCached(address);
  if (!entry) return rc::Failure;
  if (SelectAddress(address) != rc::Success) return rc::Failure;
  if (TransactAny("MDA", FormatNumber(value).c_str()) != rc::Success) return rc::Failure;
  // The cache keeps what the drive answered, so a limited or refused value shows;
  // an answer that is no number leaves the value unknown.
  const std::optional<int32_t> answered = ResponseNumberOrFailure();
  if (!answered) {
    Forget(address);
    return rc::Failure;
  }
  entry->value = *answered;
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
