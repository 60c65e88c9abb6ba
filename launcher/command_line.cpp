#include "command_line.h"

#include <string.h>

const char* SkipBlanks(const char* p)
{
    while (IsBlank(*p))
        ++p;
    return p;
}

int SplitCommandLine(const char* commandLine, char* program, uint32_t programSize,
                     const char** parameters)
{
    const char* p = SkipBlanks(commandLine);
    const char* start = p;
    const char* end;
    if (*p == '"') {
        // A quoted program may hold spaces; a missing closing quote takes
        // the rest of the line.
        start = ++p;
        while (*p != '\0' && *p != '"')
            ++p;
        end = p;
        if (*p == '"')
            ++p;
    } else {
        while (*p != '\0' && !IsBlank(*p))
            ++p;
        end = p;
    }
    const size_t length = size_t(end - start);
    // Cut short, the name would start some other program.
    if (length == 0 || length >= programSize)
        return 0;
    memcpy(program, start, length);
    program[length] = '\0';
    *parameters = SkipBlanks(p);
    return 1;
}

const char* CommandLineAfterName(const char* fullCommandLine)
{
    const char* p = fullCommandLine;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p != '\0' && !IsBlank(*p) && !IsControl(*p))
            ++p;
    }
    while (*p != '\0' && (IsBlank(*p) || IsControl(*p)))
        ++p;
    return p;
}

int NextUnquotedCandidate(const char* name, const char** end, char* candidate,
                          uint32_t candidateSize)
{
    const char* p = *end;
    if (*p == '\0')
        return 0;
    // Blanks at the end of the line make a last candidate that keeps them.
    p = SkipBlanks(p);
    while (*p != '\0' && !IsBlank(*p))
        ++p;
    const size_t length = size_t(p - name);
    if (length >= candidateSize)
        return 0;
    memcpy(candidate, name, length);
    candidate[length] = '\0';
    *end = p;
    return 1;
}

static uint8_t AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? uint8_t(c - 'A' + 'a') : uint8_t(c);
}

// Whether one of the switches is the word of that length.
static bool IsListed(const char* word, uint32_t length, const char* switches)
{
    for (const char* s = switches; *s != '\0';) {
        uint32_t n = 0;
        while (s[n] != '\0' && s[n] != ' ')
            ++n;
        uint32_t same = 0;
        if (n == length)
            while (same < n && AsciiLower(s[same]) == AsciiLower(word[same]))
                ++same;
        if (n == length && same == n)
            return true;
        s += n;
        if (*s == ' ')
            ++s;
    }
    return false;
}

int HasSilentSwitch(const char* commandLine, const char* switches)
{
    const char* p = commandLine;
    for (;;) {
        p = SkipBlanks(p);
        if (*p == '\0')
            return 0;
        // A word runs to the next blank outside double quotes: a quoted
        // path or value is one word with whatever it holds.
        const char* word = p;
        bool quoted = false;
        for (; *p != '\0' && (quoted || !IsBlank(*p)); ++p)
            if (*p == '"')
                quoted = !quoted;
        if (IsListed(word, uint32_t(p - word), switches))
            return 1;
    }
}
