// The branding tool's command line: the same options, arguments and checks
// as scripts/build-with-artwork.sh, read from UTF-8 text on every platform.
#pragma once

#include "show.h"

#include <cstdint>
#include <string>
#include <vector>

// A picture for the large one's place on scaled screens (--large-at).
struct ScaledPicture {
    int percent;
    std::string file;
};

struct BrandOptions {
    bool fit = false;
    bool checkOnly = false;             // check the options and files, write nothing
    std::string icon;                   // a file; empty: none
    std::vector<ScaledPicture> scaled;  // each scale once, in the order given
    std::string product = "Orveline", description = "Orveline splash launcher";
    std::string company, copyright, title;  // empty: none, or the shipped title
    uint16_t version[4] = {};               // the file's and the product's
    uint32_t fadeInMs = kShippedTimings.fadeInMs, holdMs = kShippedTimings.holdMs,
             fadeOutMs = kShippedTimings.fadeOutMs;
    std::string templates;    // the folder of the two programs; empty: the tool's own
    std::string signCommand;  // run on each program before it is moved into place
    std::string
        silentSwitches;  // words on the launcher's command line that skip the show; empty: none
    bool wait = false;   // the launcher waits for the next program and exits with its code
    bool cursorMonitor = false;  // the show covers the monitor holding the pointer, not the primary
    uint32_t untilWindowMs = 0;  // the held picture waits this long at most for the next program's
                                 // first window; 0: the next program starts after the show
    std::string small, large, output;
};

enum BrandCommand {
    kBrandRun,      // options read and checked
    kBrandHelp,     // --help
    kBrandVersion,  // --version alone: the tool's own version
    kBrandUsage,    // a command line the tool cannot read; exit code 2
    kBrandRefused,  // an option with a wrong value; exit code 1
};

// Reads and checks the arguments (without the program's name). The version
// defaults to Orveline's own, given as major, minor and patch. On a usage
// error or a refusal *error says why, in one line.
BrandCommand ParseBrandOptions(const std::vector<std::string>& args, const uint16_t orveline[3],
                               BrandOptions* options, std::string* error);

// The help text, every option in it.
std::string BrandHelp();

// UTF-8 to UTF-16; false on bytes that are not UTF-8.
bool Utf8ToUtf16(const std::string& text, std::u16string* out);
