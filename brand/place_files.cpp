#include "place_files.h"

#include "tool_files.h"

namespace {

// A name of the tool's own beside the file, for the file it replaces.
bool AsideName(const std::string& name, std::string* aside)
{
    for (int n = 1; n < 100; ++n) {
        *aside = name + ".earlier" + (n == 1 ? std::string() : std::to_string(n));
        if (!NameTaken(*aside))
            return true;
    }
    return false;
}

struct Step {
    std::string aside;  // where the earlier file went, if there was one
    bool movedAside = false;
    bool movedIn = false;
};

// Undoes the steps taken; says what could not be undone, or that nothing
// is changed.
std::string StepBack(const std::vector<Placement>& placements, const std::vector<Step>& steps)
{
    std::string left;
    const auto note = [&left](const std::string& text) {
        left += (left.empty() ? "" : ", ") + text;
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        const Placement& p = placements[i];
        const Step& step = steps[i];
        if (step.movedIn && !RemoveFile(p.to))
            note("the new " + p.to + " could not be removed");
        std::string ignored;
        if (step.movedAside && !RenameFile(step.aside, p.to, &ignored))
            note("the earlier " + p.to + " is now " + step.aside);
    }
    for (const Placement& p : placements)
        if (!RemoveFile(p.from))
            note(p.from + " could not be removed");
    return left.empty() ? "nothing was written" : left;
}

}  // namespace

bool CheckPlaces(const std::vector<std::string>& names, std::string* error)
{
    for (const std::string& name : names) {
        if (IsFolder(name)) {
            *error = name + " is a folder";
            return false;
        }
        // Windows will not replace a read-only file; nor, for the same
        // vendor, does the tool anywhere else.
        if (IsReadOnly(name)) {
            *error = name + " is read-only";
            return false;
        }
    }
    return true;
}

bool PlaceFiles(const std::vector<Placement>& placements, std::vector<std::string>* leftAside,
                std::string* error)
{
    leftAside->clear();
    std::vector<std::string> names;
    for (const Placement& p : placements)
        names.push_back(p.to);
    std::vector<Step> steps(placements.size());
    const auto fail = [&](const std::string& why) {
        *error = why + "; " + StepBack(placements, steps);
        return false;
    };
    if (!CheckPlaces(names, error))
        return fail(*error);
    for (size_t i = 0; i < placements.size(); ++i) {
        if (!NameTaken(placements[i].to))
            continue;
        if (!AsideName(placements[i].to, &steps[i].aside))
            return fail("no name is free beside " + placements[i].to + " for the file it holds");
        std::string why;
        if (!RenameFile(placements[i].to, steps[i].aside, &why))
            return fail(why);
        steps[i].movedAside = true;
    }
    for (size_t i = 0; i < placements.size(); ++i) {
        std::string why;
        if (!RenameFile(placements[i].from, placements[i].to, &why))
            return fail(why);
        steps[i].movedIn = true;
    }
    for (const Step& step : steps)
        if (step.movedAside && !RemoveFile(step.aside))
            leftAside->push_back(step.aside);
    return true;
}
