#include "platform/FileSystem.h"

namespace platform {

ReadResult ReadFile(const std::string& path, std::string& bytes, uint64_t maxBytes, size_t spare) {
  bytes.clear();
  ReadResult result = ReadResult::Ok;
  uint64_t size = 0;
  std::FILE* file = OpenRegularFile(path, result, size);
  if (file == nullptr) return result;
  if (size > maxBytes) result = ReadResult::TooBig;
  // One buffer, sized once: every copy of a large file costs its pages faulting in again.
  else bytes.reserve(static_cast<size_t>(size) + spare);
  char chunk[65536];
  while (result == ReadResult::Ok) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (got == 0) {
      if (std::ferror(file) != 0) result = ReadResult::Failed;
      break;
    }
    // Checked as it grows: the file may have grown since its size was taken.
    if (bytes.size() + got > maxBytes) result = ReadResult::TooBig;
    else bytes.append(chunk, got);
  }
  // Everything wanted has been read; closing cannot lose any of it.
  (void)std::fclose(file);
  if (result != ReadResult::Ok) bytes.clear();
  return result;
}

}  // namespace platform
