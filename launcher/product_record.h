// What a vendor's branding gives the launcher to read at run time: the
// show's timings and the window's title, in a small record among the
// program's resources, which the branding tool writes into a shipped
// program without building it again. The tool and the launcher share these
// offsets and limits.
#pragma once

#include "show.h"

#include <stdint.h>

// The record, little-endian: the magic "ORVL"; the record's version and its
// size in bytes; the version of Orveline that carries it; the title's length
// in UTF-16 units (0 for the shipped title); the fade in, hold and fade out;
// flags; the title, UTF-16LE, not terminated; the silent switches' length
// in bytes and the switches, printable ASCII words separated by single
// spaces, not terminated; then, from version 3, the longest the held
// picture waits for the next program's first window (0: it does not wait,
// the next program starts after the show). A version 2 record, which ends
// with the switches, is read as one that does not wait.
enum {
    kProductRecordType = 10,  // RT_RCDATA
    kProductRecordLanguage = 0,
    kProductRecordVersion = 3,
    kProductRecordFirstVersion = 2,
    kProductRecordMagicOffset = 0,
    kProductRecordVersionOffset = 4,
    kProductRecordSizeOffset = 6,
    kProductRecordOrvelineVersionOffset = 8,  // major, minor, patch
    kProductRecordTitleLengthOffset = 14,
    kProductRecordFadeInOffset = 16,
    kProductRecordHoldOffset = 20,
    kProductRecordFadeOutOffset = 24,
    kProductRecordFlagsOffset = 28,
    kProductRecordTitleOffset = 32,
    kProductRecordHeaderSize = 32,
    // Longer than the taskbar shows, and the launcher's copy is fixed.
    kProductTitleMaxLength = 200,
    // Below this are control characters, which no title holds.
    kProductTitleLowestUnit = 0x20,
    // A longer show keeps the installer waiting for no reason a user would
    // accept.
    kProductMaxMs = 60000,
    // Wait for the next program and exit with its exit code.
    kProductFlagWait = 1,
    // Cover the monitor that holds the mouse pointer, not the primary one.
    kProductFlagCursorMonitor = 2,
    kProductKnownFlags = kProductFlagWait | kProductFlagCursorMonitor,
    // The until-window wait after the switches, from version 3.
    kProductRecordUntilWindowSize = 4,
    kProductSwitchesMaxLength = 255,
    kProductSwitchLowest = 0x21,
    kProductSwitchHighest = 0x7E,
};
inline constexpr char kProductRecordName[] = "PRODUCT";
inline constexpr char kProductRecordMagic[4] = {'O', 'R', 'V', 'L'};

// What the launcher takes from the record. An empty title is the shipped
// one, "Orveline"; a title is terminated by a 0 after its length.
struct ProductSettings {
    ShowTimings timings;
    uint16_t titleLength;
    uint16_t title[kProductTitleMaxLength + 1];
    uint32_t flags;  // kProductFlag...
    // The silent switches, terminated by a 0 after their length; none when
    // empty.
    uint16_t switchesLength;
    char switches[kProductSwitchesMaxLength + 1];
    // The longest the held picture waits for the next program's first
    // window, at most kProductMaxMs; 0: the next program starts after the
    // show, as shipped.
    uint32_t untilWindowMs;
};

// Fills in the shipped values, then takes the record's in their place when
// the whole record is sound; returns 1 when it took them. Reads nothing
// beyond size bytes; bytes may be null.
int ReadProductRecord(const void* bytes, uint32_t size, ProductSettings* settings);

// Whether length bytes are a list of silent switches the record may hold:
// at most kProductSwitchesMaxLength bytes, each a printable ASCII character
// but the space, save single spaces between words. None (0 bytes) is one.
int IsSwitchList(const char* text, uint32_t length);
