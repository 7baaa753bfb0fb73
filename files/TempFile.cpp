#include "files/TempFile.h"

#include <atomic>

#include "platform/FileSystem.h"

namespace fileio {
namespace {

std::atomic<unsigned> g_tempCounter{0};

bool AllDigits(std::string_view text) {
  return !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// At most `bytes` of UTF-8 text, never cut inside a character: a cut one would
// make a name Windows cannot take.
std::string_view Cut(std::string_view text, size_t bytes) {
  if (text.size() <= bytes) return text;
  while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
  return text.substr(0, bytes);
}

}  // namespace

Place PlaceOf(const std::string& target, const char* separators) {
  const size_t slash = target.find_last_of(separators);
  Place place;
  place.prefix = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  place.base = target.substr(place.prefix.size());
  // A root ("/", "C:/") stays one: without its separator it would name another folder.
  const bool root = place.prefix.size() == 1 || (slash != std::string::npos && slash > 0 && target[slash - 1] == ':');
  place.folder = place.prefix.empty() ? "." : (root ? place.prefix : target.substr(0, slash));
  return place;
}

// Short enough for any file name limit, whatever the length of `base`.
std::string TempStem(const Place& place) { return place.prefix + "." + std::string(Cut(place.base, 64)) + ".tmp-"; }

std::string NextTempName(const Place& place) {
  return TempStem(place) + std::to_string(platform::ProcessId()) + "-" + std::to_string(g_tempCounter.fetch_add(1));
}

bool LeftByGoneWriter(std::string_view name, const Place& place) {
  const std::string stem = TempStem(place).substr(place.prefix.size());
  if (name.substr(0, stem.size()) != stem) return false;
  const std::string_view writer = name.substr(stem.size());
  const size_t dash = writer.find('-');
  if (dash == std::string_view::npos || !AllDigits(writer.substr(0, dash)) || !AllDigits(writer.substr(dash + 1))) {
    return false;
  }
  const long long pid = std::stoll(std::string(writer.substr(0, dash)));
  return pid != platform::ProcessId() && platform::ProcessGone(pid);
}

}  // namespace fileio
