#include "signature/SignatureFiles.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <vector>

#include "platform/File.h"
#include "platform/Text.h"

namespace {

struct HandleCloser {
    HANDLE h;
    ~HandleCloser() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

bool WriteAllTo(HANDLE h, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 20));
        if (!WriteFile(h, text.data() + done, chunk, &wrote, nullptr) || wrote == 0) return false;
        done += wrote;
    }
    return true;
}

// The user this process runs as; its SID lives in `buffer`.
PSID CurrentUser(std::vector<unsigned char>* buffer) {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    buffer->resize(size ? size : 1);
    const bool read = size && GetTokenInformation(token, TokenUser, buffer->data(), size, &size);
    CloseHandle(token);
    return read ? reinterpret_cast<TOKEN_USER*>(buffer->data())->User.Sid : nullptr;
}

std::string AccountName(PSID sid) {
    wchar_t name[256], domain[256];
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        return platform::WideToUtf8(domainSize ? std::wstring(domain) + L"\\" + name : std::wstring(name));
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return "an unknown account";
    const std::string s = platform::WideToUtf8(text);
    LocalFree(text);
    return s;
}

}  // namespace

bool ReadSmallFile(const std::wstring& path, std::string* text, std::string* problem, size_t limit) {
    text->clear();
    if (platform::IsDirectory(path)) return *problem = "is not a regular file", false;
    HandleCloser file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) return *problem = "cannot be read", false;
    // A pipe or a console is refused before a byte is read from it.
    if (GetFileType(file.h) != FILE_TYPE_DISK) return *problem = "is not a regular file", false;
    text->resize(limit + 1);
    size_t total = 0;
    bool failed = false;
    while (total < text->size()) {
        DWORD got = 0;
        if (!ReadFile(file.h, &(*text)[total], static_cast<DWORD>(text->size() - total), &got, nullptr)) failed = true;
        if (failed || got == 0) break;
        total += got;
    }
    if (failed || total > limit) {
        WipeSecret(text);
        *problem = failed ? "cannot be read" : "is longer than " + std::to_string(limit) + " bytes";
        return false;
    }
    text->resize(total);
    return true;
}

bool WriteNewFile(const std::wstring& path, const std::string& text, bool ownerOnly) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    SECURITY_DESCRIPTOR descriptor;
    std::vector<unsigned char> user, aclBuffer;
    if (ownerOnly) {
        // One entry, the user's full access; protected, so the folder's
        // inheritable entries are not added to it.
        const PSID sid = CurrentUser(&user);
        if (!sid) return false;
        const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid);
        aclBuffer.resize(aclSize);
        PACL acl = reinterpret_cast<PACL>(aclBuffer.data());
        if (!InitializeAcl(acl, aclSize, ACL_REVISION) || !AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) ||
            !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
            !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
            return false;
        attributes.lpSecurityDescriptor = &descriptor;
    }
    // CREATE_NEW: an existing file, or a link in its place, is never opened.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool written = WriteAllTo(h, text);
    if (!CloseHandle(h) || !written) {
        DeleteFileW(path.c_str());
        return false;
    }
    return true;
}

bool OverwriteSmallFile(const std::wstring& path, const std::string& text) {
    HandleCloser file{CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE || GetFileType(file.h) != FILE_TYPE_DISK || !SetEndOfFile(file.h)) return false;
    const bool written = WriteAllTo(file.h, text);
    const bool closed = CloseHandle(file.h);
    file.h = INVALID_HANDLE_VALUE;
    return written && closed;
}

bool OthersMayRead(const std::wstring& path, std::string* who) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        *who = "unknown accounts (its access list cannot be read)";
        return true;
    }
    std::vector<unsigned char> userBuffer;
    const PSID user = CurrentUser(&userBuffer);
    bool others = false;
    if (!dacl) {
        *who = "everyone (it has no access list)";
        others = true;
    }
    for (DWORD i = 0; dacl && !others && i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&header))) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) continue;
        ACCESS_ALLOWED_ACE* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        if (!(ace->Mask & (FILE_READ_DATA | GENERIC_READ | GENERIC_ALL | MAXIMUM_ALLOWED))) continue;
        PSID sid = &ace->SidStart;
        if ((owner && EqualSid(sid, owner)) || (user && EqualSid(sid, user)) || IsWellKnownSid(sid, WinLocalSystemSid) ||
            IsWellKnownSid(sid, WinBuiltinAdministratorsSid))
            continue;
        *who = AccountName(sid);
        others = true;
    }
    LocalFree(descriptor);
    return others;
}
