#include "progress/ScrollDlg.h"

#include "progress/BannerText.h"
#include "progress/ProgressLayout.h"
#include "res/resource.h"
#include "skin/Fonts.h"
#include "skin/GdiHandles.h"
#include "skin/PngResource.h"

namespace {
constexpr UINT kBackground = 273, kTrack = 274, kBarMiddle = 235, kBarLeft = 276, kBarRight = 275,
               kSuccess = 284, kFailure = 283;
constexpr int kOwnerOffsetY = 46;       // the window sits this far below the owner's top
constexpr int kLayeredWidthShrink = 3;  // pushed 3 pixels narrower than the background
constexpr DWORD kFullProgressPause = 2000;
constexpr DWORD kCloseDelay = 4000;
const Gdiplus::Color kWhite(255, 255, 255, 255);

Gdiplus::RectF RectF(double x, double y, double w, double h) {
    return Gdiplus::RectF(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y),
                          static_cast<Gdiplus::REAL>(w), static_cast<Gdiplus::REAL>(h));
}

int WidthOf(Gdiplus::Image* image) { return image ? static_cast<int>(image->GetWidth()) : 0; }
int HeightOf(Gdiplus::Image* image) { return image ? static_cast<int>(image->GetHeight()) : 0; }
}  // namespace

CScrollDlg::CScrollDlg(CWnd* parent)
    : CDialog(IDD_PROGRESS_DIALOG, parent),
      m_images{kBackground, kTrack, kBarMiddle, kBarLeft, kBarRight, kSuccess, kFailure} {}

CScrollDlg::~CScrollDlg() {
    // The window (if any) goes first, while the images still exist.
    PublishDrawTarget(nullptr);
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

LRESULT CScrollDlg::OnCreate(WPARAM wParam, LPARAM lParam) {
    if (CDialog::WindowProc(WM_CREATE, wParam, lParam) == -1) return -1;
    m_nWidth = WidthOf(m_images[kBackground]);
    m_nHeight = HeightOf(m_images[kBackground]);
    return 0;
}

BOOL CScrollDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    RECT owner{};
    HWND ownerWnd = m_parent ? m_parent->GetSafeHwnd() : nullptr;
    if (ownerWnd) ::GetWindowRect(ownerWnd, &owner);
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        m_dProgress = 0.0;
        m_strMessage.clear();
    }
    // Placed first, then drawn: the draw gives the window its final size
    // (the background's), so it never shows at the owner's size with an
    // undrawn lower part.
    if (ownerWnd)
        MoveWindow(owner.left, owner.top + kOwnerOffsetY, owner.right - owner.left, owner.bottom - owner.top, TRUE);
    DrawProgress(m_hWnd, 255);
    // From here on the worker draws and posts.
    PublishDrawTarget(m_hWnd);
    return TRUE;
}

void CScrollDlg::PublishDrawTarget(HWND hwnd) {
    {
        std::lock_guard<std::mutex> lock(m_windowLock);
        m_hDrawTarget.store(hwnd);
        if (!hwnd) m_closePending = false;  // a close for a window that is gone is void
        if (hwnd && m_closePending) {
            m_closePending = false;
            ::PostMessageW(hwnd, WM_SCROLLDLG_CLOSE, 0, 0);
        }
    }
    m_windowChanged.notify_all();
}

void CScrollDlg::BeginRun() {
    {
        std::lock_guard<std::mutex> lock(m_windowLock);
        m_modalEnded = false;
        m_closePending = false;
    }
    // Whatever the last run left, even one whose window never came up: no
    // Enter is awaited and the bar starts empty.
    m_bWaitEnter = false;
    std::lock_guard<std::mutex> lock(m_stateLock);
    m_dProgress = 0.0;
    m_strMessage.clear();
}

INT_PTR CScrollDlg::DoModal() {
    INT_PTR result = CDialog::DoModal();
    {
        std::lock_guard<std::mutex> lock(m_windowLock);
        m_modalEnded = true;
    }
    m_windowChanged.notify_all();
    return result;
}

bool CScrollDlg::WaitUntilShown(DWORD ms) {
    std::unique_lock<std::mutex> lock(m_windowLock);
    m_windowChanged.wait_for(lock, std::chrono::milliseconds(ms),
                             [this] { return m_hDrawTarget.load() != nullptr || m_modalEnded; });
    return m_hDrawTarget.load() != nullptr;
}

LRESULT CScrollDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate(wParam, lParam);
        case WM_SCROLLDLG_CLOSE:
            OnOK();
            return 0;
        case WM_DESTROY:
            PublishDrawTarget(nullptr);
            return CDialog::WindowProc(msg, wParam, lParam);
        default:
            return CDialog::WindowProc(msg, wParam, lParam);
    }
}

BOOL CScrollDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message != WM_KEYDOWN) return CDialog::PreTranslateMessage(msg);
    if (msg->wParam == VK_RETURN) {
        if (m_bWaitEnter.exchange(false)) OnOK();
        return TRUE;
    }
    if (msg->wParam == VK_ESCAPE) return TRUE;
    return CDialog::PreTranslateMessage(msg);
}

void CScrollDlg::SetProgress(double fraction, const std::wstring& message) {
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        m_dProgress = fraction;
        m_strMessage = message;
    }
    Redraw(255);
    if (fraction >= 1.0) ::Sleep(kFullProgressPause);
}

void CScrollDlg::ShowResult(BOOL success) { DrawResult(m_hDrawTarget.load(), success != FALSE); }

void CScrollDlg::CloseAfterDelay() {
    ::Sleep(kCloseDelay);
    std::lock_guard<std::mutex> lock(m_windowLock);
    if (HWND hwnd = m_hDrawTarget.load())
        ::PostMessageW(hwnd, WM_SCROLLDLG_CLOSE, 0, 0);
    else if (!m_modalEnded)
        m_closePending = true;  // the window is still coming: it closes when it is up
}

BOOL CScrollDlg::Redraw(int opacityPercent) { return DrawProgress(m_hDrawTarget.load(), opacityPercent); }

template <typename Paint>
BOOL CScrollDlg::Compose(HWND hwnd, BYTE constantAlpha, Paint paint) {
    if (!hwnd || m_nWidth <= 0 || m_nHeight <= 0) return FALSE;
    std::lock_guard<std::mutex> lock(m_drawLock);
    WindowDC windowDC(hwnd);
    MemoryDC memDC(windowDC.Get());
    // A premultiplied 32-bit surface: what UpdateLayeredWindow's per-pixel
    // alpha expects.
    DibSection surface(windowDC.Get(), m_nWidth, m_nHeight);
    if (!windowDC || !memDC || !surface) return FALSE;
    SelectScope select(memDC.Get(), surface.Get());
    {
        Gdiplus::Bitmap canvas(m_nWidth, m_nHeight, m_nWidth * 4, PixelFormat32bppPARGB,
                               static_cast<BYTE*>(surface.Bits()));
        Gdiplus::Graphics g(&canvas);
        if (m_images[kBackground]) {
            const Gdiplus::Point corners[3] = {{0, 0}, {m_nWidth, 0}, {0, m_nHeight}};
            g.DrawImage(m_images[kBackground], corners, 3);
        }
        paint(g);
    }
    ::GdiFlush();

    LONG_PTR ex = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED)) ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    RECT window;
    ::GetWindowRect(hwnd, &window);
    WindowDC screenDC(hwnd);
    POINT dest{window.left, window.top};
    SIZE size{m_nWidth - kLayeredWidthShrink, m_nHeight};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, constantAlpha, AC_SRC_ALPHA};
    return ::UpdateLayeredWindow(hwnd, screenDC.Get(), &dest, &size, memDC.Get(), &source, 0, &blend,
                                    ULW_ALPHA);
}

BOOL CScrollDlg::DrawProgress(HWND hwnd, int opacityPercent) {
    double fraction;
    std::wstring message;
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        fraction = m_dProgress;
        message = m_strMessage;
    }
    const BYTE alpha = static_cast<BYTE>(progress::ConstantAlpha(opacityPercent));
    return Compose(hwnd, alpha, [&](Gdiplus::Graphics& g) {
        const int trackW = WidthOf(m_images[kTrack]), trackH = HeightOf(m_images[kTrack]);
        const progress::Point track = progress::Centred(m_nWidth, m_nHeight, trackW, trackH);
        if (m_images[kTrack]) g.DrawImage(m_images[kTrack], track.x, track.y, trackW, trackH);

        const int x0 = track.x + 2, y0 = track.y + 2;
        const int tileW = WidthOf(m_images[kBarMiddle]), tileH = HeightOf(m_images[kBarMiddle]);
        const int count = progress::FillTileCount(trackW, tileW, fraction);
        for (const progress::TilePlacement& t : progress::FillTiles(count, x0, tileW, fraction)) {
            Gdiplus::Image* image = t.tile == progress::Tile::Left     ? m_images[kBarLeft]
                                    : t.tile == progress::Tile::Middle ? m_images[kBarMiddle]
                                                                       : m_images[kBarRight];
            if (image) g.DrawImage(image, t.x, y0, tileW, tileH);
        }

        const std::wstring text = progress::ProgressText(message, fraction);
        g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        Gdiplus::StringFormat format(Gdiplus::StringFormatFlagsNoFitBlackBox);
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
        Gdiplus::SolidBrush white(kWhite);
        if (auto font = CreateSkinFont(14.0f, Gdiplus::UnitPixel))
            g.DrawString(text.c_str(), static_cast<INT>(text.size()), font.get(),
                         RectF(x0, y0 + trackH, trackW, 24.0), &format, &white);
    });
}

BOOL CScrollDlg::DrawResult(HWND hwnd, bool success) {
    return Compose(hwnd, 255, [&](Gdiplus::Graphics& g) {
        const int iconW = WidthOf(m_images[kSuccess]), iconH = HeightOf(m_images[kSuccess]);
        const progress::Point icon = progress::ResultIconOrigin(m_nWidth, m_nHeight, iconW, iconH);
        if (Gdiplus::Image* image = success ? m_images[kSuccess] : m_images[kFailure])
            g.DrawImage(image, icon.x, icon.y, iconW, iconH);

        g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        Gdiplus::StringFormat format;
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
        Gdiplus::SolidBrush white(kWhite);
        const wchar_t* headline = success ? banner::kSuccess : banner::kFailure;
        if (auto font = CreateSkinFont(20.0f, Gdiplus::UnitPixel))
            g.DrawString(headline, -1, font.get(), RectF(icon.x + iconW + 8, icon.y, 220.0, iconH), &format,
                         &white);
        if (auto font = CreateSkinFont(12.0f, Gdiplus::UnitPixel))
            g.DrawString(L"按Enter键退出...", -1, font.get(), RectF(icon.x + iconW + 178, icon.y + iconH, 100.0, iconH),
                         &format, &white);
    });
}
