// The launcher's reading of command lines, on the build machine, and of
// the vendor's silent switches in them.
#include "command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Windows' MAX_PATH, the size of the launcher's buffers.
const uint32_t kPathSize = 260;

// What follows the launcher's own name is handed on byte for byte: bytes of
// 0x80 and above are not blanks.
TEST(CommandLineAfterName, IsEverythingAfterTheNameAndTheBlanksAfterIt)
{
    const struct {
        std::string full, after;
    } cases[] = {
        {"orveline.exe \xDC"
         "ber.exe",
         "\xDC"
         "ber.exe"},
        {"orveline.exe \xA0x", "\xA0x"},
        {"\"C:\\My Disc\\orveline.exe\" setup.exe /S", "setup.exe /S"},
        {"\"C:\\My Disc\\orveline.exe\"setup.exe", "setup.exe"},
        {"orveline.exe\t\x01\x1F  \"a b\"  c ", "\"a b\"  c "},
        {"orveline\xE9.exe next", "next"},
        {"orveline.exe\x01next", "next"},
        {"orveline.exe", ""},
        {"orveline.exe   ", ""},
        {"\"unclosed name.exe next", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("line [" + c.full + "]");
        EXPECT_EQ(std::string(CommandLineAfterName(c.full.c_str())), c.after);
    }
}

// The program is the first word, or the part in double quotes; the
// parameters are the rest, as they stand. Only spaces and tabs separate.
TEST(SplitCommandLine, SeparatesTheProgramFromItsParameters)
{
    const std::string longest(kPathSize - 1, 'a'), tooLong(kPathSize, 'a');
    const struct {
        std::string line;
        bool ok;
        std::string program, parameters;
    } cases[] = {
        {"setup.exe", true, "setup.exe", ""},
        {"setup.exe /S /D=C:\\Apps", true, "setup.exe", "/S /D=C:\\Apps"},
        {" \t setup.exe \t  a  b ", true, "setup.exe", "a  b "},
        {"setup\x01.exe\x0B x", true, "setup\x01.exe\x0B", "x"},
        {"\"C:\\Setup Disk\\setup.exe\" /lang en", true, "C:\\Setup Disk\\setup.exe", "/lang en"},
        {"\"C:\\Setup Disk\\setup.exe\"", true, "C:\\Setup Disk\\setup.exe", ""},
        {"setup.exe \"two words\" \"\" last", true, "setup.exe", "\"two words\" \"\" last"},
        {"\"no closing quote.exe", true, "no closing quote.exe", ""},
        {longest + " x", true, longest, "x"},
        {tooLong + " x", false, "", ""},
        {"\"\" setup.exe", false, "", ""},
        {"", false, "", ""},
        {" \t ", false, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("line [" + c.line + "]");
        char program[kPathSize];
        const char* parameters = nullptr;
        ASSERT_EQ(SplitCommandLine(c.line.c_str(), program, sizeof program, &parameters),
                  c.ok ? 1 : 0);
        if (c.ok) {
            EXPECT_EQ(std::string(program), c.program);
            EXPECT_EQ(std::string(parameters), c.parameters);
        }
    }
}

// An unquoted name is tried up to each blank in turn, shortest first; the
// parameters of each are what follows it. A candidate too long for the
// buffer ends the list.
TEST(NextUnquotedCandidate, TriesTheNameUpToEachBlankInTurn)
{
    const std::string longest(kPathSize - 1, 'a');
    const struct {
        std::string name;
        std::vector<std::string> candidates, parameters;
    } cases[] = {
        {"setup.exe", {"setup.exe"}, {""}},
        {"My Setup.exe /S", {"My", "My Setup.exe", "My Setup.exe /S"}, {"Setup.exe /S", "/S", ""}},
        {"a \t b", {"a", "a \t b"}, {"b", ""}},
        {"a b  ", {"a", "a b", "a b  "}, {"b  ", "", ""}},
        {"a\x01"
         "b\xA0"
         "c d",
         {"a\x01"
          "b\xA0"
          "c",
          "a\x01"
          "b\xA0"
          "c d"},
         {"d", ""}},
        {"a \"b c\"", {"a", "a \"b", "a \"b c\""}, {"\"b c\"", "c\"", ""}},
        {"", {}, {}},
        {longest + " x", {longest}, {"x"}},
        {longest + "a x", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("name [" + c.name + "]");
        std::vector<std::string> candidates, parameters;
        char candidate[kPathSize];
        const char* end = c.name.c_str();
        while (candidates.size() <= c.candidates.size() &&
               NextUnquotedCandidate(c.name.c_str(), &end, candidate, sizeof candidate)) {
            candidates.push_back(candidate);
            parameters.push_back(SkipBlanks(end));
        }
        EXPECT_EQ(candidates, c.candidates);
        EXPECT_EQ(parameters, c.parameters);
    }
}

// A listed switch counts only as a word of its own outside quotes, in any
// ASCII case.
TEST(HasSilentSwitch, FindsASilentSwitchOnlyAsAWordOfItsOwn)
{
    const std::string list = "/S /VERYSILENT --quiet";
    const struct {
        std::string line;
        int found;
    } cases[] = {
        {"/S", 1},
        {"/S setup.exe", 1},
        {"setup.exe /lang en /S", 1},
        {"setup.exe\t/s\t/x", 1},
        {"setup.exe /verysilent", 1},
        {"setup.exe --QUIET", 1},
        {"\"Setup Disk\\setup.exe\" /S", 1},
        {"setup.exe  \t  /S  ", 1},
        {"setup.exe", 0},
        {"", 0},
        {"setup.exe /SILENT", 0},
        {"setup.exe /S1 x/S -/S", 0},
        {"setup.exe --quiet=yes", 0},
        {"setup.exe \"/S\"", 0},
        {"\"C:\\a /S b\\setup.exe\" /x", 0},
        {"setup.exe /D=\"C:\\x /S\"", 0},
        {"setup.exe \"unclosed /S", 0},
        {"setup.exe /\xD3", 0},
        {"setup.exe /S\xA0", 0},
        {"setup.exe\x0B/S\r", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("line [" + c.line + "]");
        EXPECT_EQ(HasSilentSwitch(c.line.c_str(), list.c_str()), c.found);
    }
    EXPECT_EQ(HasSilentSwitch("setup.exe /S", ""), 0) << "no switches";
}

}  // namespace
