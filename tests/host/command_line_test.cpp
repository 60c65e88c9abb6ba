// The launcher's reading of command lines, on the build machine. The
// silent switches' table is with the product record's tests.
#include "command_line.h"

#include <gtest/gtest.h>

#include <string>

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
        {"orveline.exe \xDC" "ber.exe", "\xDC" "ber.exe"},
        {"orveline.exe \xA0x", "\xA0x"},
        {"\"C:\\My Disc\\orveline.exe\" setup.exe /S", "setup.exe /S"},
        {"\"C:\\My Disc\\orveline.exe\"setup.exe", "setup.exe"},
        {"orveline.exe\t\x01\x1F  \"a b\"  c ", "\"a b\"  c "},
        {"orveline\xE9.exe next", "next"},
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
// parameters are the rest, as they stand.
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
        ASSERT_EQ(SplitCommandLine(c.line.c_str(), program, sizeof program, &parameters), c.ok ? 1 : 0);
        if (c.ok) {
            EXPECT_EQ(std::string(program), c.program);
            EXPECT_EQ(std::string(parameters), c.parameters);
        }
    }
}

}  // namespace
