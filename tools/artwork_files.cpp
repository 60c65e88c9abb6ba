#include "artwork_files.h"

#include <cstdio>
#include <filesystem>
#include <utility>

namespace {

bool Fail(std::string* error, std::string text)
{
    *error = std::move(text);
    return false;
}

std::string SizeText(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace

bool PrepareArtwork(const std::string& pngPath, const ArtworkSlot& slot, bool fit,
                    RgbaImage* picture, std::string* error, std::string* note)
{
    std::vector<uint8_t> png;
    return ReadWholeFile(pngPath, &png, error) &&
           PrepareArtworkPicture(png, pngPath, slot, fit, picture, error, note);
}

bool PackArtwork(const std::string& smallPng, const std::string& largePng,
                 const std::string& outDir, bool fit, std::string* error, std::string* report)
{
    struct Job {
        const std::string& png;
        const ArtworkSlot& slot;
        std::string note, path, temporary;
        std::vector<uint8_t> file;
    };
    Job jobs[2] = {{smallPng, kSmallArtwork, {}, {}, {}, {}},
                   {largePng, kLargeArtwork, {}, {}, {}, {}}};

    // Every picture is judged before anything is written, and the user hears
    // of all that is wrong at once.
    error->clear();
    for (Job& job : jobs) {
        std::vector<uint8_t> png;
        std::string why;
        if (!ReadWholeFile(job.png, &png, &why) ||
            !PackArtworkBitmap(png, job.png, job.slot, fit, &job.file, &why, &job.note))
            *error += (error->empty() ? "" : "\n") + why;
    }
    if (!error->empty())
        return false;

    std::error_code made;
    std::filesystem::create_directories(outDir, made);
    if (made)
        return Fail(error, "cannot create the folder " + outDir + ": " + made.message());
    report->clear();
    for (Job& job : jobs)
        job.path = (std::filesystem::path(outDir) / (std::string(job.slot.name) + ".bmp")).string();
    // Both files are complete on disk before either replaces its old one,
    // so a full disk or a read-only folder leaves the old pair as it was.
    const auto dropTemporaries = [&jobs] {
        for (Job& job : jobs)
            if (!job.temporary.empty())
                std::remove(job.temporary.c_str());
    };
    for (Job& job : jobs) {
        if (!WriteBeside(job.path, job.file, &job.temporary, error)) {
            dropTemporaries();
            return false;
        }
    }
    for (Job& job : jobs) {
        const bool moved = MoveIntoPlace(job.temporary, job.path, error);
        if (!moved)
            RemoveFile(job.temporary);
        job.temporary.clear();
        if (!moved) {
            dropTemporaries();
            return false;
        }
        *report += job.path + ": " + SizeText(job.slot.width, job.slot.height) + " from " +
                   job.png + (job.note.empty() ? "" : ", " + job.note) + "\n";
    }
    return true;
}

bool IconFromFile(const std::string& path, std::vector<uint8_t>* icon, std::string* error)
{
    std::vector<uint8_t> bytes;
    return ReadWholeFile(path, &bytes, error) && IconFromBytes(bytes, path, icon, error);
}
