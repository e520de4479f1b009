// The main window's picture, drawn off-screen and copied in one block, for
// WM_PAINT and for WM_PRINTCLIENT (the skinned buttons' background).
#include "app/MainDialogLayout.h"
#include "app/UpgradeDialogEx.h"
#include "skin/GdiHandles.h"

namespace {

constexpr Gdiplus::ARGB kWhite = 0xFFFFFFFF;
constexpr Gdiplus::ARGB kBlack = 0xFF000000;

Gdiplus::RectF BoxOf(const RECT& r) {
    return Gdiplus::RectF(static_cast<Gdiplus::REAL>(r.left), static_cast<Gdiplus::REAL>(r.top),
                          static_cast<Gdiplus::REAL>(r.right - r.left), static_cast<Gdiplus::REAL>(r.bottom - r.top));
}

void DrawImageAt(Gdiplus::Graphics& g, Gdiplus::Image* image, POINT at) {
    if (image)
        g.DrawImage(image, at.x, at.y, static_cast<INT>(image->GetWidth()), static_cast<INT>(image->GetHeight()));
}

void DrawText(Gdiplus::Graphics& g, const std::wstring& text, Gdiplus::Font* font, Gdiplus::ARGB colour,
              const Gdiplus::RectF& box, const Gdiplus::StringFormat* format = nullptr) {
    if (!font || text.empty()) return;
    Gdiplus::SolidBrush brush{Gdiplus::Color(colour)};
    g.DrawString(text.c_str(), static_cast<INT>(text.size()), font, box, format, &brush);
}

}  // namespace

void CUpgradeDialogEx::DrawPicture(Gdiplus::Graphics& g) {
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    const bool usb = m_selection.connectionMode == kConnectionUsb;

    DrawImageAt(g, m_images[IDP_MAIN_BACKGROUND], {0, 0});
    DrawImageAt(g, m_images[IDP_DECORATION], layout::kDecorationAt);
    DrawText(g, usb ? L"终端U盘路径:" : L"IP地址:", m_labelFont.get(), kBlack, BoxOf(layout::kLabelBox));

    wchar_t title[128] = {};
    ::GetWindowTextW(m_hWnd, title, 128);
    DrawText(g, title, m_titleFont.get(), kWhite, BoxOf(layout::kTitleBox));
    DrawText(g, m_versionText, m_versionFont.get(), kWhite, BoxOf(layout::kVersionBox));
    if (m_iconBitmap) {
        const RECT& r = layout::kIconBox;
        g.DrawImage(m_iconBitmap.get(), static_cast<INT>(r.left), static_cast<INT>(r.top), static_cast<INT>(r.right - r.left),
                    static_cast<INT>(r.bottom - r.top));
    }

    if (!usb && m_selection.addressEntered)
        DrawImageAt(g, m_selection.addressValid ? m_images[IDP_ADDRESS_VALID] : m_images[IDP_ADDRESS_INVALID],
                    layout::kAddressMarkAt);

    if (m_images[IDP_PATH_FIELD]) {
        DrawImageAt(g, m_images[IDP_PATH_FIELD], layout::kPathFieldAt);
        Gdiplus::StringFormat format;
        format.SetAlignment(Gdiplus::StringAlignmentNear);
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
        format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
        Gdiplus::RectF box(static_cast<Gdiplus::REAL>(layout::kPathFieldAt.x + layout::kPathTextInset),
                           static_cast<Gdiplus::REAL>(layout::kPathFieldAt.y),
                           static_cast<Gdiplus::REAL>(m_images[IDP_PATH_FIELD]->GetWidth() - 2 * layout::kPathTextInset),
                           static_cast<Gdiplus::REAL>(m_images[IDP_PATH_FIELD]->GetHeight()));
        DrawText(g, m_selection.displayedPackPath, m_labelFont.get(), kWhite, box, &format);
    }

    if (!usb) DrawImageAt(g, m_images[IDP_ADDRESS_FIELD], layout::kAddressFieldAt);
}

void CUpgradeDialogEx::PaintWindow(HDC dc) {
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int w = client.right - client.left, h = client.bottom - client.top;
    if (w <= 0 || h <= 0) return;
    MemoryDC memory(dc);
    GdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(dc, w, h));
    if (!memory || !bitmap) return;
    {
        SelectScope select(memory.Get(), bitmap.Get());
        {
            Gdiplus::Graphics g(memory.Get());
            DrawPicture(g);
        }
        ::BitBlt(dc, 0, 0, w, h, memory.Get(), 0, 0, SRCCOPY);
    }
}
