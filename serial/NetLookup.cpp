#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "serial/NetSocket.h"

namespace netsock {
namespace {

std::mutex g_seamLock;
LookupFunction g_lookup;  // empty: the system's

LookupFunction CurrentLookup() {
  std::lock_guard<std::mutex> hold(g_seamLock);
  return g_lookup ? g_lookup : LookupFunction(SystemLookup);
}

}  // namespace

void SetLookupForTest(LookupFunction lookup) {
  std::lock_guard<std::mutex> hold(g_seamLock);
  g_lookup = std::move(lookup);
}

Lookup LookUp(const std::string& host, uint16_t port, int waitMs) {
  // Kept alive by whichever of the two ends last: a lookup that outlives its
  // wait still has somewhere to put its answer.
  struct Shared {
    std::mutex lock;
    std::condition_variable done;
    std::optional<Lookup> result;
  };
  const auto shared = std::make_shared<Shared>();
  const LookupFunction lookup = CurrentLookup();
  try {
    std::thread([shared, lookup, host, port] {
      Lookup found = lookup(host, port);
      std::lock_guard<std::mutex> hold(shared->lock);
      shared->result = std::move(found);
      shared->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return lookup(host, port);  // no thread to be had: unbounded, but still an answer
  }
  std::unique_lock<std::mutex> hold(shared->lock);
  if (!shared->done.wait_for(hold, std::chrono::milliseconds(waitMs), [&] { return shared->result.has_value(); })) {
    Lookup late;
    late.fault = Fault::NameNoAnswer;
    return late;
  }
  return std::move(*shared->result);
}

}  // namespace netsock
