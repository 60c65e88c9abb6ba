// The vendor's product record, read from bytes that may be anything.
#include "product_record.h"

static uint32_t Get16(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

static uint32_t Get32(const uint8_t* p)
{
    return Get16(p) | Get16(p + 2) << 16;
}

int IsSwitchList(const char* text, uint32_t length)
{
    if (length > kProductSwitchesMaxLength)
        return 0;
    for (uint32_t i = 0; i < length; ++i) {
        const uint8_t c = uint8_t(text[i]);
        if (c == ' ') {
            if (i == 0 || i + 1 == length || text[i - 1] == ' ')
                return 0;
        } else if (c < kProductSwitchLowest || c > kProductSwitchHighest) {
            return 0;
        }
    }
    return 1;
}

int ReadProductRecord(const void* bytes, uint32_t size, ProductSettings* settings)
{
    settings->timings = kShippedTimings;
    settings->titleLength = 0;
    settings->title[0] = 0;
    settings->flags = 0;
    settings->switchesLength = 0;
    settings->switches[0] = '\0';
    settings->untilWindowMs = 0;

    if (bytes == nullptr || size < kProductRecordHeaderSize)
        return 0;
    const uint8_t* record = static_cast<const uint8_t*>(bytes);
    for (int i = 0; i < 4; ++i)
        if (record[kProductRecordMagicOffset + i] != uint8_t(kProductRecordMagic[i]))
            return 0;
    const uint32_t version = Get16(record + kProductRecordVersionOffset);
    if (version < kProductRecordFirstVersion || version > kProductRecordVersion)
        return 0;
    const uint32_t untilWindowSize = version >= 3 ? kProductRecordUntilWindowSize : 0;
    const uint32_t titleLength = Get16(record + kProductRecordTitleLengthOffset);
    if (titleLength > kProductTitleMaxLength)
        return 0;
    // The record says how long it is; the resource holding it may be padded.
    const uint32_t recordSize = Get16(record + kProductRecordSizeOffset);
    const uint32_t switchesAt = kProductRecordTitleOffset + 2 * titleLength;
    if (recordSize > size || switchesAt + 2 > recordSize)
        return 0;
    const uint32_t switchesLength = Get16(record + switchesAt);
    const char* switches = reinterpret_cast<const char*>(record + switchesAt + 2);
    const uint32_t untilWindowAt = switchesAt + 2 + switchesLength;
    if (recordSize != untilWindowAt + untilWindowSize || !IsSwitchList(switches, switchesLength))
        return 0;
    const uint32_t untilWindowMs = untilWindowSize != 0 ? Get32(record + untilWindowAt) : 0;
    const uint32_t flags = Get32(record + kProductRecordFlagsOffset);
    if ((flags & ~uint32_t(kProductKnownFlags)) != 0)
        return 0;
    const ShowTimings timings = {Get32(record + kProductRecordFadeInOffset),
                                 Get32(record + kProductRecordHoldOffset),
                                 Get32(record + kProductRecordFadeOutOffset)};
    if (timings.fadeInMs > kProductMaxMs || timings.holdMs > kProductMaxMs ||
        timings.fadeOutMs > kProductMaxMs || untilWindowMs > kProductMaxMs)
        return 0;
    const uint8_t* title = record + kProductRecordTitleOffset;
    for (uint32_t i = 0; i < titleLength; ++i)
        if (Get16(title + 2 * i) < kProductTitleLowestUnit)
            return 0;

    settings->timings = timings;
    for (uint32_t i = 0; i < titleLength; ++i)
        settings->title[i] = uint16_t(Get16(title + 2 * i));
    settings->title[titleLength] = 0;
    settings->titleLength = uint16_t(titleLength);
    settings->flags = flags;
    for (uint32_t i = 0; i < switchesLength; ++i)
        settings->switches[i] = switches[i];
    settings->switches[switchesLength] = '\0';
    settings->switchesLength = uint16_t(switchesLength);
    settings->untilWindowMs = untilWindowMs;
    return 1;
}
