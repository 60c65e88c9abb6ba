// Whole files read and written for the build machine's tools, so that an
// output is never left half written.
#pragma once

// Reading whole files, and moving a file into place: the branding tool's.
#include "tool_files.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes bytes into a new temporary file beside path: on the same file
// system, so that the rename is atomic, and named after this process so
// that two tools never share one. Nothing is left behind on failure; on
// success *temporary names the file.
bool WriteBeside(const std::string& path, const std::vector<uint8_t>& bytes, std::string* temporary,
                 std::string* error);

// Writes bytes through a temporary file beside path, renamed into place once
// complete, so that path holds either its old content or all of the new.
bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);
