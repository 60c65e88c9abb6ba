// New files, complete under temporary names, put in place as one step:
// every one of them, or none, with the files they replace as they were.
#pragma once

#include <string>
#include <vector>

struct Placement {
    std::string from;  // the new file, under its temporary name
    std::string to;    // the name it is for
};

// Whether each name can take a new file: it holds nothing, or a file that
// is not read-only. Otherwise *error says which name and why.
bool CheckPlaces(const std::vector<std::string>& names, std::string* error);

// Checks every name as CheckPlaces does, moves the files that hold them
// aside (NAME.earlier, or the first of NAME.earlier2, NAME.earlier3 ...
// that nothing holds), moves every new file in, and only then removes the
// earlier files. On any failure the new files go, the earlier ones come
// back to their names, and *error says what failed and, where a step back
// failed too, what is where. After success, *leftAside names each earlier
// file that could not be removed (on Windows, a program still running).
bool PlaceFiles(const std::vector<Placement>& placements, std::vector<std::string>* leftAside,
                std::string* error);
