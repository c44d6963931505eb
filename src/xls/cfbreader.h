#pragma once

// Reader of compound files ([MS-CFB] versions 3 and 4) from memory.
//
// The input is treated as hostile: every sector number is checked against
// the file, every chain walk stops at a sector seen before, sizes are checked
// against the file before anything is allocated, so a broken file gives
// TDamagedFile and never a crash, a hang or an allocation larger than the
// file. A file without the compound file signature gives TNotAWorkbook.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

class TCompoundFileReader {
public:
    // Parses the header, the allocation tables and the directory. The bytes
    // must outlive the reader.
    explicit TCompoundFileReader(std::span<const uint8_t> file);

    static bool HasSignature(std::span<const uint8_t> file);

    // The content of the stream of that name (compared as [MS-CFB] does,
    // without regard to case) in the root storage, or nothing.
    std::optional<std::vector<uint8_t>> ReadRootStream(std::string_view name) const;

    // Names of the root storage's children, in tree order (for diagnostics and tests).
    std::vector<std::string> RootNames() const;

private:
    struct TEntry {
        std::u16string name;
        uint8_t type = 0;
        uint32_t left = 0, right = 0, child = 0;
        uint32_t start = 0;
        uint64_t size = 0;
    };

    std::span<const uint8_t> Sector(uint32_t id) const;
    std::vector<uint32_t> Chain(uint32_t start, const std::vector<uint32_t>& table,
                                uint64_t limit, std::optional<uint64_t> needed,
                                const char* what) const;
    std::vector<uint8_t> ReadRegular(uint32_t start, uint64_t size, const char* what) const;
    std::vector<uint32_t> RootChildren() const;
    void ReadFat();
    void ReadDirectory();
    void ReadMiniFat();

    std::span<const uint8_t> file_;
    uint32_t sectorShift_ = 9;
    uint32_t sectorSize_ = 512;
    uint32_t sectorCount_ = 0;  // sectors that begin inside the file
    bool version3_ = true;
    uint32_t miniCutoff_ = 4096;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> miniFat_;
    std::vector<TEntry> dir_;
};

}  // namespace orvanta
