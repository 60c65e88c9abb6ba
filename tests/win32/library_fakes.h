// The DLL search and the libraries loaded and looked up, faked or recorded
// (library_fakes.cpp): a run's settings of them, and what was loaded.
#pragma once

#include <string>
#include <vector>

struct LibraryFakeSettings {
    bool noSetDefaultDllDirectories = false;  // a system before Windows 8 without its update
    std::string missingLibrary;               // a system library's file name that does not load
};

struct LibraryFakeRecord {
    std::vector<std::string> librariesLoaded;
    int librariesFreed = 0;
};

// Puts the fakes into this program's import table, once; true when every
// call they stand in for is imported.
bool InstallLibraryFakes();
// The fakes take these settings from now on, and forget what they saw.
void ResetLibraryFakes(const LibraryFakeSettings& settings);
// What they saw since.
const LibraryFakeRecord& LibraryFakesSaw();
