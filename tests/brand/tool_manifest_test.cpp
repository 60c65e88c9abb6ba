// The branding tool's manifest, read out of the built tools of both
// Windows builds: what Windows reads before it runs them. Without one, a
// console program is run virtualized and held to MAX_PATH.
#include "pe_resources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string Manifest(const std::string& tool)
{
    std::ifstream in(tool, std::ios::binary);
    const std::vector<uint8_t> image{std::istreambuf_iterator<char>(in), {}};
    std::vector<ResourceEntry> entries;
    std::string error;
    EXPECT_TRUE(ReadPeResources(image, &entries, &error)) << tool << ": " << error;
    for (const ResourceEntry& e : entries)
        if (e.type == ResourceId{24, {}} && e.name == ResourceId{1, {}})
            return std::string(e.data.begin(), e.data.end());
    return "";
}

// Windows refuses to start a program whose manifest is not XML.
bool WellFormed(const std::string& manifest)
{
    FILE* lint = popen("xmllint --noout - 2>&1", "w");
    if (lint == nullptr)
        return false;
    std::fwrite(manifest.data(), 1, manifest.size(), lint);
    return pclose(lint) == 0;
}

TEST(ToolManifest, RunsAsInvokerKnowsTheSystemsAndLongPaths)
{
    const char* const wanted[] = {
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
        "<longPathAware "
        "xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</longPathAware>",
        "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>",  // Vista
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // 7
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",  // 8
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",  // 8.1
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // 10 and 11
        "processorArchitecture=\"*\"",
    };
    for (const char* build : {"win32", "win64"}) {
        SCOPED_TRACE(build);
        const std::string manifest =
            Manifest(std::string(ORVELINE_BUILD_ROOT) + "/" + build + "/brand/orveline-brand.exe");
        ASSERT_FALSE(manifest.empty()) << "no manifest resource: build the tool first";
        EXPECT_TRUE(WellFormed(manifest));
        for (const char* text : wanted)
            EXPECT_NE(manifest.find(text), std::string::npos) << text;
    }
}

}  // namespace
