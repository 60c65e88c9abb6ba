// The launcher's reading of the product record, which a damaged or hostile
// program may hold in any form: every record not whole and sound leaves the
// shipped show, and nothing is read past the bytes given (each row's bytes
// lie in a block of exactly that size, so AddressSanitizer sees any
// overread). The records are laid out here by hand, not by the writer.
#include "product_record.h"
#include "product_record_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The record with a field of width bytes at offset at set to value.
Bytes With(Bytes b, size_t at, uint32_t value, size_t width = 2)
{
    b.resize(std::max(b.size(), at + width));
    for (size_t i = 0; i < width; ++i)
        b[at + i] = uint8_t(value >> 8 * i);
    return b;
}

Bytes Record(const std::u16string& title, ShowTimings t = {800, 1500, 400}, uint32_t flags = 0,
             const std::string& switches = "")
{
    const uint32_t length = uint32_t(title.size());
    const uint32_t size = 32 + 2 * length + 2 + uint32_t(switches.size());
    Bytes b = With(With(With({'O', 'R', 'V', 'L', 2, 0}, 6, size), 8, 1), 14, length);
    b = With(With(With(With(b, 16, t.fadeInMs, 4), 20, t.holdMs, 4), 24, t.fadeOutMs, 4), 28, flags,
             4);
    for (const char16_t unit : title)
        b = With(b, b.size(), unit);
    b = With(b, b.size(), uint32_t(switches.size()));
    b.insert(b.end(), switches.begin(), switches.end());
    return b;
}

// The same in version 3, which ends with the longest wait for the next
// program's window.
Bytes RecordV3(const std::u16string& title, ShowTimings t, uint32_t flags,
               const std::string& switches, uint32_t untilWindowMs)
{
    Bytes b = Record(title, t, flags, switches);
    b = With(With(b, 4, 3), 6, uint32_t(b.size()) + 4);
    return With(b, b.size(), untilWindowMs, 4);
}

struct Row {
    std::string what;
    Bytes bytes;
    bool null;
    int taken;
    ShowTimings timings;
    std::u16string title;
    uint32_t flags = 0;
    std::string switches = "";
    uint32_t untilWindowMs = 0;
};

TEST(ProductRecord, TakesOnlyAWholeSoundRecord)
{
    const ShowTimings shipped = kShippedTimings, vendor = {800, 1500, 400};
    const std::u16string longest = std::u16string(198, u'x') + u"\U0001F680";
    const Bytes sound = Record(u"Größe");
    const std::string longestList = std::string(127, 'a') + " " + std::string(127, 'b');
    std::vector<Row> rows = {
        {"null", {}, true, 0, shipped, u""},
        {"magic", With(sound, 2, 'v' | 'l' << 8), false, 0, shipped, u""},
        {"version 0", With(sound, 4, 0), false, 0, shipped, u""},
        {"version 1", With(sound, 4, 1), false, 0, shipped, u""},
        {"size field too large", With(With(sound, 44, 0), 6, 46), false, 0, shipped, u""},
        {"size field too small", With(sound, 6, 43), false, 0, shipped, u""},
        {"size field short of the switches' length", With(sound, 6, 42), false, 0, shipped, u""},
        {"title of 201 units", Record(std::u16string(201, u'x')), false, 0, shipped, u""},
        {"title with a tab", Record(u"Gr\tße"), false, 0, shipped, u""},
        {"title with a 0", Record(std::u16string(u"Gr\0ße", 5)), false, 0, shipped, u""},
        {"fade in 60001", With(sound, 16, 60001, 4), false, 0, shipped, u""},
        {"hold 60001", With(sound, 20, 60001, 4), false, 0, shipped, u""},
        {"fade out 60001", With(sound, 24, 60001, 4), false, 0, shipped, u""},
        {"fade out 2^32-1", With(sound, 24, 0xFFFFFFFF, 4), false, 0, shipped, u""},
        {"buffer a byte short", Bytes(sound.begin(), sound.end() - 1), false, 0, shipped, u""},
        {"flag bit 2", Record(u"G", vendor, 4), false, 0, shipped, u""},
        {"switches of 256 bytes", Record(u"G", vendor, 0, longestList + "c"), false, 0, shipped,
         u""},
        {"switches' length past the record", With(Record(u"G", vendor, 0, "/S"), 34, 3), false, 0,
         shipped, u""},
        {"switches' length 2^16-1", With(Record(u"G", vendor, 0, "/S"), 34, 0xFFFF), false, 0,
         shipped, u""},
        {"a space first", Record(u"G", vendor, 0, " /S"), false, 0, shipped, u""},
        {"a space last", Record(u"G", vendor, 0, "/S "), false, 0, shipped, u""},
        {"two spaces", Record(u"G", vendor, 0, "/S  /Q"), false, 0, shipped, u""},
        {"a tab", Record(u"G", vendor, 0, "/S\t/Q"), false, 0, shipped, u""},
        {"0x7F", Record(u"G", vendor, 0, "/S\x7F"), false, 0, shipped, u""},
        {"a byte above 0x7F", Record(u"G", vendor, 0, "/\xC3\x9C"), false, 0, shipped, u""},
        {"sound", sound, false, 1, vendor, u"Größe"},
        {"empty title", Record(u""), false, 1, vendor, u""},
        {"title of 200 units", Record(longest), false, 1, vendor, longest},
        {"times 0", Record(u"T", {0, 0, 0}), false, 1, {0, 0, 0}, u"T"},
        {"times 60000", Record(u"T", {60000, 60000, 60000}), false, 1, {60000, 60000, 60000}, u"T"},
        {"padded resource", With(sound, 44, 0, 4), false, 1, vendor, u"Größe"},
        {"both flags", Record(u"T", vendor, 3), false, 1, vendor, u"T", 3},
        {"switches", Record(u"", vendor, 1, "/S /quiet --x=1 ~!"), false, 1, vendor, u"", 1,
         "/S /quiet --x=1 ~!"},
        {"switches of 255 bytes", Record(u"T", vendor, 2, longestList), false, 1, vendor, u"T", 2,
         longestList},
        {"version 3", RecordV3(u"T", vendor, 1, "/S", 3000), false, 1, vendor, u"T", 1, "/S", 3000},
        {"version 3, 60000 ms", RecordV3(u"", vendor, 0, "", 60000), false, 1, vendor, u"", 0, "",
         60000},
        {"version 3, 60001 ms", RecordV3(u"T", vendor, 0, "", 60001), false, 0, shipped, u""},
        {"version 3 without its wait", With(Record(u"T", vendor), 4, 3), false, 0, shipped, u""},
        {"version 4", With(RecordV3(u"T", vendor, 0, "", 5), 4, 4), false, 0, shipped, u""},
    };
    for (size_t size = 0; size < sound.size(); ++size)
        rows.push_back({std::to_string(size) + " bytes", Bytes(sound.begin(), sound.begin() + size),
                        false, 0, shipped, u""});

    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ProductSettings settings;
        std::memset(&settings, 0xAB, sizeof settings);
        const uint8_t* bytes = row.null ? nullptr : row.bytes.data();
        const uint32_t size = row.null ? 44 : uint32_t(row.bytes.size());
        EXPECT_EQ(ReadProductRecord(bytes, size, &settings), row.taken);
        EXPECT_EQ(settings.timings.fadeInMs, row.timings.fadeInMs);
        EXPECT_EQ(settings.timings.holdMs, row.timings.holdMs);
        EXPECT_EQ(settings.timings.fadeOutMs, row.timings.fadeOutMs);
        ASSERT_EQ(settings.titleLength, row.title.size());
        EXPECT_EQ(std::u16string(settings.title, settings.title + row.title.size() + 1),
                  row.title + u'\0');
        EXPECT_EQ(settings.flags, row.flags);
        ASSERT_EQ(settings.switchesLength, row.switches.size());
        EXPECT_EQ(std::string(settings.switches, row.switches.size() + 1), row.switches + '\0');
        EXPECT_EQ(settings.untilWindowMs, row.untilWindowMs);
    }
}

TEST(ProductRecord, WriterGivesTheRecordTheLauncherReads)
{
    struct Case {
        ShowTimings timings;
        std::u16string title;
        bool written;
        uint32_t flags = 0;
        std::string switches = "";
        uint32_t untilWindowMs = 0;
    };
    const Case cases[] = {
        {kShippedTimings, u"", true},
        {{0, 60000, 1}, u"日本のセットアップ 🚀", true, 3, "/S /VERYSILENT", 60000},
        {{5, 6, 7}, u"a", true, 0, "", 1},
        {{5, 6, 7}, u"a", false, 0, "", 60001},
        {{5, 6, 7}, std::u16string(200, u'\uFFFF'), true, 1, std::string(255, '~')},
        {{5, 6, 7}, std::u16string(201, u'x'), false},
        {{5, 6, 7}, u"a\x1F", false},
        {{60001, 6, 7}, u"a", false},
        {{5, 60001, 7}, u"a", false},
        {{5, 6, 60001}, u"a", false},
        {{5, 6, 7}, u"a", false, 4},
        {{5, 6, 7}, u"a", false, 0, std::string(256, '~')},
        {{5, 6, 7}, u"a", false, 0, "/S  /Q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        const Bytes record = EncodeProductRecord(c.timings, c.title, c.flags, c.switches,
                                                 c.untilWindowMs, 3, 65535, 0);
        if (!c.written) {
            EXPECT_TRUE(record.empty());
            continue;
        }
        EXPECT_EQ(
            record,
            With(With(RecordV3(c.title, c.timings, c.flags, c.switches, c.untilWindowMs), 8, 3), 10,
                 65535));
        ProductSettings settings;
        ASSERT_EQ(ReadProductRecord(record.data(), uint32_t(record.size()), &settings), 1);
        EXPECT_EQ(settings.timings.fadeInMs, c.timings.fadeInMs);
        EXPECT_EQ(settings.timings.holdMs, c.timings.holdMs);
        EXPECT_EQ(settings.timings.fadeOutMs, c.timings.fadeOutMs);
        EXPECT_EQ(std::u16string(settings.title, settings.title + settings.titleLength), c.title);
        EXPECT_EQ(settings.flags, c.flags);
        EXPECT_EQ(std::string(settings.switches, settings.switchesLength), c.switches);
        EXPECT_EQ(settings.untilWindowMs, c.untilWindowMs);
    }
}

}  // namespace
