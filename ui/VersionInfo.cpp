#include "ui/VersionInfo.h"

#include "resources/StringIds.h"
#include "resources/Strings.h"

#ifndef DS_VERSION_MAJOR
#define DS_VERSION_MAJOR 0
#define DS_VERSION_MINOR 0
#define DS_VERSION_PATCH 0
#define DS_VERSION_TWEAK 0
#endif

bool ReadVersionInfo(const std::string& path, VersionInfo& out) {
  if (path.empty()) return false;
  // The block travels inside the binary, so whatever file is named, the running
  // program describes itself.
  VersionInfo info;
  info.fileVersion = {DS_VERSION_MAJOR, DS_VERSION_MINOR, DS_VERSION_PATCH, DS_VERSION_TWEAK};
  info.productVersion = info.fileVersion;
  info.companyName = "Quorvel Motion Co., Ltd.";
  // A version block holds its texts per language; the one read is the user's.
  info.productName = res::LoadString(ids::AppTitle);
  info.legalCopyright = "Copyright (C) 2009-2024 Quorvel Motion Co., Ltd.";
  info.fileDescription = info.productName;
  out = info;
  return true;
}
