#include "frame_recorder.h"

#include "frame.h"
#include "import_hook.h"
#include "show_fakes.h"
#include "window.h"

#include <utility>

namespace {

decltype(&BitBlt) realBitBlt;
decltype(&CreateDIBSection) realCreateDibSection;

FrameRecorderSettings given;
FrameRecord seen;

std::vector<uint8_t> Pixels(const Surface& s)
{
    return std::vector<uint8_t>(s.bits, s.bits + size_t(s.pitch) * size_t(s.height));
}

BOOL WINAPI RecordBitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int sx, int sy, DWORD rop)
{
    const BOOL result = realBitBlt(dst, x, y, cx, cy, src, sx, sy, rop);
    if (g_splashImage.bits == nullptr && seen.frames.empty())
        seen.earlyBlits.push_back(RECT{sx, sy, cx, cy});
    if (g_splashImage.bits != nullptr && src != nullptr && g_backCopy.hBitmap != nullptr &&
        GetCurrentObject(src, OBJ_BITMAP) == g_backCopy.hBitmap)
        seen.lastRestore = SIZE{cx, cy};
    if (g_hWnd == nullptr || WindowFromDC(dst) != g_hWnd || g_backBuffer.bits == nullptr)
        return result;
    if (g_splashImage.bits == nullptr) {
        ++seen.paints;
        return result;
    }
    if (seen.frames.empty()) {
        seen.desktop = Pixels(g_backCopy);
        seen.picture = Pixels(g_splashImage);
        seen.pictureWidth = g_splashImage.width;
        seen.pictureHeight = g_splashImage.height;
        seen.backBuffer = g_backBuffer.hBitmap;
        seen.backCopy = g_backCopy.hBitmap;
        seen.splash = g_splashImage.hBitmap;
        seen.palette = g_hPalette;
    }
    // A repaint of the window shows the frame it already has: one frame.
    std::vector<uint8_t> frame = Pixels(g_backBuffer);
    if (!seen.frames.empty() && seen.frames.back() == frame)
        return result;
    seen.frames.push_back(std::move(frame));
    seen.frameRestores.push_back(seen.lastRestore);
    seen.framePresents.push_back(SIZE{cx, cy});
    seen.clockAtFrame = FastClock();
    seen.frameClocks.push_back(FastClock());
    if (seen.frames.size() == 1) {
        // As the taskbar reads it: the text stored, not narrowed on its way
        // through the window's ANSI procedure.
        wchar_t title[64] = {};
        InternalGetWindowText(g_hWnd, title, 64);
        seen.title = title;
    }
    if (int(seen.frames.size()) - 1 == given.clickAtFrame)
        PostMessageA(g_hWnd, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    return result;
}

HBITMAP WINAPI FakeCreateDibSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                    HANDLE section, DWORD offset)
{
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const bool screenSized = h.biWidth == g_screenWidth &&
                             (h.biHeight == g_screenHeight || h.biHeight == -g_screenHeight);
    if (screenSized && ((given.noBackBuffer && h.biBitCount == 32) ||
                        (given.noDesktopCopy && h.biBitCount == 24))) {
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

void ResetFrameRecorder(const FrameRecorderSettings& settings)
{
    given = settings;
    seen = FrameRecord{};
}

const FrameRecord& FramesRecorded()
{
    return seen;
}
