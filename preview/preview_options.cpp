// show_preview's command line.
#include "preview.h"
#include "product_record.h"

#include <algorithm>
#include <iterator>

namespace {

// Whole decimal numbers only: no sign, no spaces, nothing after.
bool ParseNumber(const std::string& text, int32_t limit, int32_t* value)
{
    if (text.empty() || text.size() > 9)
        return false;
    int64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    if (n > limit)
        return false;
    *value = int32_t(n);
    return true;
}

// The value of an option that takes one, into its field; false, *error
// saying why, for a value the option refuses.
bool TakeOptionValue(const std::string& arg, const std::string& value, PreviewOptions* options,
                     std::string* error)
{
    if (arg == "--pictures") {
        options->picturesDir = value;
    } else if (arg == "--tal800") {
        options->smallFile = value;
    } else if (arg == "--tal1280") {
        options->largeFile = value;
    } else if (arg == "--background") {
        options->background = value;
    } else if (arg == "--all-frames") {
        options->allFramesDir = value;
    } else if (arg == "--tal1280x2") {
        options->largeTwiceFile = value;
    } else if (arg == "--frame") {
        if (!ParseNumber(value, 256, &options->frameLevel)) {
            *error = "--frame wants a level from 0 to 256, not " + value;
            return false;
        }
    } else if (arg == "--fade-in" || arg == "--hold" || arg == "--fade-out") {
        // A minute at the most: anything longer keeps the installer
        // waiting for no reason a user would accept.
        int32_t ms = 0;
        if (!ParseNumber(value, kProductMaxMs, &ms)) {
            *error = arg + " wants milliseconds from 0 to " + std::to_string(kProductMaxMs) +
                     ", not " + value;
            return false;
        }
        uint32_t& field = arg == "--fade-in" ? options->timings.fadeInMs
                          : arg == "--hold"  ? options->timings.holdMs
                                             : options->timings.fadeOutMs;
        field = uint32_t(ms);
    } else if (arg == "--dpi") {
        if (!ParseNumber(value, 960, &options->dpi) || options->dpi < 48) {
            *error = "--dpi wants a system DPI from 48 to 960, not " + value;
            return false;
        }
    } else {  // --screen, the one option left
        const size_t x = value.find_first_of("xX");
        int32_t w = 0, h = 0;
        if (x == std::string::npos || !ParseNumber(value.substr(0, x), kBitmapMaxSide, &w) ||
            !ParseNumber(value.substr(x + 1), kBitmapMaxSide, &h) || w == 0 || h == 0) {
            *error = "--screen wants WIDTHxHEIGHT, each from 1 to " +
                     std::to_string(kBitmapMaxSide) + ", not " + value;
            return false;
        }
        options->screenWidth = w;
        options->screenHeight = h;
        options->screenGiven = true;
    }
    return true;
}

}  // namespace

bool ParsePreviewArgs(const std::vector<std::string>& args, PreviewOptions* options,
                      std::string* error)
{
    error->clear();
    bool haveOutput = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options->help = true;
            return true;
        }
        if (arg == "--still") {
            options->fades = false;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            static const char* const kTakeValue[] = {
                "--pictures",   "--tal800", "--tal1280", "--tal1280x2", "--background", "--screen",
                "--all-frames", "--frame",  "--fade-in", "--hold",      "--fade-out",   "--dpi"};
            if (std::find_if(std::begin(kTakeValue), std::end(kTakeValue),
                             [&](const char* o) { return arg == o; }) == std::end(kTakeValue)) {
                *error = "unknown option " + arg;
                return false;
            }
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return false;
            }
            if (!TakeOptionValue(arg, args[++i], options, error))
                return false;
            continue;
        }
        if (haveOutput) {
            *error = "one output file only: " + options->output + " or " + arg;
            return false;
        }
        options->output = arg;
        haveOutput = true;
    }
    if (!haveOutput) {
        *error = "no output file named";
        return false;
    }
    if (!options->background.empty() && options->screenGiven) {
        *error = "--background and --screen together: the screenshot's size is the screen's";
        return false;
    }
    return true;
}
