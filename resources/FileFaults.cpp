#include "resources/FileFaults.h"

#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace res {

std::string SizeText(uint64_t bytes) {
  constexpr uint64_t kKib = 1024;
  if (bytes >= kKib * kKib && bytes % (kKib * kKib) == 0) return std::to_string(bytes / (kKib * kKib)) + " MiB";
  if (bytes >= kKib && bytes % kKib == 0) return std::to_string(bytes / kKib) + " KiB";
  return std::to_string(bytes) + " bytes";
}

std::string ReadFaultText(platform::ReadResult why, uint64_t limitBytes) {
  switch (why) {
    case platform::ReadResult::Missing: return LoadString(ids::FileFaultMissing);
    case platform::ReadResult::NotAFile: return LoadString(ids::FileFaultNotAFile);
    case platform::ReadResult::TooBig: return FormatString(ids::FileFaultTooBig, {SizeText(limitBytes)});
    case platform::ReadResult::TooManyOpen: return LoadString(ids::FileFaultTooManyOpen);
    case platform::ReadResult::Ok:
    case platform::ReadResult::Failed: break;
  }
  return std::string();
}

platform::ReadResult ReadFaultOf(const std::string& path, uint64_t limitBytes) {
  platform::ReadResult why = platform::ReadResult::Ok;
  uint64_t size = 0;
  std::FILE* file = platform::OpenRegularFile(path, why, size);
  if (file == nullptr) return why;
  (void)std::fclose(file);  // only opened to look: nothing was written
  return size > limitBytes ? platform::ReadResult::TooBig : platform::ReadResult::Ok;
}

}  // namespace res
