// The files and programs the branding tool deals with, by UTF-8 names on
// every platform: on Windows through the wide calls, in the extended-length
// form, so that names in any script and of any length work.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);
// Replaces to with from, in one step.
bool MoveIntoPlace(const std::string& from, const std::string& to, std::string* error);
// Gives the file from the name to, which nothing may hold yet.
bool RenameFile(const std::string& from, const std::string& to, std::string* error);
// Whether the file is gone (or never was).
bool RemoveFile(const std::string& path);
bool IsFolder(const std::string& path);
bool FileExists(const std::string& path);
// Whether anything at all, a file or a folder, holds the name.
bool NameTaken(const std::string& path);
// Whether the file is write-protected: Windows' read-only attribute, and
// elsewhere no write permission for anyone, which is how Wine shows that
// attribute (and which holds for root as well).
bool IsReadOnly(const std::string& path);
// Makes a folder and those above it that are missing.
bool MakeFolders(const std::string& path, std::string* error);
// Whether two names reach the same file, existing or not.
bool SameFile(const std::string& a, const std::string& b);
// The folder of the running tool.
std::string ToolFolder();
// Runs a command line through the system's shell; its exit status, or -1.
int RunCommand(const std::string& command);
// A file's name as one word of RunCommand's command line.
std::string QuotedForShell(const std::string& path);
// The arguments of the running tool as UTF-8, without its own name. argv
// is used where the system gives no Unicode command line.
std::vector<std::string> CommandArguments(int argc, char** argv);
// Writes UTF-8 text to stdout or stderr: a console shows its characters
// whatever its code page; a file or a pipe gets the UTF-8 bytes.
void Print(std::FILE* stream, const std::string& utf8);
