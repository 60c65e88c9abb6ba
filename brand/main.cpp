// orveline-brand: writes a vendor's orveline.exe and orveline64.exe from
// the shipped programs beside it, with the vendor's pictures, icon, texts
// and timings, and nothing else changed. Exit codes: 0 both written, 1
// refused or failed (neither written), 2 a command line it cannot read.
#include "brand_options.h"
#include "brand_programs.h"
#include "place_files.h"
#include "tool_files.h"
#include "orveline_version.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const uint16_t kOrveline[3] = {ORVELINE_VERSION_MAJOR, ORVELINE_VERSION_MINOR,
                               ORVELINE_VERSION_PATCH};

int Refuse(const std::string& why)
{
    Print(stderr, "orveline-brand: " + why + "\n");
    return 1;
}

std::string Join(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "/" + name;
}

// The 64-bit program goes beside the 32-bit one: OUTPUT.exe gives OUTPUT64.exe.
std::string SixtyFourName(const std::string& output)
{
    const size_t dot = output.find_last_of('.');
    const size_t slash = output.find_last_of("\\/");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return output.substr(0, dot) + "64" + output.substr(dot);
    return output + "64";
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Both programs are written under temporary names, signed there when asked,
// and put in place together only once both are complete: any failure
// leaves the earlier outputs as they were.
int WriteBoth(const BrandOptions& options, const std::string outputs[2],
              const std::vector<uint8_t> programs[2])
{
    std::string error;
    // Refused before anything is written or the signing command runs.
    if (!CheckPlaces({outputs[0], outputs[1]}, &error))
        return Refuse(error + "; nothing was written");
    if (!MakeFolders(FolderOf(outputs[0]), &error))
        return Refuse(error + "; nothing was written");
    const std::vector<Placement> placements = {{outputs[0] + ".part", outputs[0]},
                                               {outputs[1] + ".part", outputs[1]}};
    auto fail = [&](const std::string& why) {
        for (const Placement& p : placements)
            RemoveFile(p.from);
        return Refuse(why + "; nothing was written");
    };
    for (int i = 0; i < 2; ++i)
        if (!WriteWholeFile(placements[i].from, programs[i], &error))
            return fail(error);
    if (!options.signCommand.empty())
        for (const Placement& p : placements) {
            std::string command = options.signCommand;
            for (size_t at; (at = command.find("{}")) != std::string::npos;)
                command.replace(at, 2, QuotedForShell(p.from));
            const int status = RunCommand(command);
            if (status != 0)
                return fail("the signing command failed (status " + std::to_string(status) +
                            ") on " + p.from);
        }
    std::vector<std::string> leftAside;
    if (!PlaceFiles(placements, &leftAside, &error))
        return Refuse(error);
    for (const std::string& aside : leftAside)
        Print(stderr, "orveline-brand: the earlier program, moved aside to " + aside +
                          ", could not be removed (is it running?): remove it once it has ended\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    BrandOptions options;
    std::string error;
    switch (ParseBrandOptions(CommandArguments(argc, argv), kOrveline, &options, &error)) {
    case kBrandHelp:
        Print(stdout, BrandHelp());
        return 0;
    case kBrandVersion:
        Print(stdout, std::string("orveline-brand ") + ORVELINE_VERSION_TEXT + "\n");
        return 0;
    case kBrandUsage:
        Print(stderr, "orveline-brand: " + error +
                          "\nusage: orveline-brand [OPTIONS] SMALL.png LARGE.png [OUTPUT.exe]; "
                          "--help lists them\n");
        return 2;
    case kBrandRefused:
        return Refuse(error);
    case kBrandRun:
        break;
    }

    BrandInputs inputs;
    std::vector<std::string> refusals;
    if (!PrepareBrandInputs(options, &inputs, &refusals)) {
        for (const std::string& refusal : refusals)
            Refuse(refusal);
        return 1;
    }
    if (options.checkOnly)
        return 0;

    // A folder (an existing one, or a name ending in a separator) gets
    // orveline.exe inside.
    std::string outputs[2] = {options.output, ""};
    if (outputs[0].back() == '/' || outputs[0].back() == '\\' || IsFolder(outputs[0]))
        outputs[0] = Join(outputs[0].back() == '/' || outputs[0].back() == '\\'
                              ? outputs[0].substr(0, outputs[0].size() - 1)
                              : outputs[0],
                          "orveline.exe");
    outputs[1] = SixtyFourName(outputs[0]);

    const std::string folder = options.templates.empty() ? ToolFolder() : options.templates;
    BrandTemplate templates[2];
    for (int i = 0; i < 2; ++i) {
        const std::string path = Join(folder, i == 0 ? "orveline.exe" : "orveline64.exe");
        if (!LoadBrandTemplate(path, i == 1, kOrveline, &templates[i], &error))
            return Refuse(error);
    }
    for (const std::string& output : outputs)
        for (const BrandTemplate& t : templates)
            if (SameFile(output, t.path))
                return Refuse(output +
                              " is one of the programs it is made from: name another output");

    std::vector<uint8_t> programs[2];
    for (int i = 0; i < 2; ++i)
        if (!BrandProgram(templates[i], options, inputs, kOrveline, &programs[i], &error))
            return Refuse(error);
    if (const int status = WriteBoth(options, outputs, programs); status != 0)
        return status;
    const char* signedNote = options.signCommand.empty() ? "" : ", signed";
    for (int i = 0; i < 2; ++i) {
        // The file's own size: a signing command makes the program larger.
        std::vector<uint8_t> written;
        const size_t size =
            ReadWholeFile(outputs[i], &written, &error) ? written.size() : programs[i].size();
        Print(stdout, "orveline-brand: wrote " + outputs[i] + ", " + (i == 0 ? "32" : "64") +
                          "-bit" + signedNote + " (" + std::to_string(size) + " bytes)\n");
    }
    return 0;
}
