// A drive parameter file's bytes through everything Load File does before it
// sends: the checks against the shipped description, the version question, and
// the values it would put into each parameter. The file goes through the same
// path the flow reads, so the input is written to a file first.

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/IniText.h"
#include "flows/DpfFlows.h"
#include "flows/Outcome.h"
#include "params/ParamDescFile.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_dpf_load: %s\n", what);
  std::abort();
}

const CParamDescFile& ShippedDescription() {
  static CParamDescFile model;
  static const bool loaded = model.Load("ParamDefault.xml");
  if (!loaded) Fail("the shipped description ParamDefault.xml does not stand beside the fuzzer");
  return model;
}

// One file for the whole run, rewritten for every input; in memory where that is possible.
const std::string& InputPath() {
  static const std::string path = [] {
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp");
    std::string pattern = std::string(folder) + "/fuzz_dpf_load_XXXXXX.dpf";
    const int fd = mkstemps(pattern.data(), 4);
    if (fd < 0) Fail("no file for the input");
    close(fd);
    std::atexit([] { unlink(InputPath().c_str()); });
    return pattern;
  }();
  return path;
}

void WriteInput(const uint8_t* data, size_t size) {
  const int fd = open(InputPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) Fail("the input file cannot be written");
  for (size_t done = 0; done < size;) {
    const ssize_t put = write(fd, data + done, size - done);
    if (put <= 0) Fail("the input file cannot be written");
    done += static_cast<size_t>(put);
  }
  close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const CParamDescFile& model = ShippedDescription();
  WriteInput(data, size);

  std::vector<DpfEntry> entries;
  std::string version;
  std::string fault;
  const Outcome outcome = CheckParamFile(InputPath(), model, &entries, &version, &fault);
  // A refused file says why; one with no reason was taken for unreadable.
  if (outcome == Outcome::FileError && fault.empty()) Fail("a readable file was reported unreadable");
  if (outcome != Outcome::Done) {
    if (!entries.empty()) Fail("a refused file left entries to send");
    return 0;
  }
  if (size == 0 || (data[size - 1] != '\n' && data[size - 1] != '\r'))
    Fail("a file cut inside its last line was taken");
  for (const DpfEntry& entry : entries) {
    if (!entry.nested && entry.offset != 0) Fail("a whole parameter with an offset was taken");
    if (!entry.nested && !model.FindParam(entry.address))
      Fail("an accepted file names a parameter the description lacks");
  }
  if (entries.empty()) Fail("a file was accepted with nothing to send");
  if (ini::CutToBuffer(version, 100) != version) Fail("the version was read past its 99 characters");
  ParamFileVersionsAgree("QDS-2 ver.1.04.007.12 std", version);

  // What the load would send: a sub-field goes into the parameter's current value.
  int32_t raw = 0x5A5A5A5A;
  for (const DpfEntry& entry : entries) {
    if (!entry.nested) continue;
    const CNestedNode* field = model.FindNested(entry.address, entry.offset);
    if (!field) Fail("an accepted file names a sub-field the description lacks");
    const int32_t sent = InsertNestedValue(raw, field, entry.value);
    if (ExtractNestedValue(sent, field) != ExtractNestedValue(InsertNestedValue(0, field, entry.value), field)) {
      Fail("a sub-field's value did not land in its bits alone");
    }
    raw = sent;
  }
  return 0;
}
