// Extraction of arbitrary archives: nothing may appear outside the
// destination folder. Archives that declare more than a few MiB are left
// out so a run does not spend its time writing zeros.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pack/Unzip.h"
#include "pack/ZipExtraction.h"
#include "platform/File.h"
#include "platform/Text.h"

namespace {
constexpr uint64_t kMaxDeclared = 8 * 1024 * 1024;

// Layout: <work>\box\pack.zip and the destination <work>\box\d1\d2\out,
// so a name that climbed up to four levels would land where it is seen.
std::wstring Work() {
    static std::wstring work = [] {
        std::wstring w = platform::TempDirectory() + L"\\quillon-fuzz-unzip-" + std::to_wstring(getpid());
        platform::MakeDirectory(w);
        return w;
    }();
    return work;
}

std::vector<std::wstring> Names(const std::wstring& dir) {
    std::vector<platform::DirEntry> entries;
    platform::ListDirectory(dir, L"*.*", &entries);
    std::vector<std::wstring> names;
    for (const auto& e : entries)
        if (e.name != L"." && e.name != L"..") names.push_back(e.name);
    return names;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring box = Work() + L"\\box";
    const std::wstring zip = box + L"\\pack.zip";
    platform::RemoveTree(box);
    platform::MakeDirectory(box);
    FILE* f = platform::OpenFile(zip, "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    // Archives the survey refuses still go through unzip, which must refuse
    // them the same way; accepted ones are skipped when they are large.
    ArchiveSurvey survey;
    std::string reason;
    if (SurveyArchive(platform::WideToAnsi(zip), &survey, &reason) && survey.declaredTotal > kMaxDeclared) return 0;

    platform::MakeDirectory(box + L"\\d1");
    platform::MakeDirectory(box + L"\\d1\\d2");
    unzip((box + L"\\d1\\d2\\out").c_str(), zip.c_str());

    auto only = [](const std::wstring& dir, std::vector<std::wstring> allowed) {
        for (const std::wstring& name : Names(dir)) {
            bool ok = false;
            for (const std::wstring& a : allowed) ok = ok || name == a;
            if (!ok) std::abort();
        }
    };
    only(Work(), {L"box"});
    only(box, {L"pack.zip", L"d1"});
    only(box + L"\\d1", {L"d2"});
    only(box + L"\\d1\\d2", {L"out"});
    platform::RemoveTree(box);
    return 0;
}
