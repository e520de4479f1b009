#pragma once
// The run's file operations with a disk copy that reports its bytes: the
// pack goes to the terminal's disk in 64 KiB chunks, each one reported, and
// a copy that fails part way is removed (the terminal must never find half
// a pack). Everything else is the platform layer's, as in the window.
#include "app/RunServices.h"
#include "cli/DeliveryFactory.h"

class ChunkedCopyFileSystem : public RunFileSystem {
public:
    explicit ChunkedCopyFileSystem(ByteProgress bytes) : m_bytes(std::move(bytes)) {}
    bool CopyFileTo(const std::wstring& file, const std::wstring& target) override;

private:
    ByteProgress m_bytes;
};
