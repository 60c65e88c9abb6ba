// The product record that the branding tool puts among a program's
// resources (launcher/product_record.h), for the launcher to read at run
// time.
#pragma once

#include "product_record.h"

#include <cstdint>
#include <string>
#include <vector>

// The record of these timings, this title (empty for the shipped one),
// flags (kProductFlag...), silent switches (empty for none) and
// the longest wait for the next program's window (0 for none), carried by
// Orveline major.minor.patch. Empty where the launcher would refuse the
// record: a title longer than kProductTitleMaxLength units or holding a
// control character, a time over kProductMaxMs, an unknown flag, or
// switches that are not a list IsSwitchList takes.
std::vector<uint8_t> EncodeProductRecord(const ShowTimings& timings, const std::u16string& title,
                                         uint32_t flags, const std::string& switches,
                                         uint32_t untilWindowMs, uint16_t major, uint16_t minor,
                                         uint16_t patch);
