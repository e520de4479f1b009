#include "packtool/PackInfo.h"

#include <minizip/unzip.h>

#include <cstring>

#include "packtool/PackCheck.h"
#include "packtool/PlainFile.h"
#include "app/ModelMatch.h"
#include "pack/FolderHash.h"
#include "pack/PackVerifyInfo.h"
#include "pack/ZipExtraction.h"
#include "pack/ZipFileFunctions.h"
#include "platform/File.h"
#include "platform/ScratchFolder.h"
#include "platform/Text.h"
#include "signature/PackSignature.h"

namespace {

// Reads up to the record's size from the current entry; the count read.
size_t ReadRecord(unzFile zip, PackVerifyInfo* info) {
    std::memset(info->bytes, 0, sizeof info->bytes);
    if (unzOpenCurrentFile(zip) != UNZ_OK) return 0;
    size_t total = 0;
    while (total < sizeof info->bytes) {
        int got = unzReadCurrentFile(zip, info->bytes + total, static_cast<unsigned>(sizeof info->bytes - total));
        if (got <= 0) break;
        total += static_cast<size_t>(got);
    }
    unzCloseCurrentFile(zip);
    return total;
}

// Null when the archive's structure and names would extract where check
// extracts it, else why not.
const char* ArchiveProblem(const std::string& ansiPath, std::string* reason) {
    platform::ScratchFolder scratch;
    if (!scratch.Create(L"packtool-")) return *reason = "no temporary folder to judge the output paths", reason->c_str();
    ArchiveSurvey survey;
    if (!SurveyArchive(ansiPath, &survey, reason)) return reason->c_str();
    return EntriesProblem(survey, CheckFolderIn(scratch.Path()));
}

// The signature beside the pack, as it names itself (check judges it).
void ShowSignature(const std::wstring& pack, ToolOutput& io) {
    if (!platform::PathExists(SignaturePathOf(pack))) return;
    minisign::Signature signature;
    std::string problem;
    if (!ReadSignatureFile(pack, &signature, &problem)) {
        io.Out(L"signature: damaged (" + platform::Utf8ToWide(problem) + L")");
        return;
    }
    io.Out(L"signer: " + platform::Utf8ToWide(minisign::KeyIdText(signature.keyId)) +
           (signature.data == minisign::SignedData::Hash ? L"" : L" (legacy signature of the whole file)"));
    // Anyone can write this line; only check against a trusted key proves it.
    io.Out(L"trusted comment (unverified): " + EscapeControls(platform::Utf8ToWide(signature.trustedComment)));
}

}  // namespace

int ShowPackInfo(const std::wstring& pack, ToolOutput& io) {
    const std::wstring problem = PackFileProblem(pack);
    if (!problem.empty()) {
        io.Err(pack + problem);
        return kExitUsage;
    }
    // The archive is opened as unzip opens it: by its ANSI name.
    bool lossless = true;
    const std::string ansi = platform::WideToAnsi(pack, &lossless);
    zlib_filefunc64_def functions = AnsiPathFileFunctions();
    unzFile zip = lossless ? unzOpen2_64(ansi.c_str(), &functions) : nullptr;
    const bool empty = !zip && lossless && IsEmptyZipArchive(ansi);
    if (!zip && !empty) {
        io.Err(pack + (lossless ? L": not a zip archive" : L": the ANSI code page cannot name the archive"));
        return kExitUsage;
    }
    const std::string verifyName = platform::WideToAnsi(kVerifyFileName);
    const std::string manifestName = platform::WideToAnsi(kManifestFileName);
    uint64_t entries = 0;
    bool hasManifest = false, hasVerify = false;
    size_t verifyBytes = 0;
    PackVerifyInfo info;
    std::memset(info.bytes, 0, sizeof info.bytes);
    int status = empty ? UNZ_END_OF_LIST_OF_FILE : unzGoToFirstFile(zip);
    while (status == UNZ_OK) {
        char name[260] = {};
        unz_file_info64 fi;
        if (unzGetCurrentFileInfo64(zip, &fi, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        ++entries;
        // Names as extracted: "./FolderMD5.ini" is the manifest.
        const std::string extracted = platform::WideToAnsi(WithoutDotComponents(platform::AnsiToWide(name)));
        if (manifestName == extracted) hasManifest = true;
        if (verifyName == extracted && !hasVerify) {
            hasVerify = true;
            verifyBytes = ReadRecord(zip, &info);
        }
        status = unzGoToNextFile(zip);
    }
    if (zip) unzClose(zip);
    if (status != UNZ_END_OF_LIST_OF_FILE) {
        io.Err(pack + L": the archive's directory is damaged (zip status " + std::to_wstring(status) + L")");
        return kExitUsage;
    }
    io.Out(L"model: " + EscapeControls(info.ModelName()));
    io.Out(L"kind: " + std::to_wstring(info.PackKind()) + L" (" + PackKindName(info.PackKind()) + L")");
    io.Out(L"entries: " + std::to_wstring(entries));
    io.Out(std::wstring(L"manifest: ") + (hasManifest ? L"yes" : L"no"));
    std::wstring verify = hasVerify ? L"yes" : L"no";
    if (hasVerify && verifyBytes < PackVerifyInfo::kSize)
        verify += L" (short: " + std::to_wstring(verifyBytes) + L" bytes)";
    io.Out(L"verify file: " + verify);
    ShowSignature(pack, io);
    // What check would refuse before reading any of the above.
    std::string reason;
    if (const char* problem = empty ? nullptr : ArchiveProblem(ansi, &reason)) io.Out(L"damaged: " + platform::Utf8ToWide(problem));
    return kExitAccepted;
}
