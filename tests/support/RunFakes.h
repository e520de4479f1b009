#pragma once
// Stand-ins for the upgrade run's window and connections: they record what
// the run did so tests can compare it with the expected sequence.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/ProgressSink.h"
#include "app/RunServices.h"

// Records every report as one line: "0.2|text", "close", "banner ok",
// "banner failed", "enter".
class RecordingProgress : public IProgressSink {
public:
    void SetProgress(double fraction, const std::wstring& message) override;
    void CloseAfterDelay() override { events.push_back(L"close"); }
    void ShowResult(bool success) override { events.push_back(success ? L"banner ok" : L"banner failed"); }
    void CloseOnEnter() override { events.push_back(L"enter"); }

    std::vector<std::wstring> events;
};

// An FTP server in memory: uploads land in `files` by remote path, with the
// local file's bytes at the moment of the upload.
class FakeFtp : public IFtpSession {
public:
    bool Connect(const std::wstring& host, int port, const std::wstring& user, const std::wstring& password) override;
    bool ChangeDirectory(const std::wstring& dir) override;
    bool PutFile(const std::wstring& localPath, const std::wstring& remotePath, bool transfer) override;
    SizeAnswer QueryRemoteFileSize(const std::wstring& remotePath, uint64_t* size) override;
    bool DeleteRemoteFile(const std::wstring& remotePath) override;
    bool Disconnect() override;

    bool acceptLogin = true;
    bool answersSize = true;             // false: a server without SIZE (it answers 500)
    // A SIZE of a missing file: 550 (false: a server that answers something
    // else, or a connection that drops at that moment).
    bool sizeOfMissingIs550 = true;
    size_t storedBytesLimit = SIZE_MAX;  // uploads are cut to this many bytes while reporting success
    // A call whose text (as in `calls`) begins with one of these is refused
    // and changes nothing (a SIZE of a missing file still answers 550).
    std::vector<std::wstring> refusedCalls;
    // Uploads whose remote path contains `cutUploadsContaining` break off
    // after this many bytes: those stay on the server, the upload fails.
    std::optional<size_t> cutUploadAfter;
    std::wstring cutUploadsContaining = L"Pack.zip";
    int64_t sizeSkew = 0;                // added to every SIZE answer
    std::vector<std::wstring> calls;     // "connect host:port user password", "cd dir", "put remote", "size remote", "delete remote", "disconnect"
    std::map<std::wstring, std::string> files;
    bool connected = false;

private:
    bool Refused() const;  // the call just recorded
};

class FakeStartCommand : public IStartCommand {
public:
    bool Connect(const std::wstring& address) override;
    bool SendStartCommand() override;
    void Close() override { calls.push_back(L"close"); }

    bool acceptConnection = true;
    bool sendSucceeds = true;
    std::vector<std::wstring> calls;
};

// The platform's file operations with a seam for free space.
class SeamedFileSystem : public RunFileSystem {
public:
    bool FreeBytes(const std::wstring& path, uint64_t* bytes) override;
    bool CopyFileTo(const std::wstring& file, const std::wstring& target) override;

    std::optional<uint64_t> freeBytes;  // unset: ask the system
    // A disk that spoils what it stores: this byte of every copied .zip is
    // flipped after the copy reported success.
    std::optional<size_t> corruptByteOfCopies;
};
