// Watching a show from outside: an X screen's pixels, input through the
// XTest extension, pictures on the root window, PNG files, and the programs
// that run under Wine. Shared by the run script's screenshot tool and the
// end-to-end tests; host only.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// Xlib's own name for a connection; its header is left out here, as its
// macros (None, Bool, Status) clash with other libraries' names.
typedef struct _XDisplay Display;

// Pixels as the program sees them: rows top-down, three bytes per pixel in
// the order blue, green, red.
struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> bgr;
    uint8_t* at(int x, int y) { return bgr.data() + (size_t(y) * width + x) * 3; }
    const uint8_t* at(int x, int y) const { return bgr.data() + (size_t(y) * width + x) * 3; }
};

// A desktop to fade over: every pixel differs from its neighbours, so a
// picture drawn one pixel off, or a stale frame, cannot pass for the right one.
Image MakeDesktop(int width, int height);

// A connection to the X display of that name; null when there is none.
Display* OpenScreen(const std::string& name);
void CloseScreen(Display* display);
// The screen's size in pixels.
int ScreenWidth(Display* display);
int ScreenHeight(Display* display);

// Makes the image the root window's background, kept after this returns.
bool ShowOnRoot(Display* display, const Image& image);
// The whole screen, or false when the server refuses or uses a pixel
// format other than 24-bit colour in 32-bit units.
bool CaptureScreen(Display* display, Image* image);
// Copies a rectangle of an image into a new one.
Image CropImage(const Image& image, int x, int y, int width, int height);

// Input as a user gives it. Buttons: 1 left, 2 middle, 3 right.
void MovePointer(Display* display, int x, int y);
void ClickButton(Display* display, int button);
// A key pressed and released, with a modifier (such as XK_Alt_L) held
// around it when one is given.
void PressKey(Display* display, unsigned long keysym, unsigned long modifier = 0);

// An 8-bit RGB PNG; false (and no file left behind) on any failure.
bool WritePng(const std::string& path, const Image& image);

// Starts argv[0] with the given working folder and extra environment
// ("NAME=value"), its output sent to /dev/null; returns its process id, or
// -1.
pid_t StartProgram(const std::vector<std::string>& argv, const std::string& folder,
                   const std::vector<std::string>& environment = {});
// Reaps the program if it has ended: true with its exit status (or 128 +
// signal) in *status.
bool ProgramEnded(pid_t pid, int* status);
// Waits up to the given time for the program to end; kills it when it does
// not, and returns false.
bool WaitForProgram(pid_t pid, int timeoutMs, int* status);

// Milliseconds on a monotonic clock.
int64_t NowMs();
