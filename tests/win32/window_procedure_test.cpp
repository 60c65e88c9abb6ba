// The window procedure and the wait, on a real window under Wine.
#include "display.h"
#include "window.h"
#include "surface_checks.h"

#include <gtest/gtest.h>

namespace {

// The window procedure and the wait on a window of their own.
class WindowProcedure : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = LauncherWndProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        windowClass.lpszClassName = "OrvelineTest";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "OrvelineTest", "", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    static void TearDownTestSuite()
    {
        DestroyWindow(window_);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        UnregisterClassA("OrvelineTest", GetModuleHandleA(nullptr));
    }
    void SetUp() override
    {
        ASSERT_NE(window_, nullptr);
        g_skipRequested = 0;
        Drain();
    }
    static void Drain()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    // Posts messages the test can count afterwards.
    static void PostMarkers(int count)
    {
        for (int i = 0; i < count; ++i)
            PostMessageA(window_, WM_APP, 0, 0);
    }
    static int CountLeft(UINT message)
    {
        int n = 0;
        MSG msg;
        while (PeekMessageA(&msg, window_, message, message, PM_REMOVE))
            ++n;
        return n;
    }
    static HWND window_;
};
HWND WindowProcedure::window_;

TEST_F(WindowProcedure, WaitOfNoTimeTakesNoMessage)
{
    PostMarkers(2);
    WaitWithMessages(0);
    EXPECT_EQ(CountLeft(WM_APP), 2);
}

TEST_F(WindowProcedure, SkipAlreadyRequestedTakesOneMessageAndReturns)
{
    PostMarkers(3);
    g_skipRequested = 1;
    const DWORD start = GetTickCount();
    WaitWithMessages(60000);
    EXPECT_LT(GetTickCount() - start, 30000u);
    EXPECT_EQ(CountLeft(WM_APP), 2);
}

TEST_F(WindowProcedure, KeyPressEndsTheWaitRightAfterItsTurn)
{
    PostMarkers(1);
    PostMessageA(window_, WM_KEYDOWN, VK_SPACE, 1);
    PostMarkers(2);
    WaitWithMessages(60000);
    EXPECT_EQ(g_skipRequested, 1);
    EXPECT_EQ(CountLeft(WM_APP), 2) << "the wait went on after the key";
}

// Only a key press and the left and right buttons ask for a skip.
TEST_F(WindowProcedure, OnlyKeyPressesAndLeftOrRightClicksSetTheFlag)
{
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        int skips;
    } cases[] = {
        {WM_KEYDOWN, 'A', 1, 1},
        {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5), 1},
        {WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5), 1},
        {WM_KEYUP, 'A', LPARAM(0xC0000001), 0},
        {WM_CHAR, 'a', 1, 0},
        {WM_SYSKEYDOWN, 'A', LPARAM(0x20000001), 0},
        {WM_SYSKEYUP, 'A', LPARAM(0xE0000001), 0},
        {WM_SYSCHAR, 'a', LPARAM(0x20000001), 0},
        {WM_MOUSEMOVE, 0, MAKELPARAM(7, 9), 0},
        {WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5), 0},
        {WM_MBUTTONUP, 0, MAKELPARAM(5, 5), 0},
        {WM_LBUTTONUP, 0, MAKELPARAM(5, 5), 0},
        {WM_RBUTTONUP, 0, MAKELPARAM(5, 5), 0},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5), 0},
    };
    for (const auto& c : cases) {
        g_skipRequested = 0;
        PostMessageA(window_, c.message, c.wParam, c.lParam);
        WaitWithMessages(100);
        Drain();
        EXPECT_EQ(g_skipRequested, c.skips) << "message 0x" << std::hex << c.message;
    }
}

// The back buffer, when there is one, is what the window shows; after the
// display is gone a paint draws nothing, yet the window is left valid.
TEST_F(WindowProcedure, PaintShowsTheBackBufferAndNothingOnceItIsGone)
{
    auto pixelAt = [](int x, int y) {
        HDC dc = GetDC(window_);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(window_, dc);
        return c;
    };
    const HWND saved = g_hWnd;
    g_hWnd = window_;
    g_screenWidth = 64;
    g_screenHeight = 48;
    InitDisplay(g_hWnd);
    ASSERT_NE(g_backBuffer.bits, nullptr);
    FillSurfaceRect(&g_backBuffer, RECT{0, 0, 64, 48}, RGB(10, 200, 30));
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
    EXPECT_EQ(pixelAt(40, 30), RGB(10, 200, 30));

    ShutdownDisplay();
    HDC dc = GetDC(window_);
    HBRUSH brush = CreateSolidBrush(RGB(90, 20, 140));
    RECT all{0, 0, 64, 48};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(window_, dc);
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
    EXPECT_EQ(pixelAt(40, 30), RGB(90, 20, 140));
    RECT update;
    EXPECT_FALSE(GetUpdateRect(window_, &update, FALSE)) << "WM_PAINT left the window invalid";
    g_hWnd = saved;
}

// With a back buffer to paint, the erase leaves the context as it was and
// says it is done, so that no white from the class's brush can reach the
// screen before the paint; without one the default erase stays.
TEST_F(WindowProcedure, EraseLeavesTheScreenToThePaint)
{
    const HWND saved = g_hWnd;
    g_hWnd = window_;
    g_screenWidth = 64;
    g_screenHeight = 48;
    for (bool backBuffer : {true, false}) {
        SCOPED_TRACE(backBuffer ? "a back buffer" : "none");
        if (backBuffer)
            InitDisplay(g_hWnd);
        HDC screen = GetDC(nullptr);
        HDC memDc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 64, 48);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(memDc, bitmap);
        HBRUSH brush = CreateSolidBrush(RGB(90, 20, 140));
        RECT all{0, 0, 64, 48};
        FillRect(memDc, &all, brush);
        DeleteObject(brush);
        EXPECT_NE(LauncherWndProc(window_, WM_ERASEBKGND, (WPARAM)memDc, 0), 0);
        EXPECT_EQ(GetPixel(memDc, 40, 30), backBuffer ? RGB(90, 20, 140) : RGB(255, 255, 255));
        SelectObject(memDc, old);
        DeleteObject(bitmap);
        DeleteDC(memDc);
        ShutdownDisplay();
    }
    g_hWnd = saved;
}

// WM_CLOSE releases the display and destroys the window, whose destruction
// posts the quit message.
TEST_F(WindowProcedure, CloseReleasesTheDisplayAndDestroysTheWindow)
{
    HWND own = CreateWindowExA(0, "OrvelineTest", "", WS_POPUP, 0, 0, 32, 32, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(own, nullptr);
    const HWND saved = g_hWnd;
    g_hWnd = own;
    InitDisplay(g_hWnd);
    const HBITMAP backBuffer = g_backBuffer.hBitmap;
    const HPALETTE palette = g_hPalette;
    ASSERT_NE(backBuffer, nullptr);
    EXPECT_EQ(SendMessageA(own, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(own));
    EXPECT_TRUE(IsAllZero(g_backBuffer));
    EXPECT_EQ(GetObjectType(backBuffer), 0u);
    EXPECT_EQ(GetObjectType(palette), 0u);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    g_hWnd = saved;
}

}  // namespace
