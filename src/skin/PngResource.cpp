#include "skin/PngResource.h"

#include <objidl.h>
#include <string.h>

namespace {

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// Releases a COM stream reference at scope end.
struct StreamRef {
    IStream* p = nullptr;
    ~StreamRef() {
        if (p) p->Release();
    }
};

}  // namespace

std::unique_ptr<Gdiplus::Image> LoadPngResource(UINT id, const wchar_t* type) {
    if (!type || type == RT_BITMAP) return nullptr;
    HMODULE module = ThisModule();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!found) return nullptr;
    DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return nullptr;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    void* dest = GlobalLock(block);
    if (!dest) {
        GlobalFree(block);
        return nullptr;
    }
    memcpy(dest, bytes, size);
    GlobalUnlock(block);

    StreamRef stream;
    // fDeleteOnRelease: the stream frees the block when its last reference
    // (ours, then the image's) goes.
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream.p))) {
        GlobalFree(block);
        return nullptr;
    }
    std::unique_ptr<Gdiplus::Image> image(Gdiplus::Image::FromStream(stream.p, FALSE));
    if (!image || image->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return image;
}

PngSet::PngSet(std::initializer_list<UINT> ids) {
    for (UINT id : ids) m_images.emplace_back(id, LoadPngResource(id, PngType()));
}

Gdiplus::Image* PngSet::operator[](UINT id) const {
    for (const auto& image : m_images)
        if (image.first == id) return image.second.get();
    return nullptr;
}
