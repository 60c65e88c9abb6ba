#include "brand_options.h"

#include "artwork.h"
#include "product_record.h"
#include "show.h"

namespace {

// A text for the file's properties or the window's title: UTF-8, not empty,
// no control characters, and not longer than the properties dialog shows.
bool CheckText(const std::string& option, const std::string& text, std::string* error)
{
    std::u16string units;
    if (text.empty())
        *error = option + " is empty";
    else if (!Utf8ToUtf16(text, &units))
        *error = option + " is not UTF-8 text: " + text;
    else if (units.size() > kProductTitleMaxLength)
        *error = option + " is longer than 200 characters";
    else
        for (const char c : text)
            if (uint8_t(c) < 0x20 || c == 0x7F)
                *error = option + " holds a control character";
    return error->empty();
}

// Milliseconds: a whole number from 0 to a minute; a longer show keeps the
// installer waiting for no reason a user would accept.
bool ParseMs(const std::string& option, const std::string& value, uint32_t* ms, std::string* error)
{
    if (value.empty() || value.size() > 9 ||
        value.find_first_not_of("0123456789") != std::string::npos) {
        *error = option + " must be a whole number of milliseconds, not '" + value + "'";
        return false;
    }
    *ms = uint32_t(std::stoul(value));
    if (*ms > kProductMaxMs) {
        *error = option + " of " + value + " ms is over a minute (" +
                 std::to_string(kProductMaxMs) + " ms at the most)";
        return false;
    }
    return true;
}

// --large-at PERCENT FILE: one of the show's scales, each once.
bool AddScaledPicture(const std::string& option, const std::string& percent,
                      const std::string& file, BrandOptions* options, std::string* error)
{
    int value = 0;
    for (int scale : kShowScales)
        if (percent == std::to_string(scale))
            value = scale;
    if (value == 0) {
        *error = option + " takes " + ScaleChoices() + " (percent), not '" + percent + "'";
        return false;
    }
    for (const ScaledPicture& given : options->scaled)
        if (given.percent == value) {
            *error = "a picture at " + percent + " % is given twice (--large-2x is --large-at 200)";
            return false;
        }
    options->scaled.push_back({value, file});
    return true;
}

bool ParseVersion(const std::string& value, uint16_t version[4], std::string* error)
{
    *error = "--version must be X.Y.Z or X.Y.Z.W, not '" + value + "'";
    uint32_t parts[4] = {};
    size_t count = 0, start = 0;
    for (;;) {
        const size_t end = value.find('.', start);
        const std::string part = value.substr(start, end == std::string::npos ? end : end - start);
        if (count == 4 || part.empty() || part.size() > 5 ||
            part.find_first_not_of("0123456789") != std::string::npos)
            return false;
        parts[count++] = uint32_t(std::stoul(part));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (count < 3)
        return false;
    for (size_t i = 0; i < count; ++i)
        if (parts[i] > 65535) {
            *error = "--version parts are 0 to 65535, not " + std::to_string(parts[i]);
            return false;
        }
    for (size_t i = 0; i < 4; ++i)
        version[i] = uint16_t(parts[i]);
    error->clear();
    return true;
}

}  // namespace

bool Utf8ToUtf16(const std::string& text, std::u16string* out)
{
    out->clear();
    for (size_t i = 0; i < text.size();) {
        const uint8_t c = uint8_t(text[i]);
        const int extra = c < 0x80             ? 0
                          : (c & 0xE0) == 0xC0 ? 1
                          : (c & 0xF0) == 0xE0 ? 2
                          : (c & 0xF8) == 0xF0 ? 3
                                               : -1;
        if (extra < 0 || i + size_t(extra) >= text.size())
            return false;
        uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const uint8_t next = uint8_t(text[i + size_t(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (next & 0x3F);
        }
        static const uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
            return false;  // overlong, beyond Unicode, or a surrogate
        if (cp >= 0x10000) {
            out->push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
            out->push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out->push_back(char16_t(cp));
        }
        i += size_t(extra) + 1;
    }
    return true;
}

namespace {

// The options' values given as text, read once every option is known;
// the shipped ones where none was given.
struct OptionTexts {
    std::string fadeIn = std::to_string(kShippedTimings.fadeInMs),
                hold = std::to_string(kShippedTimings.holdMs),
                fadeOut = std::to_string(kShippedTimings.fadeOutMs), version, monitor = "primary",
                untilWindow;
};

// Reads the values given as text into the options; false, with the first
// fault in error, when one is refused.
bool CheckOptionTexts(const OptionTexts& texts, BrandOptions* options, std::string* error)
{
    const bool ok =
        CheckText("--product", options->product, error) &&
        CheckText("--description", options->description, error) &&
        (options->company.empty() || CheckText("--company", options->company, error)) &&
        (options->copyright.empty() || CheckText("--copyright", options->copyright, error)) &&
        (options->title.empty() || CheckText("--title", options->title, error)) &&
        (texts.version.empty() || ParseVersion(texts.version, options->version, error)) &&
        ParseMs("--fade-in", texts.fadeIn, &options->fadeInMs, error) &&
        ParseMs("--hold", texts.hold, &options->holdMs, error) &&
        ParseMs("--fade-out", texts.fadeOut, &options->fadeOutMs, error);
    if (ok && !options->signCommand.empty() && options->signCommand.find("{}") == std::string::npos)
        *error = "--sign-command needs {} where the program's name goes";
    else if (ok && !texts.untilWindow.empty() &&
             (!ParseMs("--until-window", texts.untilWindow, &options->untilWindowMs, error) ||
              options->untilWindowMs == 0)) {
        if (error->empty())
            *error = "--until-window must be 1 ms at the least (leave it out for no wait)";
    } else if (ok && texts.monitor != "primary" && texts.monitor != "cursor")
        *error = "--monitor must be primary or cursor, not '" + texts.monitor + "'";
    else if (ok && !IsSwitchList(options->silentSwitches.data(),
                                 uint32_t(options->silentSwitches.size())))
        *error = "--silent-switches must be words of printable ASCII separated by single spaces, "
                 "255 characters at the most, not '" +
                 options->silentSwitches + "'";
    options->cursorMonitor = texts.monitor == "cursor";
    return error->empty();
}

}  // namespace

BrandCommand ParseBrandOptions(const std::vector<std::string>& args, const uint16_t orveline[3],
                               BrandOptions* options, std::string* error)
{
    *options = BrandOptions{};
    error->clear();
    for (int i = 0; i < 3; ++i)
        options->version[i] = orveline[i];
    if (args.size() == 1 && args[0] == "--help")
        return kBrandHelp;
    if (args.size() == 1 && args[0] == "--version")
        return kBrandVersion;
    std::vector<std::string> files;
    OptionTexts texts;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--fit" || a == "--check" || a == "--wait") {
            (a == "--fit"     ? options->fit
             : a == "--check" ? options->checkOnly
                              : options->wait) = true;
            continue;
        }
        if (a == "--help") {
            *error = "--help stands alone";
            return kBrandUsage;
        }
        if (a == "--large-at" || a == "--large-2x") {
            const bool twice = a == "--large-2x";
            if (i + (twice ? 1 : 2) >= args.size()) {
                *error = a + (twice ? " needs a value" : " needs a percent and a file");
                return kBrandRefused;
            }
            const std::string percent = twice ? "200" : args[++i];
            if (!AddScaledPicture(a, percent, args[i + 1], options, error))
                return kBrandRefused;
            ++i;
            continue;
        }
        std::string* value = a == "--icon"              ? &options->icon
                             : a == "--product"         ? &options->product
                             : a == "--company"         ? &options->company
                             : a == "--description"     ? &options->description
                             : a == "--copyright"       ? &options->copyright
                             : a == "--title"           ? &options->title
                             : a == "--templates"       ? &options->templates
                             : a == "--sign-command"    ? &options->signCommand
                             : a == "--silent-switches" ? &options->silentSwitches
                             : a == "--monitor"         ? &texts.monitor
                             : a == "--version"         ? &texts.version
                             : a == "--fade-in"         ? &texts.fadeIn
                             : a == "--hold"            ? &texts.hold
                             : a == "--fade-out"        ? &texts.fadeOut
                             : a == "--until-window"    ? &texts.untilWindow
                                                        : nullptr;
        if (value != nullptr) {
            if (i + 1 >= args.size()) {
                *error = a + " needs a value";
                return kBrandRefused;
            }
            *value = args[++i];
            continue;
        }
        if (a.size() > 1 && a[0] == '-') {
            *error = "unknown option " + a;
            return kBrandUsage;
        }
        files.push_back(a);
    }
    if (files.size() < 2 || files.size() > 3) {
        *error = "give SMALL.png LARGE.png and, if you like, OUTPUT.exe";
        return kBrandUsage;
    }
    options->small = files[0];
    options->large = files[1];
    options->output = files.size() == 3 ? files[2] : "orveline.exe";
    return CheckOptionTexts(texts, options, error) ? kBrandRun : kBrandRefused;
}

std::string BrandHelp()
{
    const std::string fadeIn = std::to_string(kShippedTimings.fadeInMs),
                      hold = std::to_string(kShippedTimings.holdMs),
                      fadeOut = std::to_string(kShippedTimings.fadeOutMs);
    return R"(usage: orveline-brand [OPTIONS] SMALL.png LARGE.png [OUTPUT.exe]

Writes OUTPUT.exe (default orveline.exe) and OUTPUT64.exe, your own splash
launchers, from orveline.exe and orveline64.exe beside this tool: your
pictures, icon, texts and timings, nothing else changed. SMALL.png is shown
on screens up to 800 pixels wide and must be 195 x 145; LARGE.png on wider
screens, 317 x 236. An output folder that is not there yet is made.

  --fit                  scale pictures of another size to fit, centred on
                         a transparent border
  --icon FILE            the program's icon: a PNG (made into 16, 32, 48 and
                         256 pixels) or an .ico taken as it is
  --product NAME         "Product name" in the file's properties (Orveline)
  --company NAME         "Company" (none)
  --version X.Y.Z[.W]    "File version" and "Product version", each number up
                         to 65535 (Orveline's own)
  --description TEXT     "File description" (Orveline splash launcher)
  --copyright TEXT       "Copyright" (none)
  --title TEXT           the window's title in the taskbar (Orveline)
  --fade-in MS           the fade in's length ()" +
           fadeIn + "; " + std::to_string(kProductMaxMs) + R"( at the most)
  --hold MS              the hold's length ()" +
           hold + R"()
  --fade-out MS          the fade out's length ()" +
           fadeOut + R"()
  --large-at PERCENT FILE
                         the large picture for screens wider than 800 pixels
                         scaled near PERCENT: 125 (396 x 295), 150 (476 x
                         354), 175 (555 x 413), 200 (634 x 472), 250 (793 x
                         590) or 300 (951 x 708); give several, each once. The
                         launcher shows the one nearest the screen's scale
                         (the larger of two as near), the large picture
                         counting as 100
  --large-2x FILE        the same as --large-at 200 FILE
  --templates FOLDER     take orveline.exe and orveline64.exe from there
  --silent-switches "LIST"  words (such as "/S /quiet") that, standing alone
                         on the launcher's command line in any case, skip
                         the show and start the next program at once (none)
  --wait                 wait for the next program and exit with its exit
                         code (exit as soon as it has started)
  --until-window MS      keep the picture, held, until the next program shows
                         its first window, at most MS (1 to 60000): it starts
                         after the hold, under the picture, which fades out
                         behind its window (off: it starts after the show)
  --monitor primary|cursor  the monitor the show covers: the primary one, or
                         the one holding the mouse pointer (primary)
  --sign-command "CMD {}"  run CMD on each program before it is moved into
                         place, {} standing for its name; a failure writes
                         nothing
  --check                check the options and files, and write nothing
  --help                 this text
  --version              (alone) the tool's own version

Texts may be in any script. Exit codes: 0 both programs written; 1 refused
(the reason is given) and nothing written; 2 a command line it cannot read.
)";
}
