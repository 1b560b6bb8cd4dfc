#pragma once

#include <string>

namespace zelvane {

// Whether a profile folder is a full path on a local drive, as nothing else may be loaded
// from: "X:\" and then names, each neither empty, "." nor "..", with no forward slash and no
// colon past the drive's (no stream), and one backslash after the last at most. A relative
// path would be resolved against the current folder; a UNC or device path (\\server\...,
// \\?\...) names something other than this PC's own disks.
bool IsLocalFullPath(const std::wstring& path);

// The folder without the one trailing backslash a profile path may end with, which the
// names of the files in it are joined to.
std::wstring WithoutTrailingBackslash(const std::wstring& folder);

// Where Windows keeps a profile's classes hive (UsrClass.dat): below AppData\Local on Vista
// and later, below Local Settings\Application Data on Windows XP.
std::wstring ClassesHivePath(const std::wstring& folder, bool vistaLayout);

}  // namespace zelvane
