#include "tar/tar_pax.h"

namespace fmt::tar {

bool parsePax(const std::string& data, std::vector<PaxRecord>& records) {
  size_t pos = 0;
  while (pos < data.size()) {
    // Some writers pad the data with NULs after the last record.
    if (data[pos] == 0) return true;
    size_t i = pos;
    uint64_t length = 0;
    while (i < data.size() && data[i] >= '0' && data[i] <= '9' && length < data.size()) {
      length = length * 10 + static_cast<uint64_t>(data[i] - '0');
      i++;
    }
    if (i == pos || i >= data.size() || data[i] != ' ') return false;
    if (length <= i - pos + 1 || length > data.size() - pos) return false;
    const size_t end = pos + static_cast<size_t>(length);  // one past the newline
    if (data[end - 1] != '\n') return false;
    const size_t eq = data.find('=', i + 1);
    if (eq == std::string::npos || eq >= end - 1 || eq == i + 1) return false;
    records.push_back({data.substr(i + 1, eq - i - 1), data.substr(eq + 1, end - 1 - eq - 1)});
    pos = end;
  }
  return true;
}

void appendPaxRecord(std::string& out, const std::string& key, const std::string& value) {
  const size_t body = 1 + key.size() + 1 + value.size() + 1;  // ' ' key '=' value '\n'
  size_t length = body + 1;
  while (std::to_string(length).size() + body != length) length = std::to_string(length).size() + body;
  out += std::to_string(length) + ' ' + key + '=' + value + '\n';
}

bool parsePaxNumber(const std::string& s, uint64_t& value) {
  if (s.empty() || s.size() > 19) return false;
  value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

bool parsePaxTime(const std::string& s, int64_t& seconds) {
  const bool negative = !s.empty() && s[0] == '-';
  const size_t dot = s.find('.');
  const std::string whole = s.substr(negative ? 1 : 0, dot == std::string::npos ? std::string::npos : dot - (negative ? 1 : 0));
  uint64_t v;
  if (!parsePaxNumber(whole, v) || v > (uint64_t{1} << 62)) return false;
  bool fraction = false;
  if (dot != std::string::npos) {
    for (size_t i = dot + 1; i < s.size(); i++) {
      if (s[i] < '0' || s[i] > '9') return false;
      if (s[i] != '0') fraction = true;
    }
  }
  seconds = negative ? -static_cast<int64_t>(v) - (fraction ? 1 : 0) : static_cast<int64_t>(v);
  return true;
}

}  // namespace fmt::tar
