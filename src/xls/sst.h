#pragma once

// The shared string table (SST): every cell text of the workbook, in the
// order the cells were put, one entry per text cell (equal texts are kept
// twice), and the record sizes the table will be written with.
//
// An entry is stored exactly as it is written: its character count (16
// bits), the option byte (0: one byte per character; 1: two) and the
// characters. Entries are packed into large chunks, none straddling two, so
// writing the table is a walk over the chunks; every 64th entry's position
// is noted so that a text can be found without an index of every entry.
//
// An SST or CONTINUE record holds at most 8224 data bytes. The length of
// every record is known before the table is written because it is
// accumulated while entries are added:
//   - the current record's count c starts at 8 (the two 32-bit counts);
//   - adding an entry of m bytes: if c + m exceeds 8224, the current record
//     is closed with length c and a new one begun; an entry longer than a
//     record is split: its first piece fills one record, every further
//     piece begins a CONTINUE record with an option byte and carries as many
//     whole characters as fit; the current count then continues from the
//     last piece;
//   - the last record is closed when the table is written.
// So an entry is split only when it is itself longer than a record.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

class TRecordWriter;

class TSST {
public:
    static constexpr uint32_t kMaxRecordData = 8224;
    static constexpr uint32_t kCountsSize = 8;   // total and unique count
    static constexpr uint32_t kEntryHeader = 3;  // character count and option byte
    static constexpr uint32_t kMaxCharacters = 65535;
    // The table must fit in a stream of at most 2 GB with the rest of the
    // workbook; a table that would be larger is refused while it grows.
    static constexpr uint64_t kMaxBytes = 0x7F000000;

    TSST() = default;
    TSST(const TSST&) = delete;
    TSST& operator=(const TSST&) = delete;

    // Appends an entry of single-byte characters (option byte 0) and
    // returns its index. Throws orvanta::Error for a text of more than
    // 65,535 characters or when the table would outgrow a workbook file.
    uint32_t Add(std::string_view text)
    {
        // Fast path, inline: the entry fits in the current chunk and in the
        // current record, and needs no checkpoint.
        const size_t m = kEntryHeader + text.size();
        if (!chunks_.empty() && count_ % kCheckpointEvery != 0 && text.size() <= kMaxCharacters
            && chunks_.back().capacity - chunks_.back().used >= m && current_ + m <= kMaxRecordData
            && bytes_ + m <= kMaxBytes) {
            TChunk& chunk = chunks_.back();
            uint8_t* p = chunk.data.get() + chunk.used;
            p[0] = static_cast<uint8_t>(text.size());
            p[1] = static_cast<uint8_t>(text.size() >> 8);
            p[2] = 0;
            std::memcpy(p + kEntryHeader, text.data(), text.size());
            chunk.used += m;
            bytes_ += m;
            current_ += static_cast<uint32_t>(m);
            return count_++;
        }
        return AddSlow(text);
    }
    // Appends an entry of 16-bit characters (option byte 1), given as
    // `count` little-endian code units; used for texts read from a file.
    uint32_t AddWide(const uint8_t* units, uint32_t count);

    uint32_t Count() const { return count_; }
    // Bytes of all entries (the table's size without counts and record headers).
    uint64_t EntryBytes() const { return bytes_; }
    // The entry's text, one byte per character. A 16-bit character above
    // 0xFF, which a single byte can't hold, comes back as '?'.
    std::string Text(uint32_t index) const;
    bool IsWide(uint32_t index) const;

    // Data lengths of the SST record and its CONTINUE records, in order.
    std::vector<uint16_t> RecordLengths() const;

    // Writes the SST record and its CONTINUE records.
    void Write(TRecordWriter& w) const;

    void Clear();

private:
    struct TChunk {
        std::unique_ptr<uint8_t[]> data;
        size_t capacity = 0;
        size_t used = 0;
    };
    struct TPosition {
        uint32_t chunk;
        uint32_t offset;
    };

    uint32_t AddSlow(std::string_view text);
    uint8_t* Place(size_t size);
    void Accumulate(uint32_t size, uint32_t width);
    const uint8_t* Entry(uint32_t index) const;

    static constexpr uint32_t kCheckpointEvery = 64;

    std::vector<TChunk> chunks_;
    std::vector<TPosition> checkpoints_;
    uint32_t count_ = 0;
    uint64_t bytes_ = 0;
    std::vector<uint16_t> closed_;  // lengths of the records closed so far
    uint32_t current_ = kCountsSize;
};

}  // namespace orvanta
