#include <sys/stat.h>
#include <sys/types.h>

#include "platform/FileExtra.h"
#include "platform/Text.h"

namespace platform {

int SeekFile64(FILE* file, int64_t offset, int origin) { return ::fseeko(file, static_cast<off_t>(offset), origin); }

int64_t TellFile64(FILE* file) { return static_cast<int64_t>(::ftello(file)); }

bool IsReadOnly(const std::wstring& path) {
    std::string native = WideToUtf8(path);
    for (char& c : native)
        if (c == '\\') c = '/';
    struct stat st;
    return !path.empty() && ::stat(native.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

}  // namespace platform
