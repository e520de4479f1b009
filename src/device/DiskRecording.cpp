#include "device/DiskRecording.h"

#include <cstdio>
#include <optional>
#include <sstream>

#include "platform/File.h"
#include "platform/Text.h"

const char kDiskRecordingVariable[] = "QUILLON_DISK_RECORDING";

namespace {

bool ParseHex16(const std::string& text, uint16_t* value) {
    if (text.empty() || text.size() > 4) return false;
    unsigned v = 0;
    for (char c : text) {
        int digit = (c >= '0' && c <= '9') ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
        if (digit < 0) return false;
        v = v * 16 + static_cast<unsigned>(digit);
    }
    *value = static_cast<uint16_t>(v);
    return true;
}

// "1A2B-3C4D" -> 0x1A2B3C4D.
bool ParseVolumeSerial(const std::string& text, uint32_t* value) {
    uint16_t high = 0, low = 0;
    if (text.size() != 9 || text[4] != '-' || !ParseHex16(text.substr(0, 4), &high) ||
        !ParseHex16(text.substr(5), &low))
        return false;
    *value = static_cast<uint32_t>(high) << 16 | low;
    return true;
}

std::string ReadWholeFile(const std::wstring& path) {
    std::string text;
    FILE* f = platform::OpenFile(path, "rb");
    if (!f) return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() < (1u << 20)) text.append(buffer, n);
    fclose(f);
    return text;
}

// Re-reads the recording whenever a volume walk starts; both walks of one
// refresh then see the same machine.
class RecordingFileDiskSystem : public DiskSystem {
public:
    explicit RecordingFileDiskSystem(std::wstring path) : m_path(std::move(path)) { Reload(); }

    uint32_t FirstVolume(std::wstring* name) override {
        Reload();
        return m_machine->FirstVolume(name);
    }
    uint32_t NextVolume(std::wstring* name) override { return m_machine->NextVolume(name); }
    void CloseVolumeWalk() override { m_machine->CloseVolumeWalk(); }
    uint32_t QueryDosTarget(const std::wstring& deviceName) override {
        return m_machine->QueryDosTarget(deviceName);
    }
    uint32_t VolumePathNames(const std::wstring& volumeName, wchar_t* buffer, uint32_t length,
                             uint32_t* needed) override {
        return m_machine->VolumePathNames(volumeName, buffer, length, needed);
    }
    bool VolumeSerial(const std::wstring& volumeName, uint32_t* serial) override {
        return m_machine->VolumeSerial(volumeName, serial);
    }
    bool DeviceNumber(const std::wstring& path, uint32_t* number) override {
        return m_machine->DeviceNumber(path, number);
    }
    bool OpenDiskInterfaces() override { return m_machine->OpenDiskInterfaces(); }
    InterfaceStatus DiskInterface(uint32_t index, std::wstring* devicePath, std::wstring* parentId) override {
        return m_machine->DiskInterface(index, devicePath, parentId);
    }
    void CloseDiskInterfaces() override { m_machine->CloseDiskInterfaces(); }

private:
    void Reload() {
        m_machine = std::make_unique<RecordedDiskSystem>(ParseDiskRecording(ReadWholeFile(m_path)));
    }

    std::wstring m_path;
    std::unique_ptr<RecordedDiskSystem> m_machine;
};

}  // namespace

RecordedMachine ParseDiskRecording(const std::string& text, int* skipped) {
    RecordedMachine machine;
    int bad = 0;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        std::istringstream fields(line.substr(start));
        std::string kind, vid, pid, serial;
        fields >> kind >> vid >> pid >> serial;
        std::string mount;
        std::getline(fields >> std::ws, mount);
        // A mount path never looks like a volume serial followed by a blank.
        std::optional<uint32_t> volumeSerial;
        uint32_t number = 0;
        const size_t blank = mount.find(' ');
        const size_t next = blank == std::string::npos ? blank : mount.find_first_not_of(' ', blank);
        if (next != std::string::npos && ParseVolumeSerial(mount.substr(0, blank), &number)) {
            volumeSerial = number;
            mount.erase(0, next);
        }
        uint16_t vendor = 0, product = 0;
        if (kind != "usb" || !ParseHex16(vid, &vendor) || !ParseHex16(pid, &product) || serial.empty() ||
            mount.empty() || mount.back() != '\\') {
            ++bad;
            continue;
        }
        machine.AddUsbDisk(platform::Utf8ToWide(mount), vendor, product, platform::Utf8ToWide(serial), volumeSerial);
    }
    if (skipped) *skipped = bad;
    return machine;
}

std::unique_ptr<DiskSystem> MakeRecordingFileDiskSystem(const std::wstring& path) {
    return std::make_unique<RecordingFileDiskSystem>(path);
}
