// A small ZIP writer for crafting test archives the independent tools will not
// make: Shift-JIS names without the UTF-8 flag, hostile names, prefixes, damaged
// or contradictory headers. CRCs and deflate come from zlib, not from the engine.
#pragma once
#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ziptest {

inline void put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
inline void put32(std::vector<uint8_t>& v, uint32_t x) {
  put16(v, x & 0xFFFF);
  put16(v, x >> 16);
}
inline void put64(std::vector<uint8_t>& v, uint64_t x) {
  put32(v, uint32_t(x));
  put32(v, uint32_t(x >> 32));
}
inline void putBytes(std::vector<uint8_t>& v, const std::string& s) { v.insert(v.end(), s.begin(), s.end()); }
inline void putBytes(std::vector<uint8_t>& v, const std::vector<uint8_t>& s) { v.insert(v.end(), s.begin(), s.end()); }

inline uint32_t zcrc(const std::vector<uint8_t>& d) { return uint32_t(crc32(0, d.data(), uInt(d.size()))); }
inline uint32_t zcrc(const std::string& s) { return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(s.data()), uInt(s.size()))); }

inline std::vector<uint8_t> rawDeflate(const std::vector<uint8_t>& in, int level = 6) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::vector<uint8_t> out(deflateBound(&z, uLong(in.size())) + 16);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = uInt(in.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// One extra field: id, length, data.
inline std::vector<uint8_t> extraField(uint16_t id, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> v;
  put16(v, id);
  put16(v, uint32_t(data.size()));
  putBytes(v, data);
  return v;
}

// Traditional PKWARE encryption, from the ZIP application note: three keys
// stepped by each plain byte. The CRC step is zlib's without its inversions.
struct ZipCryptoKeys {
  uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
  static uint32_t crcStep(uint32_t x, uint8_t b) { return ~uint32_t(crc32(~x & 0xFFFFFFFFu, &b, 1)); }
  explicit ZipCryptoKeys(const std::string& password) {
    for (char c : password) update(uint8_t(c));
  }
  void update(uint8_t plain) {
    k0 = crcStep(k0, plain);
    k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
    k2 = crcStep(k2, uint8_t(k1 >> 24));
  }
  uint8_t stream() const {
    const uint32_t t = (k2 | 2) & 0xFFFF;
    return uint8_t((t * (t ^ 1)) >> 8);
  }
  uint8_t encrypt(uint8_t p) {
    const uint8_t c = p ^ stream();
    update(p);
    return c;
  }
  uint8_t decrypt(uint8_t c) {
    const uint8_t p = c ^ stream();
    update(p);
    return p;
  }
};

// Whether `password` turns the 12 encrypted header bytes into a header whose
// last byte is `check`: all a reader can test before the data.
inline bool zipCryptoCheckPasses(const std::string& password, const std::vector<uint8_t>& header, uint8_t check) {
  ZipCryptoKeys keys(password);
  uint8_t last = 0;
  for (uint8_t c : header) last = keys.decrypt(c);
  return last == check;
}

struct CraftEntry {
  std::string name;
  std::vector<uint8_t> data;
  uint16_t method = 0;  // 0 and 8 are made here; any other writes `packed` as given
  uint16_t flags = 0;
  uint16_t madeBy = 20;  // host 0 (DOS)
  uint32_t externalAttr = 0;
  uint16_t dosTime = 0x6000, dosDate = 0x5A21;  // 2025-01-01 12:00:00
  std::vector<uint8_t> centralExtra, localExtra;

  std::optional<std::vector<uint8_t>> packed;  // stored data instead of making it
  std::optional<std::string> localName;
  std::optional<uint16_t> localMethod;
  std::optional<uint16_t> localTime;
  std::optional<uint32_t> crc;   // stated CRC instead of the real one
  std::optional<uint64_t> size;  // stated size instead of the real one
  std::optional<uint64_t> localOffset;  // central record points here instead

  bool descriptor = false;     // CRC and sizes after the data
  bool descriptorSig = true;
  bool descriptor64 = false;
  std::optional<uint32_t> descriptorCrc;
  bool zip64 = false;          // sizes and offset through ZIP64 fields
  std::optional<std::string> password;  // traditional encryption (no descriptor)
};

struct CraftOptions {
  std::vector<uint8_t> prefix;    // bytes before the archive
  bool offsetsIncludePrefix = false;
  std::string comment;
  bool zip64End = false;          // ZIP64 end record and locator
  uint16_t disk = 0;              // number of this disk
  std::vector<uint8_t> trailer;   // bytes after the end record
  std::optional<uint16_t> statedEntries;
  std::optional<uint64_t> statedCentralOffset;  // in the ZIP64 record when zip64End
};

inline std::vector<uint8_t> craftZip(const std::vector<CraftEntry>& entries, const CraftOptions& opt = {}) {
  std::vector<uint8_t> out = opt.prefix;
  uint64_t base = opt.offsetsIncludePrefix ? 0 : opt.prefix.size();
  std::vector<uint8_t> central;
  for (const CraftEntry& e : entries) {
    std::vector<uint8_t> packed = e.packed ? *e.packed : e.method == 8 ? rawDeflate(e.data) : e.data;
    uint32_t crc = e.crc.value_or(zcrc(e.data));
    if (e.password) {
      // Eleven header bytes that differ by entry, then the check byte.
      std::vector<uint8_t> sealed;
      ZipCryptoKeys keys(*e.password);
      for (int k = 0; k < 11; k++) sealed.push_back(keys.encrypt(uint8_t(0x5A + 7 * k + e.name.size() * 13)));
      sealed.push_back(keys.encrypt(uint8_t(crc >> 24)));
      for (uint8_t b : packed) sealed.push_back(keys.encrypt(b));
      packed = sealed;
    }
    uint64_t size = e.size.value_or(e.data.size());
    uint64_t offset = e.localOffset.value_or(out.size() - base);
    uint16_t flags = uint16_t(e.flags | (e.descriptor ? 8 : 0) | (e.password ? 1 : 0));
    std::string localName = e.localName.value_or(e.name);

    std::vector<uint8_t> localExtra = e.localExtra;
    if (e.zip64) {
      std::vector<uint8_t> z;
      put64(z, size);
      put64(z, packed.size());
      putBytes(localExtra, extraField(1, z));
    }
    put32(out, 0x04034b50);
    put16(out, e.zip64 ? 45 : 20);
    put16(out, flags);
    put16(out, e.localMethod.value_or(e.method));
    put16(out, e.localTime.value_or(e.dosTime));
    put16(out, e.dosDate);
    put32(out, e.descriptor ? 0 : crc);
    put32(out, e.zip64 ? 0xFFFFFFFF : e.descriptor ? 0 : uint32_t(packed.size()));
    put32(out, e.zip64 ? 0xFFFFFFFF : e.descriptor ? 0 : uint32_t(size));
    put16(out, uint32_t(localName.size()));
    put16(out, uint32_t(localExtra.size()));
    putBytes(out, localName);
    putBytes(out, localExtra);
    putBytes(out, packed);
    if (e.descriptor) {
      if (e.descriptorSig) put32(out, 0x08074b50);
      put32(out, e.descriptorCrc.value_or(crc));
      if (e.descriptor64) {
        put64(out, packed.size());
        put64(out, size);
      } else {
        put32(out, uint32_t(packed.size()));
        put32(out, uint32_t(size));
      }
    }

    std::vector<uint8_t> centralExtra = e.centralExtra;
    if (e.zip64) {
      std::vector<uint8_t> z;
      put64(z, size);
      put64(z, packed.size());
      put64(z, offset);
      putBytes(centralExtra, extraField(1, z));
    }
    put32(central, 0x02014b50);
    put16(central, e.madeBy);
    put16(central, e.zip64 ? 45 : 20);
    put16(central, flags);
    put16(central, e.method);
    put16(central, e.dosTime);
    put16(central, e.dosDate);
    put32(central, crc);
    put32(central, e.zip64 ? 0xFFFFFFFF : uint32_t(packed.size()));
    put32(central, e.zip64 ? 0xFFFFFFFF : uint32_t(size));
    put16(central, uint32_t(e.name.size()));
    put16(central, uint32_t(centralExtra.size()));
    put16(central, 0);
    put16(central, 0);
    put16(central, 0);
    put32(central, e.externalAttr);
    put32(central, e.zip64 ? 0xFFFFFFFF : uint32_t(offset));
    putBytes(central, e.name);
    putBytes(central, centralExtra);
  }
  uint64_t centralOffset = opt.statedCentralOffset.value_or(out.size() - base);
  putBytes(out, central);
  uint16_t count = opt.statedEntries.value_or(uint16_t(entries.size()));
  if (opt.zip64End) {
    uint64_t recordOffset = out.size() - base;
    put32(out, 0x06064b50);
    put64(out, 44);
    put16(out, 45);
    put16(out, 45);
    put32(out, opt.disk);
    put32(out, opt.disk);
    put64(out, count);
    put64(out, count);
    put64(out, central.size());
    put64(out, centralOffset);
    put32(out, 0x07064b50);
    put32(out, opt.disk);
    put64(out, recordOffset);
    put32(out, opt.disk + 1u);
  }
  put32(out, 0x06054b50);
  put16(out, opt.zip64End ? 0xFFFF : opt.disk);
  put16(out, opt.zip64End ? 0xFFFF : opt.disk);
  put16(out, opt.zip64End ? 0xFFFF : count);
  put16(out, opt.zip64End ? 0xFFFF : count);
  put32(out, opt.zip64End ? 0xFFFFFFFF : uint32_t(central.size()));
  put32(out, opt.zip64End ? 0xFFFFFFFF : uint32_t(centralOffset));
  put16(out, uint32_t(opt.comment.size()));
  putBytes(out, opt.comment);
  putBytes(out, opt.trailer);
  return out;
}

inline std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace ziptest
