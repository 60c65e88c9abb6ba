// The version information the branding tool writes. The shipped values must
// give, byte for byte, what the resource compiler built into the shipped
// programs (under data/, taken from both builds with `wrestool -x --raw -t
// 16`); a vendor's values must read back through a parser of the format's
// own, and equal the resource compiler's bytes where it is installed.
#include "version_info.h"
#include "windres.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using Bytes = std::vector<uint8_t>;
using Strings = std::vector<std::pair<std::u16string, std::u16string>>;

// A text for the resource script, every unit written out.
std::string Wide(const std::u16string& text)
{
    std::string out = "L\"";
    for (const char16_t unit : text) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%04x", unsigned(unit));
        out += escape;
    }
    return out + "\"";
}

uint32_t Get16(const Bytes& b, size_t at)
{
    return b.at(at) | b.at(at + 1) << 8;
}

size_t Aligned(size_t at)
{
    return (at + 3) / 4 * 4;
}

// A node as Windows' version functions walk it: its length, its value's
// length (in units for text), its kind and terminated key, then on 4-byte
// boundaries the value and each child, up to the length.
struct Node {
    std::u16string key;
    Bytes value;
    std::vector<Node> children;
};

Node Parse(const Bytes& b, size_t at)
{
    Node node;
    const size_t end = at + Get16(b, at), units = Get16(b, at + 4) == 1 ? 2 : 1;
    size_t p = at + 6;
    for (; Get16(b, p) != 0; p += 2)
        node.key += char16_t(Get16(b, p));
    p = Aligned(p + 2);
    const size_t valueEnd = p + Get16(b, at + 2) * units;
    EXPECT_LE(valueEnd, end);
    node.value.assign(b.begin() + p, b.begin() + valueEnd);
    for (p = Aligned(valueEnd); p < end; p = Aligned(p + Get16(b, p)))
        node.children.push_back(Parse(b, p));
    EXPECT_EQ(p, Aligned(end));
    return node;
}

TEST(VersionInfo, ShippedValuesGiveTheShippedProgramsResource)
{
    // The programs as built now too, where ORVELINE_EXE32 and ORVELINE_EXE64
    // name them, so that a change to program.rc that data/ misses is seen.
    for (const bool sixtyFour : {false, true}) {
        const std::string file = sixtyFour ? "orveline64.exe.version" : "orveline.exe.version";
        SCOPED_TRACE(file);
        const Bytes encoded = EncodeVersionInfo(ShippedVersionFields(sixtyFour));
        EXPECT_EQ(encoded, windres::ReadFile(ORVELINE_BRAND_DATA_DIR "/" + file));
        const char* program = std::getenv(sixtyFour ? "ORVELINE_EXE64" : "ORVELINE_EXE32");
        if (program == nullptr) {
            std::printf("no ORVELINE_EXE%s: %s compared with data/ only\n", sixtyFour ? "64" : "32",
                        file.c_str());
            continue;
        }
        const auto extracted = windres::TempFolder() / "version";
        const std::string command =
            "wrestool -x --raw -t 16 '" + std::string(program) + "' > '" + extracted.string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(encoded, windres::ReadFile(extracted));
        std::filesystem::remove_all(extracted.parent_path());
    }
}

TEST(VersionInfo, VendorValuesReadBackAsGiven)
{
    struct Row {
        uint16_t version[4];
        std::u16string product, description, company, copyright;
    };
    const Row rows[] = {
        {{2, 5, 1, 0}, u"Größe Studio", u"Größe Studio setup", u"Größe GmbH", u"© 2026 Größe GmbH"},
        {{0, 0, 0, 0}, u"日本語のセットアップ", u"セットアップ", u"", u""},
        {{65535, 65535, 65535, 65535}, u"Rocket 🚀", u"Launch 🚀🚀 now", u"Ünïcødé Ltd", u""},
        {{1, 2, 3, 4}, u"A", u"AB", u"", u"(c) ABC"},
    };
    const bool compile = windres::Found();
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        const uint16_t* v = row.version;
        const Bytes bytes = EncodeVersionInfo({{v[0], v[1], v[2], v[3]},
                                               row.product,
                                               row.description,
                                               row.company,
                                               row.copyright,
                                               u"orveline",
                                               u"setup.exe"});
        std::string text, numbers;
        for (int i = 0; i < 4; ++i) {
            text += (i != 0 ? "." : "") + std::to_string(v[i]);
            numbers += (i != 0 ? "," : "") + std::to_string(v[i]);
        }
        const std::u16string text16(text.begin(), text.end());
        Strings values = {{u"ProductName", row.product},
                          {u"FileDescription", row.description},
                          {u"FileVersion", text16},
                          {u"ProductVersion", text16}};
        if (!row.company.empty())
            values.emplace_back(u"CompanyName", row.company);
        if (!row.copyright.empty())
            values.emplace_back(u"LegalCopyright", row.copyright);
        values.insert(values.end(),
                      {{u"InternalName", u"orveline"}, {u"OriginalFilename", u"setup.exe"}});

        ASSERT_GE(bytes.size(), 92u);
        EXPECT_EQ(Get16(bytes, 0), bytes.size());
        const Node root = Parse(bytes, 0);
        const uint32_t high = uint32_t(v[0]) << 16 | v[1], low = uint32_t(v[2]) << 16 | v[3];
        const uint32_t fixed[13] = {0xFEEF04BD, 0x10000, high, low, high, low, 0x3F, 0, 0x40004, 1};
        ASSERT_EQ(root.value.size(), sizeof fixed);
        for (size_t i = 0; i < 13; ++i)
            EXPECT_EQ(Get16(root.value, 4 * i) | Get16(root.value, 4 * i + 2) << 16, fixed[i]) << i;
        ASSERT_EQ(root.children.size(), 2u);
        ASSERT_EQ(root.children[0].children.size(), 1u);
        ASSERT_EQ(root.children[1].children.size(), 1u);
        Strings keys = {{root.key, u""},
                        {root.children[0].key, root.children[0].children[0].key},
                        {root.children[1].key, root.children[1].children[0].key}};
        EXPECT_EQ(keys, (Strings{{u"VS_VERSION_INFO", u""},
                                 {u"StringFileInfo", u"040904B0"},
                                 {u"VarFileInfo", u"Translation"}}));
        Strings strings;
        for (const Node& value : root.children[0].children[0].children) {
            std::u16string text;
            for (size_t k = 0; k + 1 < value.value.size(); k += 2)
                text += char16_t(Get16(value.value, k));
            strings.emplace_back(value.key, text);
        }
        for (auto& [key, value] : values)
            value += u'\0';  // each text is terminated
        EXPECT_EQ(strings, values);
        EXPECT_EQ(root.children[1].children[0].value, (Bytes{0x09, 0x04, 0xB0, 0x04}));

        if (!compile)
            continue;
        // program.rc's script, with winver.h's values written out.
        std::string script = "1 VERSIONINFO\nFILEVERSION " + numbers + "\nPRODUCTVERSION " +
                             numbers +
                             "\nFILEFLAGSMASK 0x3F\nFILEOS 0x40004\nFILETYPE 1\n"
                             "BEGIN\nBLOCK \"StringFileInfo\"\nBEGIN\nBLOCK \"040904B0\"\nBEGIN\n";
        for (const auto& [key, value] : values)
            script += "VALUE \"" + std::string(key.begin(), key.end()) + "\", " +
                      Wide(value.substr(0, value.size() - 1)) + "\n";
        script += "END\nEND\nBLOCK \"VarFileInfo\"\nBEGIN\n"
                  "VALUE \"Translation\", 0x0409, 1200\nEND\nEND\n";
        const auto folder = windres::TempFolder();
        EXPECT_EQ(bytes, windres::Compile(script, folder, "#16", "#1"));
        std::filesystem::remove_all(folder);
    }
}

TEST(VersionInfo, RefusesWhatCannotBeStored)
{
    VersionFields withZero = ShippedVersionFields(false), tooLong = withZero;
    withZero.companyName = std::u16string(u"A\0B", 3);
    tooLong.fileDescription = std::u16string(40000, u'x');
    for (const VersionFields& fields : {withZero, tooLong})
        EXPECT_TRUE(EncodeVersionInfo(fields).empty());
}

}  // namespace
