// The texts of the entry list: sizes, ratios, dates, and their comparison.
#pragma once
#include <cstdint>
#include <string>

std::string FormatThousands(uint64_t value);          // 1234567 -> "1,234,567"
std::string FormatRatio(unsigned tenthsOfPercent);    // 453 -> " 45.3%"
std::string FormatDosDate(uint16_t date, uint16_t time);  // "01/06/03 09:05"
// Character by character by code, single-byte letters without regard to case,
// double-byte characters as whole units.
int CompareEntryText(const std::string& a, const std::string& b);
