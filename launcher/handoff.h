// The hand-off to the next program: finding it as WinExec would, starting
// it, through the shell where it needs elevation, and waiting for it.
#pragma once

#include <windows.h>

#include <stdint.h>

// Starts the next program with WinExec, as shown. A program that needs
// elevation, which WinExec cannot start, is started through the shell
// instead, the same file WinExec tried, or none, and the shell asks the
// user for consent in front of everything; a refusal is final. 1 when the
// program was started.
int StartNextProgram(const char* commandLine);
// Starts the next program as StartNextProgram does, but through
// CreateProcessA with the same search, and waits for it to end: 1 when it
// started, its exit code in *exitCode (0 when the shell started it without
// a process to wait for).
int RunNextProgram(const char* commandLine, DWORD* exitCode);
// Starts the next program as RunNextProgram does, without waiting: the
// process's handle in *process, the caller's to close (null when none came:
// not started, or started by the shell without one). A start that needs
// elevation asks the shell with owner as the consent prompt's owner, a
// live window of ours in front; with none, a stand-in is made for it.
int StartProgram(const char* commandLine, HWND owner, HANDLE* process);
// What an exit code that cannot be read gives: the same answer as a
// program that could not be started.
enum { kProgramUnknownExit = 1 };
// Waits for a started process to end, answering the thread's messages
// meanwhile; its exit code, or kProgramUnknownExit when the wait fails or
// the code cannot be read. The handle stays the caller's.
DWORD WaitForProgram(HANDLE process);
// The file WinExec would start for a command line, found the same way, with
// its full path, and the parameters after it. 0 when there is none, or when
// the launcher's own folder cannot be said in the ANSI code page.
int FindProgram(const char* commandLine, char* path, uint32_t pathSize, const char** parameters);
