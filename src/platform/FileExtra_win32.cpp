#include <windows.h>

#include "platform/FileExtra.h"

namespace platform {

int SeekFile64(FILE* file, int64_t offset, int origin) { return _fseeki64(file, offset, origin); }

int64_t TellFile64(FILE* file) { return _ftelli64(file); }

bool IsReadOnly(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

}  // namespace platform
