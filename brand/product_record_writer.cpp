#include "product_record_writer.h"

#include "resource_bytes.h"

#include <algorithm>

using brand::Put16;
using brand::Put32;

std::vector<uint8_t> EncodeProductRecord(const ShowTimings& timings, const std::u16string& title,
                                         uint32_t flags, const std::string& switches,
                                         uint32_t untilWindowMs, uint16_t major, uint16_t minor,
                                         uint16_t patch)
{
    if (title.size() > kProductTitleMaxLength ||
        std::any_of(title.begin(), title.end(),
                    [](char16_t unit) { return unit < kProductTitleLowestUnit; }) ||
        std::max({timings.fadeInMs, timings.holdMs, timings.fadeOutMs, untilWindowMs}) >
            kProductMaxMs ||
        (flags & ~uint32_t(kProductKnownFlags)) != 0 ||
        switches.size() > kProductSwitchesMaxLength ||
        !IsSwitchList(switches.data(), uint32_t(switches.size())))
        return {};

    std::vector<uint8_t> record(kProductRecordMagic, kProductRecordMagic + 4);
    Put16(record, kProductRecordVersion);
    Put16(record, kProductRecordHeaderSize + 2 * uint32_t(title.size()) + 2 +
                      uint32_t(switches.size()) + kProductRecordUntilWindowSize);
    Put16(record, major);
    Put16(record, minor);
    Put16(record, patch);
    Put16(record, uint32_t(title.size()));
    Put32(record, timings.fadeInMs);
    Put32(record, timings.holdMs);
    Put32(record, timings.fadeOutMs);
    Put32(record, flags);
    brand::PutText(record, title);
    Put16(record, uint32_t(switches.size()));
    record.insert(record.end(), switches.begin(), switches.end());
    Put32(record, untilWindowMs);
    return record;
}
