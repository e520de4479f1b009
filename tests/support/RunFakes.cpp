#include "support/RunFakes.h"

#include <cstdio>

#include "support/TempFolder.h"

void RecordingProgress::SetProgress(double fraction, const std::wstring& message) {
    wchar_t number[32];
    std::swprintf(number, 32, L"%g", fraction);
    events.push_back(std::wstring(number) + L"|" + message);
}

bool FakeFtp::Connect(const std::wstring& host, int port, const std::wstring& user, const std::wstring& password) {
    calls.push_back(L"connect " + host + L":" + std::to_wstring(port) + L" " + user + L" " + password);
    connected = acceptLogin;
    return acceptLogin;
}

bool FakeFtp::Refused() const {
    for (const std::wstring& prefix : refusedCalls)
        if (calls.back().compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

bool FakeFtp::ChangeDirectory(const std::wstring& dir) {
    calls.push_back(L"cd " + dir);
    return connected && !Refused();
}

bool FakeFtp::PutFile(const std::wstring& localPath, const std::wstring& remotePath, bool transfer) {
    calls.push_back(L"put " + remotePath);
    if (!connected || Refused()) return false;
    if (!transfer) return true;
    std::string bytes;
    if (!ReadBytes(localPath, &bytes)) return false;
    if (cutUploadAfter && remotePath.find(cutUploadsContaining) != std::wstring::npos) {
        files[remotePath] = bytes.substr(0, *cutUploadAfter);
        return false;
    }
    files[remotePath] = bytes.substr(0, storedBytesLimit);
    return true;
}

IFtpSession::SizeAnswer FakeFtp::QueryRemoteFileSize(const std::wstring& remotePath, uint64_t* size) {
    calls.push_back(L"size " + remotePath);
    if (!connected || !answersSize) return SizeAnswer::Unknown;
    auto found = files.find(remotePath);
    if (found == files.end()) return sizeOfMissingIs550 ? SizeAnswer::Missing : SizeAnswer::Unknown;
    if (Refused()) return SizeAnswer::Unknown;
    *size = static_cast<uint64_t>(static_cast<int64_t>(found->second.size()) + sizeSkew);
    return SizeAnswer::Sized;
}

bool FakeFtp::DeleteRemoteFile(const std::wstring& remotePath) {
    calls.push_back(L"delete " + remotePath);
    return connected && !Refused() && files.erase(remotePath) > 0;
}

bool FakeFtp::Disconnect() {
    calls.push_back(L"disconnect");
    connected = false;
    return true;
}

bool FakeStartCommand::Connect(const std::wstring& address) {
    calls.push_back(L"connect " + address);
    return acceptConnection;
}

bool FakeStartCommand::SendStartCommand() {
    calls.push_back(L"send");
    return sendSucceeds;
}

bool SeamedFileSystem::FreeBytes(const std::wstring& path, uint64_t* bytes) {
    if (freeBytes) {
        *bytes = *freeBytes;
        return true;
    }
    return RunFileSystem::FreeBytes(path, bytes);
}

bool SeamedFileSystem::CopyFileTo(const std::wstring& file, const std::wstring& copy) {
    if (!RunFileSystem::CopyFileTo(file, copy)) return false;
    if (!corruptByteOfCopies || copy.size() < 4 || copy.compare(copy.size() - 4, 4, L".zip") != 0) return true;
    std::string bytes;
    if (!ReadBytes(copy, &bytes) || *corruptByteOfCopies >= bytes.size()) return true;
    bytes[*corruptByteOfCopies] ^= 0x01;
    return WriteBytes(copy, bytes);
}
