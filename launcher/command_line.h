// Reading a command line: the launcher's own, to find what it hands on,
// and the one it hands on, to find the program WinExec would start and the
// vendor's silent switches. Nothing here needs the platform, so the tables
// that pin it down run on the build machine.
//
// A blank, everywhere a command line is read, is a space or a tab: the rule
// WinExec and CreateProcess split words by. The launcher's own name ends
// besides at a control character, and the control characters after it go
// with the blanks, as the C runtime's start-up code reads them, so that the
// launcher hands on what that code would have given its main.
#pragma once

#include <stdint.h>

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A byte below 0x20, taken unsigned: bytes of 0x80 and above never are.
inline bool IsControl(char c)
{
    return uint8_t(c) < 0x20;
}

// The first byte at or after p that is not a blank.
const char* SkipBlanks(const char* p);
// What follows the program's own name in its full command line (quoted or
// not) and the blanks and control characters after it: the command line
// the launcher hands on, byte for byte.
const char* CommandLineAfterName(const char* fullCommandLine);

// Splits a command line into the program, the first word or a part in
// double quotes, copied into program without its quotes, and the
// parameters, the rest after the blanks that follow it. 0 when there is no
// program or it does not fit in programSize bytes with its NUL.
int SplitCommandLine(const char* commandLine, char* program, uint32_t programSize,
                     const char** parameters);

// An unquoted program name with blanks in it is ambiguous: WinExec tries
// the text from name up to each blank in turn, shortest first, blanks
// between words kept. With *end at name (not a blank) before the first
// call, copies the next of them into candidate and moves *end to its end,
// where the parameters start after the blanks; 0 when there is no more, or
// when it does not fit in candidateSize bytes with its NUL.
int NextUnquotedCandidate(const char* name, const char** end, char* candidate,
                          uint32_t candidateSize);

// Whether a command line holds one of the switches, a list IsSwitchList
// takes, terminated, as a word on its own: between blanks or the line's
// ends, not inside double quotes, in any ASCII case.
int HasSilentSwitch(const char* commandLine, const char* switches);
