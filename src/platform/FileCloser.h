#pragma once
// A stdio stream that closes itself: std::unique_ptr<FILE, FileCloser>.
#include <cstdio>
#include <memory>

namespace platform {

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};

using FilePtr = std::unique_ptr<FILE, FileCloser>;

}  // namespace platform
