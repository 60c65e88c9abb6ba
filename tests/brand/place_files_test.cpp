// The branding tool's two programs put in place as one step, natively and
// under Wine: both new files, or neither with every earlier file as it was.
#include "place_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Folder = std::map<std::string, std::string>;  // name to content
const std::string kFolderMark = "<folder>";

struct Row {
    const char* what;
    Folder before;
    std::vector<std::string> readOnly;
    bool placed;
    Folder after;
    const char* error = "";  // a part of the message
};

void Make(const fs::path& at, const Folder& files, const std::vector<std::string>& readOnly)
{
    fs::create_directories(at);
    for (const auto& [name, content] : files) {
        if (content == kFolderMark) {
            fs::create_directories(at / name / "inside");
            continue;
        }
        std::ofstream(at / name, std::ios::binary) << content;
    }
    for (const std::string& name : readOnly)
        fs::permissions(at / name,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
}

Folder Read(const fs::path& at)
{
    Folder files;
    for (const fs::directory_entry& entry : fs::directory_iterator(at)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory()) {
            files[name] = fs::exists(entry.path() / "inside") ? kFolderMark : "<emptied folder>";
            continue;
        }
        std::ostringstream content;
        content << std::ifstream(entry.path(), std::ios::binary).rdbuf();
        files[name] = content.str();
    }
    return files;
}

void Clear(const fs::path& at)
{
    // A read-only file stays on Windows until it may be written again.
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(at))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
    fs::remove_all(at);
}

TEST(PlaceFiles, PutsBothNewFilesInPlaceOrNeither)
{
    const Folder parts = {{"a.exe.part", "new 32"}, {"a64.exe.part", "new 64"}};
    const Folder earlier = {{"a.exe", "old 32"}, {"a64.exe", "old 64"}};
    const Folder placed = {{"a.exe", "new 32"}, {"a64.exe", "new 64"}};
    const auto with = [](Folder a, const Folder& b) {
        a.insert(b.begin(), b.end());
        return a;
    };
    const Row rows[] = {
        {"names that hold nothing take the new files", parts, {}, true, placed},
        {"earlier files give way, and are gone after", with(parts, earlier), {}, true, placed},
        {"the second name a folder",
         with(parts, {{"a.exe", "old 32"}, {"a64.exe", kFolderMark}}),
         {},
         false,
         {{"a.exe", "old 32"}, {"a64.exe", kFolderMark}},
         "a64.exe is a folder; nothing was written"},
        {"the second name read-only",
         with(parts, earlier),
         {"a64.exe"},
         false,
         earlier,
         "a64.exe is read-only; nothing was written"},
        {"the first name read-only",
         with(parts, earlier),
         {"a.exe"},
         false,
         earlier,
         "a.exe is read-only"},
        // The second move fails once the first new file is in: the first
        // earlier file must come back.
        {"a move that fails after the first",
         with({{"a.exe.part", "new 32"}}, earlier),
         {},
         false,
         earlier,
         "a64.exe.part to"},
        {"an aside name that is taken is left alone",
         with(with(parts, earlier),
              {{"a.exe.earlier", "theirs"}, {"a.exe.earlier2", "theirs too"}}),
         {},
         true,
         with(placed, {{"a.exe.earlier", "theirs"}, {"a.exe.earlier2", "theirs too"}})},
    };
    const fs::path folder = fs::current_path() / "place_files_test";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (fs::exists(folder))
            Clear(folder);
        Make(folder, row.before, row.readOnly);
        const std::string at = folder.string() + "/";
        std::vector<std::string> leftAside;
        std::string error;
        EXPECT_EQ(
            PlaceFiles({{at + "a.exe.part", at + "a.exe"}, {at + "a64.exe.part", at + "a64.exe"}},
                       &leftAside, &error),
            row.placed)
            << error;
        EXPECT_NE(error.find(row.error), std::string::npos) << error;
        EXPECT_TRUE(leftAside.empty());
        EXPECT_EQ(Read(folder), row.after);
    }
    Clear(folder);
}

}  // namespace
