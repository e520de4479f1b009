#pragma once
// Skin images from the program's own resources.
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "skin/GdiplusInclude.h"

// Loads PNG resource `id` of resource type `type` ("PNG") from the module
// that contains this code. Returns null when the type is missing or is the
// bitmap type, or the resource cannot be found, loaded or decoded. The image
// keeps its own copy of the bytes (a stream over a global block that the
// stream frees when the image lets go of it), so it stays drawable for its
// whole life.
std::unique_ptr<Gdiplus::Image> LoadPngResource(UINT id, const wchar_t* type);

// The resource type of every skin image.
inline const wchar_t* PngType() { return L"PNG"; }

// A window's skin images, loaded together when the window is made and looked
// up by resource id.
class PngSet {
public:
    explicit PngSet(std::initializer_list<UINT> ids);
    // Null when image `id` is not in the set or did not load.
    Gdiplus::Image* operator[](UINT id) const;

private:
    std::vector<std::pair<UINT, std::unique_ptr<Gdiplus::Image>>> m_images;
};
