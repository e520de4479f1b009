#include "chooser/ChooserImageList.h"

#include <initializer_list>

namespace {
// An icon loaded at 16 x 16 from the program's resources, destroyed after use.
class SmallIcon {
public:
    explicit SmallIcon(UINT id)
        : m_icon(static_cast<HICON>(
              ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0))) {}
    ~SmallIcon() {
        if (m_icon) ::DestroyIcon(m_icon);
    }
    SmallIcon(const SmallIcon&) = delete;
    SmallIcon& operator=(const SmallIcon&) = delete;
    HICON Get() const { return m_icon; }

private:
    HICON m_icon;
};
}  // namespace

ChooserImageList::~ChooserImageList() {
    if (m_list) ::ImageList_Destroy(m_list);
}

bool ChooserImageList::Build(UINT driveIcon, UINT folderIcon, UINT packIcon) {
    if (m_list) ::ImageList_Destroy(m_list);
    m_list = ::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 6, 6);
    if (!m_list) return false;
    ::ImageList_SetBkColor(m_list, RGB(255, 255, 255));
    bool complete = true;
    for (UINT id : {driveIcon, folderIcon, packIcon}) {
        SmallIcon icon(id);
        for (int copy = 0; copy < 2; ++copy) complete = ::ImageList_AddIcon(m_list, icon.Get()) >= 0 && complete;
    }
    return complete;
}
