#pragma once
// The native build's form of a path: UTF-8, with each backslash turned
// into a slash. Only the POSIX implementation files use it.
#include <string>

namespace platform {

std::string NativePath(const std::wstring& path);

}  // namespace platform
