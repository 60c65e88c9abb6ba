// The branding tool's command line: what it takes, and each wrong value
// refused with its reason before anything is read or written.
#include "brand_options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

const uint16_t kOrveline[3] = {3, 4, 5};

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;)
        words.push_back(w == "''" ? "" : w);
    return words;
}

TEST(BrandOptions, RefusesEachWrongValueWithItsReason)
{
    const struct {
        std::string line;
        BrandCommand command;
        std::string reason;  // a part of the message
    } cases[] = {
        {"--fade-in -5 s.png l.png", kBrandRefused, "--fade-in must be a whole number"},
        {"--hold 60001 s.png l.png", kBrandRefused, "over a minute"},
        {"--fade-out 1e3 s.png l.png", kBrandRefused, "--fade-out must be"},
        {"--hold 0123456789 s.png l.png", kBrandRefused, "--hold must be"},
        {"--until-window 0 s.png l.png", kBrandRefused, "1 ms at the least"},
        {"--until-window 60001 s.png l.png", kBrandRefused, "over a minute"},
        {"--until-window 2s s.png l.png", kBrandRefused, "--until-window must be a whole number"},
        {"s.png l.png --until-window", kBrandRefused, "--until-window needs a value"},
        {"--version 1.2 s.png l.png", kBrandRefused, "X.Y.Z or X.Y.Z.W"},
        {"--version 1.2.3.4.5 s.png l.png", kBrandRefused, "X.Y.Z or X.Y.Z.W"},
        {"--version 1..3 s.png l.png", kBrandRefused, "X.Y.Z or X.Y.Z.W"},
        {"--version 1.2.3.65536 s.png l.png", kBrandRefused, "0 to 65535, not 65536"},
        {"--product '' s.png l.png", kBrandRefused, "--product is empty"},
        {"--company \xC3 s.png l.png", kBrandRefused, "not UTF-8"},
        {"--title \xED\xA0\x80 s.png l.png", kBrandRefused, "not UTF-8"},  // a surrogate
        {"--copyright \xC0\xAF s.png l.png", kBrandRefused, "not UTF-8"},  // overlong
        {"--title a\x7F s.png l.png", kBrandRefused, "control character"},
        {"--sign-command sign s.png l.png", kBrandRefused, "{}"},
        {"--monitor secondary s.png l.png", kBrandRefused, "primary or cursor, not 'secondary'"},
        {"--monitor Cursor s.png l.png", kBrandRefused, "primary or cursor"},
        {"--silent-switches /S\x01/Q s.png l.png", kBrandRefused, "--silent-switches must be"},
        {"--silent-switches /\xC3\x9C s.png l.png", kBrandRefused, "--silent-switches must be"},
        {"s.png l.png --monitor", kBrandRefused, "--monitor needs a value"},
        {"s.png l.png --hold", kBrandRefused, "--hold needs a value"},
        {"--large-at 120 a.png s.png l.png", kBrandRefused,
         "125, 150, 175, 200, 250 or 300 (percent), not '120'"},
        {"--large-at 0125 a.png s.png l.png", kBrandRefused, "not '0125'"},
        {"--large-at 150 a.png --large-at 150 b.png s.png l.png", kBrandRefused,
         "150 % is given twice"},
        {"--large-2x a.png --large-at 200 b.png s.png l.png", kBrandRefused,
         "200 % is given twice"},
        {"s.png l.png --large-at 125", kBrandRefused, "--large-at needs a percent and a file"},
        {"--frobnicate s.png l.png", kBrandUsage, "unknown option"},
        {"s.png", kBrandUsage, "SMALL.png LARGE.png"},
        {"a b c d", kBrandUsage, "SMALL.png LARGE.png"},
        {"--help s.png l.png", kBrandUsage, "alone"},
        {"--help", kBrandHelp, ""},
        {"--version", kBrandVersion, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        BrandOptions options;
        std::string error;
        EXPECT_EQ(ParseBrandOptions(Words(c.line), kOrveline, &options, &error), c.command);
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
    BrandOptions options;
    std::string error;
    std::vector<std::string> tooLong = {"--title", std::string(201, 'x'), "s.png", "l.png"};
    EXPECT_EQ(ParseBrandOptions(tooLong, kOrveline, &options, &error), kBrandRefused);
    tooLong[1] = std::string(200, 'x');
    EXPECT_EQ(ParseBrandOptions(tooLong, kOrveline, &options, &error), kBrandRun) << error;
    // Spaces are the only separators, single, and never first or last.
    for (const std::string& list :
         {std::string(256, 'x'), std::string("/S  /Q"), std::string(" /S"), std::string("/S ")}) {
        SCOPED_TRACE("switches [" + list + "]");
        EXPECT_EQ(ParseBrandOptions({"--silent-switches", list, "s.png", "l.png"}, kOrveline,
                                    &options, &error),
                  kBrandRefused);
    }
}

TEST(BrandOptions, TakesEveryOptionAndKeepsTheShippedValuesOtherwise)
{
    BrandOptions o;
    std::string error;
    ASSERT_EQ(ParseBrandOptions({"s.png", "l.png"}, kOrveline, &o, &error), kBrandRun) << error;
    EXPECT_EQ(o.output, "orveline.exe");
    EXPECT_EQ(std::vector<uint16_t>(o.version, o.version + 4), (std::vector<uint16_t>{3, 4, 5, 0}));
    EXPECT_EQ(o.fadeInMs, kShippedTimings.fadeInMs);
    EXPECT_EQ(o.holdMs, kShippedTimings.holdMs);
    EXPECT_EQ(o.fadeOutMs, kShippedTimings.fadeOutMs);
    EXPECT_EQ(o.product, "Orveline");
    EXPECT_TRUE(o.title.empty() && o.icon.empty() && o.signCommand.empty() && !o.fit);
    EXPECT_TRUE(o.silentSwitches.empty() && !o.wait && !o.cursorMonitor);
    EXPECT_EQ(o.untilWindowMs, 0u);

    const std::vector<std::string> all = {"--fit",
                                          "--icon",
                                          "i.ico",
                                          "--product",
                                          "Größe Studio",
                                          "--company",
                                          "Größe 日本",
                                          "--version",
                                          "65535.0.7.1",
                                          "--description",
                                          "d",
                                          "--copyright",
                                          "© 2026",
                                          "--title",
                                          "Willkommen – 日本 😀",
                                          "--fade-in",
                                          "0",
                                          "--hold",
                                          "60000",
                                          "--fade-out",
                                          "7",
                                          "--large-2x",
                                          "x2.png",
                                          "--large-at",
                                          "125",
                                          "a.png",
                                          "--large-at",
                                          "300",
                                          "c.png",
                                          "--templates",
                                          "t",
                                          "--sign-command",
                                          "sign {} now",
                                          "--check",
                                          "--silent-switches",
                                          std::string(127, 'a') + " /" + std::string(126, 'b'),
                                          "--wait",
                                          "--monitor",
                                          "cursor",
                                          "--until-window",
                                          "60000",
                                          "s.png",
                                          "l.png",
                                          "out/setup.exe"};
    ASSERT_EQ(ParseBrandOptions(all, kOrveline, &o, &error), kBrandRun) << error;
    EXPECT_TRUE(o.fit && o.checkOnly);
    EXPECT_EQ(o.icon + o.templates, "i.icot");
    ASSERT_EQ(o.scaled.size(), 3u);
    EXPECT_EQ(std::to_string(o.scaled[0].percent) + o.scaled[0].file +
                  std::to_string(o.scaled[1].percent) + o.scaled[1].file +
                  std::to_string(o.scaled[2].percent) + o.scaled[2].file,
              "200x2.png125a.png300c.png");
    EXPECT_EQ(o.product + o.company + o.copyright, "Größe StudioGröße 日本© 2026");
    EXPECT_EQ(std::vector<uint16_t>(o.version, o.version + 4),
              (std::vector<uint16_t>{65535, 0, 7, 1}));
    EXPECT_EQ(o.fadeInMs, 0u);
    EXPECT_EQ(o.holdMs, 60000u);
    EXPECT_EQ(o.fadeOutMs, 7u);
    EXPECT_EQ(o.signCommand, "sign {} now");
    EXPECT_EQ(o.silentSwitches, std::string(127, 'a') + " /" + std::string(126, 'b'));
    EXPECT_TRUE(o.wait && o.cursorMonitor);
    EXPECT_EQ(o.untilWindowMs, 60000u);
    EXPECT_EQ(o.small + o.large + o.output, "s.pngl.pngout/setup.exe");
}

TEST(BrandOptions, Utf8BecomesUtf16)
{
    std::u16string units;
    ASSERT_TRUE(Utf8ToUtf16("Ü日😀", &units));
    EXPECT_EQ(units, u"Ü日😀");
    EXPECT_EQ(units.size(), 4u);
    for (const char* bad : {"\xC3", "\xF4\x90\x80\x80", "\xE0\x80\xAF", "\x80", "a\xF8"})
        EXPECT_FALSE(Utf8ToUtf16(bad, &units)) << bad;
}

}  // namespace
