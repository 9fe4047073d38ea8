// pax extended header records ("LEN key=value\n", LEN counting the whole record).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace fmt::tar {

constexpr uint64_t kMaxExtendedHeader = 1 << 20;  // a pax header or GNU long name

struct PaxRecord {
  std::string key, value;
};

// False when a record is malformed; the records before it are kept.
bool parsePax(const std::string& data, std::vector<PaxRecord>& records);
void appendPaxRecord(std::string& out, const std::string& key, const std::string& value);

// "1234567890.5" or "-12.25": whole seconds, rounded down.
bool parsePaxTime(const std::string& s, int64_t& seconds);
bool parsePaxNumber(const std::string& s, uint64_t& value);

}  // namespace fmt::tar
