#include "TerminalFiles.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Kind {
    const char* folder;                 // under the destination
    std::vector<const char*> roots;     // searched in turn, files in path order
    std::vector<const char*> suffixes;  // empty: every regular file
};

bool Matches(const fs::path& p, const Kind& kind) {
    if (kind.suffixes.empty()) return true;
    const std::string ext = p.extension().string();
    return std::find(kind.suffixes.begin(), kind.suffixes.end(), ext) != kind.suffixes.end();
}

// Copies the kind's files, in path order, until `budget` bytes; the bytes copied.
uintmax_t CopyKind(const Kind& kind, const fs::path& dest, uintmax_t budget) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const char* root : kind.roots) {
        for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec) && !it->is_symlink(ec) && Matches(it->path(), kind)) found.push_back(it->path());
        ec.clear();
    }
    std::sort(found.begin(), found.end());
    fs::create_directories(dest / kind.folder, ec);
    uintmax_t copied = 0;
    for (size_t i = 0; i < found.size() && copied < budget; ++i) {
        const uintmax_t size = fs::file_size(found[i], ec);
        if (ec || size == 0 || size > budget - copied) continue;
        // Flat names, numbered, so that files of the same name do not meet.
        const fs::path to = dest / kind.folder / (std::to_string(i) + "_" + found[i].filename().string());
        if (fs::copy_file(found[i], to, ec)) copied += size;
    }
    return copied;
}

}  // namespace

bool CopyTerminalFiles(const std::string& dir, size_t totalMiB) {
    const std::vector<Kind> kinds = {
        {"bin", {"/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", "/usr/lib/wine"}, {".dll", ".exe"}},
        {"elf", {"/usr/bin"}, {}},
        {"text", {"/usr/include"}, {".h"}},
    };
    const uintmax_t share = (static_cast<uintmax_t>(totalMiB) << 20) / kinds.size();
    for (const Kind& kind : kinds)
        if (CopyKind(kind, dir, share) < share / 2) return false;
    return true;
}
