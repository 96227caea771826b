#pragma once
// Builds face archives for the tests: a 532-byte header, the entries' data,
// and the entry table at the end of the file.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct FaceArchiveBuilder {
  struct Entry {
    std::string name;  // as stored, backslashes and all
    std::string data;
    std::uint8_t state = 0;
    std::int64_t offsetOverride = -1;  // a lie about where the data is
    std::int64_t lengthOverride = -1;
  };
  std::uint16_t version = 512;
  std::int32_t countOverride = 0;
  bool overrideCount = false;
  std::vector<Entry> entries;

  FaceArchiveBuilder& add(std::string name, std::string data, std::uint8_t state = 0) {
    entries.push_back({std::move(name), std::move(data), state});
    return *this;
  }

  std::string bytes() const {
    std::string out(532, '\0');
    const std::int32_t count = overrideCount ? countOverride : static_cast<std::int32_t>(entries.size());
    put32(out, 512, static_cast<std::uint32_t>(count));
    out[522] = static_cast<char>(version & 0xFF);
    out[523] = static_cast<char>(version >> 8);
    std::vector<std::uint32_t> offsets;
    for (const Entry& e : entries) {
      offsets.push_back(static_cast<std::uint32_t>(out.size()));
      out += e.data;
    }
    const std::size_t entrySize = version > 511 ? 280 : 276;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      std::string rec(entrySize, '\0');
      std::memcpy(rec.data(), e.name.data(), std::min<std::size_t>(e.name.size(), 256));
      put32(rec, 256, e.offsetOverride >= 0 ? static_cast<std::uint32_t>(e.offsetOverride) : offsets[i]);
      put32(rec, 260, e.lengthOverride >= 0 ? static_cast<std::uint32_t>(e.lengthOverride)
                                            : static_cast<std::uint32_t>(e.data.size()));
      rec[264] = static_cast<char>(e.state);
      out += rec;
    }
    return out;
  }

  static void put32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }
};
