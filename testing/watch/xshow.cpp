#include "xshow.h"
#include "png_io.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

Image MakeDesktop(int width, int height)
{
    Image image{width, height, std::vector<uint8_t>(size_t(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // A soft diagonal gradient for the eye, with a hashed grain on
            // top for the tests.
            uint32_t h = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u;
            h ^= h >> 15;
            h *= 0x2C1B3C6Du;
            h ^= h >> 12;
            uint8_t* p = image.at(x, y);
            p[0] = uint8_t(96 + (x * 96) / width + (h & 31));
            p[1] = uint8_t(64 + (y * 96) / height + ((h >> 8) & 31));
            p[2] = uint8_t(48 + ((x + y) * 64) / (width + height) + ((h >> 16) & 31));
        }
    return image;
}

Display* OpenScreen(const std::string& name)
{
    return XOpenDisplay(name.c_str());
}

void CloseScreen(Display* display)
{
    XCloseDisplay(display);
}

int ScreenWidth(Display* display)
{
    return DisplayWidth(display, DefaultScreen(display));
}

int ScreenHeight(Display* display)
{
    return DisplayHeight(display, DefaultScreen(display));
}

bool ShowOnRoot(Display* display, const Image& image)
{
    // A connection of its own whose resources outlive it: the background
    // must stay when this program has long gone.
    Display* own = XOpenDisplay(DisplayString(display));
    if (own == nullptr)
        return false;
    const int screen = DefaultScreen(own);
    if (DefaultDepth(own, screen) != 24) {
        XCloseDisplay(own);
        return false;
    }
    Window root = RootWindow(own, screen);
    Pixmap pixmap = XCreatePixmap(own, root, unsigned(image.width), unsigned(image.height), 24);
    std::vector<uint32_t> pixels(size_t(image.width) * image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.at(x, y);
            pixels[size_t(y) * image.width + x] = uint32_t(p[2]) << 16 | p[1] << 8 | p[0];
        }
    XImage* ximage = XCreateImage(own, DefaultVisual(own, screen), 24, ZPixmap, 0,
                                  reinterpret_cast<char*>(pixels.data()), unsigned(image.width),
                                  unsigned(image.height), 32, image.width * 4);
    GC gc = XCreateGC(own, pixmap, 0, nullptr);
    XPutImage(own, pixmap, gc, ximage, 0, 0, 0, 0, unsigned(image.width), unsigned(image.height));
    XFreeGC(own, gc);
    ximage->data = nullptr;  // the vector owns the pixels
    XDestroyImage(ximage);
    XSetWindowBackgroundPixmap(own, root, pixmap);
    XClearWindow(own, root);
    XSetCloseDownMode(own, RetainPermanent);
    XCloseDisplay(own);
    XSync(display, False);
    return true;
}

bool CaptureScreen(Display* display, Image* image)
{
    const int screen = DefaultScreen(display);
    const int width = DisplayWidth(display, screen), height = DisplayHeight(display, screen);
    XImage* ximage = XGetImage(display, RootWindow(display, screen), 0, 0, unsigned(width),
                               unsigned(height), AllPlanes, ZPixmap);
    if (ximage == nullptr)
        return false;
    const bool usable = ximage->bits_per_pixel == 32 && ximage->red_mask == 0xFF0000 &&
                        ximage->green_mask == 0xFF00 && ximage->blue_mask == 0xFF &&
                        ximage->byte_order == LSBFirst;
    if (usable) {
        image->width = width;
        image->height = height;
        image->bgr.resize(size_t(width) * height * 3);
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = reinterpret_cast<uint8_t*>(ximage->data) +
                                 size_t(y) * size_t(ximage->bytes_per_line);
            uint8_t* dst = image->at(0, y);
            for (int x = 0; x < width; ++x, src += 4, dst += 3) {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
            }
        }
    }
    XDestroyImage(ximage);
    return usable;
}

Image CropImage(const Image& image, int x, int y, int width, int height)
{
    Image out{width, height, std::vector<uint8_t>(size_t(width) * height * 3)};
    for (int row = 0; row < height; ++row)
        std::memcpy(out.at(0, row), image.at(x, y + row), size_t(width) * 3);
    return out;
}

void MovePointer(Display* display, int x, int y)
{
    XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
    XSync(display, False);
}

void ClickButton(Display* display, int button)
{
    XTestFakeButtonEvent(display, unsigned(button), True, CurrentTime);
    XTestFakeButtonEvent(display, unsigned(button), False, 30);
    XSync(display, False);
}

void PressKey(Display* display, unsigned long keysym, unsigned long modifier)
{
    const KeyCode held = modifier != 0 ? XKeysymToKeycode(display, modifier) : 0;
    const KeyCode code = XKeysymToKeycode(display, keysym);
    if (held != 0)
        XTestFakeKeyEvent(display, held, True, CurrentTime);
    XTestFakeKeyEvent(display, code, True, held != 0 ? 30 : CurrentTime);
    XTestFakeKeyEvent(display, code, False, 30);
    if (held != 0)
        XTestFakeKeyEvent(display, held, False, 30);
    XSync(display, False);
}

bool WritePng(const std::string& path, const Image& image)
{
    RgbaImage rgba;
    rgba.width = image.width;
    rgba.height = image.height;
    rgba.rgba.resize(size_t(image.width) * size_t(image.height) * 4);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.at(x, y);
            uint8_t* q = rgba.at(x, y);
            q[0] = p[2], q[1] = p[1], q[2] = p[0], q[3] = 0xFF;
        }
    std::string error;
    return ::WritePng(path, rgba, &error);
}

pid_t StartProgram(const std::vector<std::string>& argv, const std::string& folder,
                   const std::vector<std::string>& environment)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0)
            _exit(126);
        for (const std::string& e : environment)
            putenv(const_cast<char*>(e.c_str()));
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

bool ProgramEnded(pid_t pid, int* status)
{
    int raw = 0;
    if (waitpid(pid, &raw, WNOHANG) != pid)
        return false;
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return true;
}

bool WaitForProgram(pid_t pid, int timeoutMs, int* status)
{
    const int64_t end = NowMs() + timeoutMs;
    while (NowMs() < end) {
        if (ProgramEnded(pid, status))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    int raw = 0;
    waitpid(pid, &raw, 0);
    return false;
}

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
