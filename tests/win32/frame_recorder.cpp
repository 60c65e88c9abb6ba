#include "launcher_fakes.h"

#include "import_hook.h"
#include "frame.h"
#include "window.h"

#include <utility>

namespace {

decltype(&BitBlt) realBitBlt;
decltype(&CreateDIBSection) realCreateDibSection;

std::vector<uint8_t> Pixels(const Surface& s)
{
    return std::vector<uint8_t>(s.bits, s.bits + size_t(s.pitch) * size_t(s.height));
}

BOOL WINAPI RecordBitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int sx, int sy, DWORD rop)
{
    const BOOL result = realBitBlt(dst, x, y, cx, cy, src, sx, sy, rop);
    if (g_splashImage.bits == nullptr && g_run.frames.empty())
        g_run.earlyBlits.push_back(RECT{sx, sy, cx, cy});
    if (g_splashImage.bits != nullptr && src != nullptr && g_backCopy.hBitmap != nullptr &&
        GetCurrentObject(src, OBJ_BITMAP) == g_backCopy.hBitmap)
        g_run.lastRestore = SIZE{cx, cy};
    if (g_hWnd == nullptr || WindowFromDC(dst) != g_hWnd || g_backBuffer.bits == nullptr)
        return result;
    if (g_splashImage.bits == nullptr) {
        ++g_run.paints;
        return result;
    }
    if (g_run.frames.empty()) {
        g_run.desktop = Pixels(g_backCopy);
        g_run.picture = Pixels(g_splashImage);
        g_run.pictureWidth = g_splashImage.width;
        g_run.pictureHeight = g_splashImage.height;
        g_run.backBuffer = g_backBuffer.hBitmap;
        g_run.backCopy = g_backCopy.hBitmap;
        g_run.splash = g_splashImage.hBitmap;
        g_run.palette = g_hPalette;
    }
    // A repaint of the window shows the frame it already has: one frame.
    std::vector<uint8_t> frame = Pixels(g_backBuffer);
    if (!g_run.frames.empty() && g_run.frames.back() == frame)
        return result;
    g_run.frames.push_back(std::move(frame));
    g_run.frameRestores.push_back(g_run.lastRestore);
    g_run.framePresents.push_back(SIZE{cx, cy});
    g_run.clockAtFrame = g_clock;
    g_run.frameClocks.push_back(g_clock);
    if (g_run.frames.size() == 1) {
        // As the taskbar reads it: the text stored, not narrowed on its way
        // through the window's ANSI procedure.
        wchar_t title[64] = {};
        InternalGetWindowText(g_hWnd, title, 64);
        g_run.title = title;
    }
    if (int(g_run.frames.size()) - 1 == g_run.clickAtFrame)
        PostMessageA(g_hWnd, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    return result;
}

HBITMAP WINAPI FakeCreateDibSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                    HANDLE section, DWORD offset)
{
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const bool screenSized = h.biWidth == g_screenWidth &&
                             (h.biHeight == g_screenHeight || h.biHeight == -g_screenHeight);
    if (screenSized && ((g_run.noBackBuffer && h.biBitCount == 32) ||
                        (g_run.noDesktopCopy && h.biBitCount == 24))) {
        if (bits != nullptr)
            *bits = nullptr;
        return nullptr;
    }
    return realCreateDibSection(dc, info, usage, bits, section, offset);
}

}  // namespace

bool InstallFrameRecorder()
{
    return InstallImportHooks({
        {realBitBlt, "gdi32.dll", "BitBlt", &RecordBitBlt},
        {realCreateDibSection, "gdi32.dll", "CreateDIBSection", &FakeCreateDibSection},
    });
}

std::string FirstWrongPixel(const ShowRun& r, const std::vector<uint8_t>& frame, int level)
{
    const int width = r.screenWidth, height = r.screenHeight;
    const int pitch = width * 4, copyPitch = (width * 3 + 3) & ~3;
    const int left = (width - r.pictureWidth) / 2, top = (height - r.pictureHeight) / 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* d = &r.desktop[size_t(y) * copyPitch + size_t(x) * 3];
            const uint8_t* got = &frame[size_t(y) * pitch + size_t(x) * 4];
            const int px = x - left, py = y - top;
            const bool inside = px >= 0 && px < r.pictureWidth && py >= 0 && py < r.pictureHeight;
            const uint8_t* s = inside ? &r.picture[(size_t(py) * r.pictureWidth + px) * 4] : nullptr;
            const int w = inside ? (s[3] * level) >> 8 : 0;
            for (int c = 0; c < 3; ++c) {
                const int want = ((d[c] * (256 - w)) >> 8) + (inside ? (s[c] * w) >> 8 : 0);
                if (got[c] != want)
                    return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") byte " +
                           std::to_string(c) + " is " + std::to_string(got[c]) + ", expected " +
                           std::to_string(want);
            }
        }
    return "";
}
