// DOS date and time (local time, two-second steps) to and from Unix time.
#include "core/entry.h"

#include <ctime>

namespace fmt {

namespace {

bool toLocal(time_t t, std::tm& out) {
#ifdef _WIN32
  return localtime_s(&out, &t) == 0;
#else
  return localtime_r(&t, &out) != nullptr;
#endif
}

}  // namespace

// Out-of-range fields (month 0, day 0, hour 31 ...) are clamped rather than
// rejected: archives written by old programs carry them and a stamp is no reason
// to refuse an entry.
int64_t dosToUnixTime(uint16_t date, uint16_t time) {
  auto clamp = [](int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); };
  std::tm tm{};
  tm.tm_year = 80 + (date >> 9);
  tm.tm_mon = clamp((date >> 5) & 15, 1, 12) - 1;
  tm.tm_mday = clamp(date & 31, 1, 31);
  tm.tm_hour = clamp(time >> 11, 0, 23);
  tm.tm_min = clamp((time >> 5) & 63, 0, 59);
  tm.tm_sec = clamp((time & 31) * 2, 0, 59);
  tm.tm_isdst = -1;
  const time_t t = std::mktime(&tm);
  return t == static_cast<time_t>(-1) ? 0 : static_cast<int64_t>(t);
}

void unixToDosTime(int64_t t, uint16_t& date, uint16_t& time) {
  std::tm tm{};
  if (!toLocal(static_cast<time_t>(t), tm) || tm.tm_year < 80) {
    date = (1 << 5) | 1;  // 1980-01-01 00:00:00, the earliest DOS stamp
    time = 0;
    return;
  }
  if (tm.tm_year > 80 + 127) {
    date = static_cast<uint16_t>((127 << 9) | (12 << 5) | 31);
    time = static_cast<uint16_t>((23 << 11) | (59 << 5) | 29);
    return;
  }
  date = static_cast<uint16_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  time = static_cast<uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
}

}  // namespace fmt
