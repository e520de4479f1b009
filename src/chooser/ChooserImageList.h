#pragma once
// The chooser tree's icons: 16 x 16, drive (0, 1), folder (2, 3) and pack
// (4, 5), each icon twice so an item's normal and selected images differ in
// index only.
#include <windows.h>

#include <commctrl.h>

enum ChooserImage { kDriveImage = 0, kFolderImage = 2, kPackImage = 4 };

class ChooserImageList {
public:
    ChooserImageList() = default;
    ~ChooserImageList();
    ChooserImageList(const ChooserImageList&) = delete;
    ChooserImageList& operator=(const ChooserImageList&) = delete;

    // Builds the list from the icon resources of the program; false when
    // the list cannot be made or an icon is missing.
    bool Build(UINT driveIcon, UINT folderIcon, UINT packIcon);
    HIMAGELIST Get() const { return m_list; }

private:
    HIMAGELIST m_list = nullptr;
};
