#pragma once
// A path as the system resolves it, for telling whether two spellings name
// one place ("disk", ".\disk", "C:\work\disk\" and a link to it).
#include <string>

namespace platform {

// The absolute path with every link, "." and ".." resolved and no trailing
// separator; on Windows folded to upper case, as the file system compares
// names. A path that does not exist is made absolute and tidied as far as
// the text allows. False only when not even that is possible.
bool CanonicalPath(const std::wstring& path, std::wstring* canonical);

}  // namespace platform
