// The resource reader and rewriter, judged on the shipped programs
// themselves: against wrestool's listing, binutils' reading of what it
// writes, and a checksum summed here the plain way.
#include "pe_resources.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>

namespace {

using Bytes = std::vector<uint8_t>;
using Entries = std::vector<ResourceEntry>;

struct Template {
    const char* variable;
    const char* build;
    uint16_t machine;
    bool pe32Plus;
    const char* objdump;
};

const Template kTemplates[] = {
    {"ORVELINE_TEMPLATE32", "win32", 0x14C, false, "i686-w64-mingw32-objdump"},
    {"ORVELINE_TEMPLATE64", "win64", 0x8664, true, "x86_64-w64-mingw32-objdump"},
};

std::string TemplatePath(const Template& t)
{
    const char* path = std::getenv(t.variable);
    return path != nullptr
               ? path
               : std::string(ORVELINE_BUILD_ROOT) + "/" + t.build + "/launcher/orveline.exe";
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Both programs, or nothing when either has not been built.
const std::vector<Bytes>& Templates()
{
    static const std::vector<Bytes> images = [] {
        std::vector<Bytes> all;
        for (const Template& t : kTemplates)
            if (Bytes image = ReadFile(TemplatePath(t)); !image.empty())
                all.push_back(std::move(image));
        return all.size() == std::size(kTemplates) ? all : std::vector<Bytes>{};
    }();
    return images;
}

#define REQUIRE_TEMPLATES()                                                                        \
    if (Templates().empty())                                                                       \
    GTEST_FAIL()                                                                                   \
        << "build the programs first: cmake --preset win32 && cmake --build --preset win32 "       \
           "--target orveline, and the same for win64"

uint32_t At32(const Bytes& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

uint32_t ReferenceChecksum(Bytes image)
{
    const size_t size = image.size();
    Put32(image, At32(image, 0x3C) + 24 + 64, 0);
    image.push_back(0);
    uint64_t sum = 0;
    for (size_t i = 0; i + 1 < image.size(); i += 2)
        sum += image[i] | image[i + 1] << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return uint32_t(sum + size);
}

struct TempFile {
    std::string path;
    explicit TempFile(const Bytes& bytes)
        : path(std::filesystem::temp_directory_path() /
               ("pe_resources_test_" + std::to_string(getpid()) + ".exe"))
    {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    ~TempFile() { std::filesystem::remove(path); }
};

std::string Run(const std::string& command, int* status)
{
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    *status = pclose(pipe);
    return output;
}

std::string Label(const ResourceId& id)
{
    return id.name.empty() ? std::to_string(id.id)
                           : "'" + std::string(id.name.begin(), id.name.end()) + "'";
}

// type, name, language and size of each resource, as wrestool -l gives them.
std::vector<std::string> Listing(const Entries& entries)
{
    std::vector<std::string> lines;
    for (const ResourceEntry& e : entries)
        lines.push_back(Label(e.type) + " " + Label(e.name) + " " + std::to_string(e.language) +
                        " " + std::to_string(e.data.size()));
    return lines;
}

// The listing as wrestool -l gives it: for a resource named under a named
// type, such as a picture under "PNG", it prints the type's name in place
// of the resource's own.
std::vector<std::string> AsWrestoolLists(const Entries& entries)
{
    Entries shown = entries;
    for (ResourceEntry& e : shown)
        if (!e.type.name.empty() && !e.name.name.empty())
            e.name = e.type;
    return Listing(shown);
}

// What wrestool extracts by type and name is each resource's data: the
// names its listing cannot show, checked another way.
void ExpectWrestoolExtracts(const std::string& path, const Entries& entries)
{
    for (const ResourceEntry& e : entries) {
        if (e.type.name.empty() || e.name.name.empty())
            continue;
        int status = -1;
        const std::string data =
            Run("wrestool -x --raw --type='" + std::string(e.type.name.begin(), e.type.name.end()) +
                    "' --name='" + std::string(e.name.name.begin(), e.name.name.end()) + "' '" +
                    path + "'",
                &status);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(Bytes(data.begin(), data.end()) == e.data)
            << Label(e.type) << " " << Label(e.name);
    }
}

std::vector<std::string> WrestoolListing(const std::string& path)
{
    int status = -1;
    std::istringstream output(Run("wrestool -l '" + path + "'", &status));
    EXPECT_EQ(status, 0) << "wrestool failed";
    std::vector<std::string> lines;
    for (std::string text; std::getline(output, text);) {
        std::istringstream words(text);
        std::map<std::string, std::string> values;
        for (std::string word; words >> word;)
            if (const size_t equals = word.find('='); equals != std::string::npos)
                values[word.substr(0, equals)] = word.substr(equals + 1);
        if (values.count("--type") != 0)
            lines.push_back(values["--type"] + " " + values["--name"] + " " + values["--language"] +
                            " " + values["size"].substr(0, values["size"].find(']')));
    }
    return lines;
}

// What objdump reports of the headers: each section's size, address and
// file offset, and the header fields by name.
struct Dump {
    std::map<std::string, std::array<uint64_t, 3>> sections;
    std::map<std::string, std::vector<std::string>> fields;
    std::string text;
};

uint64_t Hex(const std::string& text)
{
    return std::stoull(text, nullptr, 16);
}

Dump ObjdumpOf(const Template& t, const std::string& path)
{
    Dump dump;
    int status = -1;
    dump.text = Run(std::string(t.objdump) + " -h -p '" + path + "'", &status);
    EXPECT_EQ(status, 0) << dump.text;
    std::istringstream lines(dump.text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        std::vector<std::string> words;
        for (std::string word; in >> word;)
            words.push_back(word);
        if (words.size() == 7 && words[6].rfind("2**", 0) == 0)
            dump.sections[words[1]] = {Hex(words[2]), Hex(words[3]), Hex(words[5])};
        else if (words.size() >= 2 && !std::isspace(uint8_t(line[0])))
            dump.fields[words[0] == "Entry" ? "Entry " + words[1] : words[0]] =
                std::vector<std::string>(words.begin() + (words[0] == "Entry" ? 2 : 1),
                                         words.end());
    }
    return dump;
}

Bytes Pattern(size_t size, uint8_t seed)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(i * 31 + seed + (i >> 9));
    return bytes;
}

ResourceEntry Named(uint16_t type, const char16_t* name, uint16_t language, size_t size)
{
    return {{type, {}}, {0, name}, language, 0, Pattern(size, uint8_t(size))};
}

// A picture, as the tool stores them: under the type named PNG.
ResourceEntry Picture(const char16_t* name, uint16_t language, size_t size)
{
    return {{0, u"PNG"}, {0, name}, language, 0, Pattern(size, uint8_t(size))};
}

ResourceEntry Numbered(uint16_t type, uint16_t id, uint16_t language, size_t size)
{
    return {{type, {}}, {id, {}}, language, 1252, Pattern(size, uint8_t(id))};
}

ResourceEntry* Find(Entries& entries, const char16_t* name)
{
    for (ResourceEntry& e : entries)
        if (e.name.name == name)
            return &e;
    return nullptr;
}

std::vector<std::string> TypeOrder(const Entries& entries)
{
    std::vector<std::string> labels;
    for (const ResourceEntry& e : entries)
        if (labels.empty() || labels.back() != Label(e.type))
            labels.push_back(Label(e.type));
    return labels;
}

std::vector<std::string> NamesOf(const Entries& entries, const ResourceId& type)
{
    std::vector<std::string> labels;
    for (const ResourceEntry& e : entries)
        if (e.type == type)
            labels.push_back(Label(e.name));
    return labels;
}

std::vector<std::string> NamesOf(const Entries& entries, uint16_t type)
{
    return NamesOf(entries, ResourceId{type, {}});
}

std::vector<std::string> NamesOf(const Entries& entries, const char16_t* type)
{
    return NamesOf(entries, ResourceId{0, type});
}

std::vector<std::string> Sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(PeResourcesTest, ReadsTheShippedProgramsAsWrestoolDoes)
{
    REQUIRE_TEMPLATES();
    for (size_t i = 0; i < std::size(kTemplates); ++i) {
        const Template& t = kTemplates[i];
        SCOPED_TRACE(t.build);
        const Bytes& image = Templates()[i];
        Entries entries;
        std::string error;
        ASSERT_TRUE(ReadPeResources(image, &entries, &error)) << error;
        EXPECT_EQ(AsWrestoolLists(entries), WrestoolListing(TemplatePath(t)));
        ExpectWrestoolExtracts(TemplatePath(t), entries);
        EXPECT_EQ(NamesOf(entries, u"PNG"), (std::vector<std::string>{"'TAL1280'", "'TAL800'"}));
        EXPECT_EQ(NamesOf(entries, 2), std::vector<std::string>{}) << "the pictures as bitmaps too";
        PeFacts facts;
        ASSERT_TRUE(ReadPeFacts(image, &facts, &error)) << error;
        EXPECT_EQ(facts.machine, t.machine);
        EXPECT_EQ(facts.pe32Plus, t.pe32Plus);
        EXPECT_FALSE(facts.hasSignature);
        // The linker's own checksum, ours and the plain sum all agree.
        EXPECT_EQ(facts.checksum, ReferenceChecksum(image));
        EXPECT_EQ(PeChecksum(image), ReferenceChecksum(image));
    }
}

struct Rewrite {
    const char* what;
    std::function<void(Entries&)> change;
    bool sameBytes = false;
    bool refused = false;
    std::vector<std::string> types = {}, rcdataNames = {};
};

TEST(PeResourcesTest, RewritesTheProgramsWithExactlyTheNewResources)
{
    REQUIRE_TEMPLATES();
    const std::vector<Rewrite> rows = {
        {"the same resources", [](Entries&) {}, true},
        {"the same resources in another order",
         [](Entries& e) { std::reverse(e.begin(), e.end()); }, true},
        {"a larger picture", [](Entries& e) { Find(e, u"TAL800")->data.resize(300001, 0x5A); }},
        {"a smaller picture", [](Entries& e) { Find(e, u"TAL1280")->data.resize(999); }},
        {"a vendor's resources",
         [](Entries& e) {
             e.push_back(Picture(u"TAL1280X2", 0x411, 40123));
             e.push_back(Named(14, u"ICON", 0x409, 62));
             for (uint16_t id = 1; id <= 4; ++id)
                 e.push_back(Numbered(3, id, 0x409, 1000 * id + 3));
             e.push_back(Named(10, u"ORVELINE", 0, 77));
             for (ResourceEntry& r : e)
                 if (r.type.id == 16)
                     r.data = Pattern(901, 7);
         },
         false,
         false,
         {"'PNG'", "3", "10", "14", "16", "24"}},
        {"names in the order Windows looks them up",
         [](Entries& e) {
             for (const char16_t* name : {u"zeta", u"_x", u"ALPHA2", u"Alpha"})
                 e.push_back(Named(10, name, 0, 5));
             e.push_back(Numbered(10, 5, 0, 3));
             e.push_back(Numbered(10, 1, 0, 3));
             e.push_back({{0, u"Zz"}, {1, {}}, 0, 0, {1, 2, 3}});
         },
         // The programs' own product record is among them.
         false,
         false,
         {"'PNG'", "'Zz'", "10", "16", "24"},
         {"'Alpha'", "'ALPHA2'", "'PRODUCT'", "'zeta'", "'_x'", "1", "5"}},
        {"no resources at all", [](Entries& e) { e.clear(); }, false, false, {}},
        {"one resource twice", [](Entries& e) { e.push_back(e.front()); }, false, true},
        {"names that differ only in case",
         [](Entries& e) { e.push_back(Picture(u"tal800", 0x409, 10)); }, false, true},
    };
    for (size_t i = 0; i < std::size(kTemplates); ++i) {
        const Template& t = kTemplates[i];
        const Bytes& image = Templates()[i];
        const Dump before = ObjdumpOf(t, TemplatePath(t));
        for (const Rewrite& row : rows) {
            SCOPED_TRACE(std::string(t.build) + ": " + row.what);
            Entries entries;
            std::string error;
            ASSERT_TRUE(ReadPeResources(image, &entries, &error)) << error;
            row.change(entries);
            Bytes out;
            ASSERT_EQ(ReplacePeResources(image, entries, &out, &error), !row.refused) << error;
            if (row.refused) {
                EXPECT_FALSE(error.empty());
                continue;
            }
            if (row.sameBytes) {
                EXPECT_TRUE(out == image);
                continue;
            }
            Entries back;
            ASSERT_TRUE(ReadPeResources(out, &back, &error)) << error;
            EXPECT_EQ(Sorted(Listing(back)), Sorted(Listing(entries)));
            for (const ResourceEntry& e : entries)
                EXPECT_EQ(std::count(back.begin(), back.end(), e), 1)
                    << Label(e.type) << " " << Label(e.name);
            if (!row.types.empty() || entries.empty()) {
                EXPECT_EQ(TypeOrder(back), row.types);
            }
            if (!row.rcdataNames.empty()) {
                EXPECT_EQ(NamesOf(back, 10), row.rcdataNames);
            }

            PeFacts facts;
            ASSERT_TRUE(ReadPeFacts(out, &facts, &error)) << error;
            EXPECT_EQ(facts.checksum, ReferenceChecksum(out));

            const TempFile file(out);
            EXPECT_EQ(Sorted(WrestoolListing(file.path)), Sorted(AsWrestoolLists(entries)));
            ExpectWrestoolExtracts(file.path, entries);
            const Dump after = ObjdumpOf(t, file.path);
            // objdump takes a lone root directory that ends its section for
            // a cut one.
            if (!entries.empty()) {
                EXPECT_EQ(after.text.find("orrupt"), std::string::npos) << after.text;
            }
            EXPECT_EQ(after.text.find("arning"), std::string::npos) << after.text;
            // Everything before the resources stays where it was, byte for
            // byte; the relocations move to the next page after them.
            const auto rsrc = after.sections.at(".rsrc"), reloc = after.sections.at(".reloc");
            const uint64_t base = Hex(after.fields.at("ImageBase").at(0));
            for (const auto& [name, section] : before.sections) {
                if (section[1] >= rsrc[1])
                    continue;
                EXPECT_EQ(after.sections.at(name), section) << name;
                const size_t end =
                    section[2] + (section[2] != 0 ? (section[0] + 511) / 512 * 512 : 0);
                EXPECT_TRUE(std::equal(image.begin() + section[2], image.begin() + end,
                                       out.begin() + section[2]))
                    << name;
            }
            EXPECT_EQ(rsrc[1], before.sections.at(".rsrc")[1]);
            EXPECT_EQ(reloc[1], (rsrc[1] + rsrc[0] + 0xFFF) / 0x1000 * 0x1000);
            const auto oldReloc = before.sections.at(".reloc");
            ASSERT_EQ(reloc[0], oldReloc[0]);
            EXPECT_TRUE(std::equal(image.begin() + oldReloc[2],
                                   image.begin() + oldReloc[2] + oldReloc[0],
                                   out.begin() + reloc[2]));
            EXPECT_EQ(Hex(after.fields.at("SizeOfImage").at(0)),
                      (reloc[1] + reloc[0] - base + 0xFFF) / 0x1000 * 0x1000);
            // As the linker counts it: each data section's size rounded up
            // to the file alignment.
            const auto filed = [](uint64_t size) { return (size + 511) / 512 * 512; };
            EXPECT_EQ(Hex(after.fields.at("SizeOfInitializedData").at(0)),
                      Hex(before.fields.at("SizeOfInitializedData").at(0)) + filed(rsrc[0]) -
                          filed(before.sections.at(".rsrc")[0]));
            EXPECT_EQ(Hex(after.fields.at("Entry 2").at(0)), rsrc[1] - base);
            EXPECT_EQ(Hex(after.fields.at("Entry 2").at(1)), rsrc[0]);
            EXPECT_EQ(Hex(after.fields.at("Entry 5").at(0)), reloc[1] - base);
            EXPECT_EQ(Hex(after.fields.at("CheckSum").at(0)), ReferenceChecksum(out));
            EXPECT_EQ(out.size(), reloc[2] + (reloc[0] + 511) / 512 * 512);
        }
    }
}

struct Damage {
    std::string what;
    std::function<void(Bytes&)> apply;
    bool readable = false;
};

// Offsets into an image's resource directory, found the plain way.
struct Layout {
    size_t rsrc = 0, directories = 0;
    size_t Entry(size_t directory, int index) const
    {
        return rsrc + directory + 16 + 8 * size_t(index);
    }
    size_t Child(const Bytes& image, size_t directory, int index) const
    {
        return At32(image, Entry(directory, index) + 4) & 0x7FFFFFFF;
    }
};

Layout LayoutOf(const Bytes& image)
{
    Layout layout;
    const size_t pe = At32(image, 0x3C);
    const bool plus = image[pe + 24] == 0x0B && image[pe + 25] == 0x02;
    layout.directories = pe + 24 + (plus ? 112 : 96);
    const uint32_t rva = At32(image, layout.directories + 16);
    const size_t table = pe + 24 + (image[pe + 20] | image[pe + 21] << 8);
    for (size_t s = table; s < table + 40 * (image[pe + 6] | image[pe + 7] << 8); s += 40)
        if (At32(image, s + 12) == rva)
            layout.rsrc = At32(image, s + 20);
    return layout;
}

void SetDirectory(Bytes& image, size_t index, uint32_t rva, uint32_t size)
{
    const size_t at = LayoutOf(image).directories + 8 * index;
    Put32(image, at, rva);
    Put32(image, at + 4, size);
}

TEST(PeResourcesTest, RefusesDamagedProgramsWithAReason)
{
    REQUIRE_TEMPLATES();
    std::vector<Damage> rows = {
        {"no MZ", [](Bytes& b) { b[0] = 'X'; }},
        {"PE header outside the file", [](Bytes& b) { Put32(b, 0x3C, uint32_t(b.size()) - 8); }},
        {"a huge section count", [](Bytes& b) { b[At32(b, 0x3C) + 6] = 0xFF; }},
        {"a directory outside the section",
         [](Bytes& b) { Put32(b, LayoutOf(b).Entry(0, 0) + 4, 0xFFFFFFF0); }},
        {"a name outside the section",
         [](Bytes& b) {
             const Layout l = LayoutOf(b);
             Put32(b, l.Entry(l.Child(b, 0, 0), 0), 0xFFFFFF00);
         }},
        {"data larger than the file",
         [](Bytes& b) {
             const Layout l = LayoutOf(b);
             Put32(b, l.rsrc + l.Child(b, l.Child(b, l.Child(b, 0, 0), 0), 0) + 4, 0xFFFFFFF0);
         }},
        {"a directory that leads back to the root",
         [](Bytes& b) { Put32(b, LayoutOf(b).Entry(0, 1) + 4, 0x80000000); }},
        {"two types sharing one directory",
         [](Bytes& b) {
             const Layout l = LayoutOf(b);
             Put32(b, l.Entry(0, 1) + 4, At32(b, l.Entry(0, 0) + 4));
         }},
        {"more entries than the section holds", [](Bytes& b) { b[LayoutOf(b).rsrc + 15] = 0xFF; }},
        {"a signature", [](Bytes& b) { SetDirectory(b, 4, uint32_t(b.size()), 8); }, true},
        {"no relocation directory for .reloc", [](Bytes& b) { SetDirectory(b, 5, 0, 0); }, true},
        {"debug data in .reloc",
         [](Bytes& b) { SetDirectory(b, 6, At32(b, LayoutOf(b).directories + 40), 28); }, true},
        {"bytes after the last section", [](Bytes& b) { b.resize(b.size() + 512, 1); }, true},
    };
    const std::vector<std::pair<const char*, std::function<size_t(const Bytes&)>>> cuts = {
        {"the start", [](const Bytes&) { return 0; }},
        {"the DOS header", [](const Bytes&) { return 0x3F; }},
        {"the PE header", [](const Bytes& b) { return At32(b, 0x3C) + 10; }},
        {"the data directories", [](const Bytes& b) { return LayoutOf(b).directories + 20; }},
        {"the resource directory", [](const Bytes& b) { return LayoutOf(b).rsrc + 0x20; }},
        {"the resource names", [](const Bytes& b) { return LayoutOf(b).rsrc + 0x120; }},
        {"a picture", [](const Bytes& b) { return LayoutOf(b).rsrc + 0x1000; }},
        {"the middle", [](const Bytes& b) { return b.size() / 2; }},
        {"the relocations", [](const Bytes& b) { return b.size() - 0x1FF; }},
        {"the last byte", [](const Bytes& b) { return b.size() - 1; }},
    };
    for (const auto& [where, cut] : cuts)
        rows.push_back({std::string("cut in ") + where, [cut](Bytes& b) { b.resize(cut(b)); }});
    for (size_t i = 0; i < std::size(kTemplates); ++i)
        for (const Damage& row : rows) {
            SCOPED_TRACE(std::string(kTemplates[i].build) + ": " + row.what);
            Bytes image = Templates()[i];
            Entries entries;
            std::string error;
            ASSERT_TRUE(ReadPeResources(image, &entries, &error)) << error;
            entries.pop_back();
            row.apply(image);
            Entries read;
            EXPECT_EQ(ReadPeResources(image, &read, &error), row.readable) << error;
            Bytes out;
            error.clear();
            EXPECT_FALSE(ReplacePeResources(image, entries, &out, &error));
            EXPECT_FALSE(error.empty());
            EXPECT_EQ(error.find('\n'), std::string::npos);
        }
}

// Random damage to the headers and the resource directory: whatever comes
// of it, nothing is read or written outside the image (the sanitizer build
// watches), and what is accepted reads back as written.
TEST(PeResourcesTest, SurvivesRandomDamage)
{
    REQUIRE_TEMPLATES();
    std::mt19937 random(20240611);
    for (const Bytes& original : Templates()) {
        const Layout layout = LayoutOf(original);
        for (int round = 0; round < 300; ++round) {
            Bytes image = original;
            for (int flips = 1 + round % 8; flips > 0; --flips) {
                const size_t at = random() % 2 ? random() % 0x400 : layout.rsrc + random() % 0x140;
                image[at] = uint8_t(random());
            }
            Entries entries;
            PeFacts facts;
            std::string error;
            ReadPeFacts(image, &facts, &error);
            if (!ReadPeResources(image, &entries, &error))
                continue;
            entries.resize(entries.size() / 2);
            Bytes out;
            Entries back;
            if (ReplacePeResources(image, entries, &out, &error)) {
                ASSERT_TRUE(ReadPeResources(out, &back, &error)) << error;
                EXPECT_EQ(back.size(), entries.size());
            }
        }
    }
}

}  // namespace
