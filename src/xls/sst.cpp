#include "xls/sst.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "data/error.h"
#include "xls/biffrecords.h"
#include "xls/littleendian.h"
#include "xls/recordwriter.h"

namespace orvanta {

namespace {

constexpr size_t kFirstChunkSize = 64 * 1024;
constexpr size_t kChunkSize = 1024 * 1024;
constexpr uint8_t kOptionWide = 0x01;

uint32_t EntrySize(const uint8_t* entry)
{
    const uint32_t count = le::GetU16(entry);
    return TSST::kEntryHeader + (entry[2] & kOptionWide ? 2 * count : count);
}

}  // namespace

uint8_t* TSST::Place(size_t size)
{
    if (bytes_ + size > kMaxBytes)
        throw Error("The workbook's texts have grown beyond the 2 GB a workbook file can hold.");
    if (chunks_.empty() || chunks_.back().capacity - chunks_.back().used < size) {
        TChunk chunk;
        chunk.capacity = std::max(size, chunks_.empty() ? kFirstChunkSize : kChunkSize);
        chunk.data = std::make_unique_for_overwrite<uint8_t[]>(chunk.capacity);
        chunks_.push_back(std::move(chunk));
    }
    TChunk& chunk = chunks_.back();
    if (count_ % kCheckpointEvery == 0)
        checkpoints_.push_back({static_cast<uint32_t>(chunks_.size() - 1),
                                static_cast<uint32_t>(chunk.used)});
    uint8_t* p = chunk.data.get() + chunk.used;
    chunk.used += size;
    bytes_ += size;
    ++count_;
    return p;
}

void TSST::Accumulate(uint32_t m, uint32_t width)
{
    if (current_ + m > kMaxRecordData) {
        closed_.push_back(static_cast<uint16_t>(current_));
        current_ = 0;
    }
    if (m <= kMaxRecordData) {
        current_ += m;
        return;
    }
    // Longer than a record: the first piece is the header and as many whole
    // characters as fit (for one-byte characters exactly 8224 bytes); every
    // further piece is an option byte and whole characters.
    const uint32_t first = kEntryHeader + (kMaxRecordData - kEntryHeader) / width * width;
    const uint32_t perPiece = (kMaxRecordData - 1) / width * width;
    closed_.push_back(static_cast<uint16_t>(first));
    uint32_t rest = m - first;
    while (1 + rest > kMaxRecordData) {
        closed_.push_back(static_cast<uint16_t>(1 + perPiece));
        rest -= perPiece;
    }
    current_ = 1 + rest;
}

uint32_t TSST::AddSlow(std::string_view text)
{
    if (text.size() > kMaxCharacters)
        throw Error("A cell text has " + std::to_string(text.size())
                    + " characters; a workbook cell holds at most 65535.");
    const uint32_t m = kEntryHeader + static_cast<uint32_t>(text.size());
    const uint32_t index = count_;
    uint8_t* p = Place(m);
    le::PutU16(p, static_cast<uint16_t>(text.size()));
    p[2] = 0;
    if (!text.empty())
        std::memcpy(p + kEntryHeader, text.data(), text.size());
    Accumulate(m, 1);
    return index;
}

uint32_t TSST::AddWide(const uint8_t* units, uint32_t count)
{
    if (count > kMaxCharacters)
        throw std::logic_error("TSST::AddWide: too many characters");
    const uint32_t m = kEntryHeader + 2 * count;
    const uint32_t index = count_;
    uint8_t* p = Place(m);
    le::PutU16(p, static_cast<uint16_t>(count));
    p[2] = kOptionWide;
    if (count)
        std::memcpy(p + kEntryHeader, units, 2 * size_t(count));
    Accumulate(m, 2);
    return index;
}

const uint8_t* TSST::Entry(uint32_t index) const
{
    if (index >= count_)
        throw std::out_of_range("TSST: no entry " + std::to_string(index));
    TPosition pos = checkpoints_[index / kCheckpointEvery];
    for (uint32_t skip = index % kCheckpointEvery; skip; --skip) {
        pos.offset += EntrySize(chunks_[pos.chunk].data.get() + pos.offset);
        if (pos.offset == chunks_[pos.chunk].used) {
            ++pos.chunk;
            pos.offset = 0;
        }
    }
    return chunks_[pos.chunk].data.get() + pos.offset;
}

std::string TSST::Text(uint32_t index) const
{
    const uint8_t* e = Entry(index);
    const uint32_t count = le::GetU16(e);
    const uint8_t* chars = e + kEntryHeader;
    if (!(e[2] & kOptionWide))
        return std::string(reinterpret_cast<const char*>(chars), count);
    std::string text(count, '?');
    for (uint32_t i = 0; i < count; ++i) {
        const uint16_t unit = le::GetU16(chars + 2 * i);
        if (unit <= 0xFF)
            text[i] = static_cast<char>(unit);
    }
    return text;
}

bool TSST::IsWide(uint32_t index) const
{
    return Entry(index)[2] & kOptionWide;
}

std::vector<uint16_t> TSST::RecordLengths() const
{
    std::vector<uint16_t> lengths = closed_;
    lengths.push_back(static_cast<uint16_t>(current_));
    return lengths;
}

void TSST::Write(TRecordWriter& w) const
{
    const std::vector<uint16_t> lengths = RecordLengths();
    size_t record = 0;
    size_t left = lengths[0] - kCountsSize;
    w.Begin(biff::kSst, lengths[0]);
    w.U32(count_);  // total number of strings in the workbook
    w.U32(count_);  // number of entries in the table
    auto nextRecord = [&] {
        if (record + 1 >= lengths.size())
            throw std::logic_error("SST entries exceed their accumulated record lengths");
        w.End();
        ++record;
        w.Begin(biff::kContinue, lengths[record]);
        left = lengths[record];
    };

    for (const TChunk& chunk : chunks_) {
        const uint8_t* p = chunk.data.get();
        const uint8_t* end = p + chunk.used;
        while (p < end) {
            uint32_t m = EntrySize(p);
            if (m <= left) {
                // Entries that fit go out together, as they are stored.
                const uint8_t* run = p;
                do {
                    left -= m;
                    p += m;
                } while (p < end && (m = EntrySize(p)) <= left);
                w.Bytes(run, static_cast<size_t>(p - run));
                continue;
            }
            // An entry that does not fit into the bytes left begins a new record.
            nextRecord();
            if (m <= left) {
                w.Bytes(p, m);
                left -= m;
                p += m;
                continue;
            }
            // Longer than a record: split, each further piece beginning with
            // the option byte; a 16-bit character is never cut in two.
            const uint8_t option = p[2];
            const size_t width = option & kOptionWide ? 2 : 1;
            w.Bytes(p, kEntryHeader);
            left -= kEntryHeader;
            const uint8_t* chars = p + kEntryHeader;
            size_t rest = m - kEntryHeader;
            for (;;) {
                const size_t n = std::min(left, rest) / width * width;
                w.Bytes(chars, n);
                chars += n;
                rest -= n;
                left -= n;
                if (rest == 0)
                    break;
                nextRecord();
                w.U8(option);
                left -= 1;
            }
            p += m;
        }
    }
    if (left != 0 || record + 1 != lengths.size())
        throw std::logic_error("SST entries fall short of their accumulated record lengths");
    w.End();
}

void TSST::Clear()
{
    chunks_.clear();
    checkpoints_.clear();
    count_ = 0;
    bytes_ = 0;
    closed_.clear();
    current_ = kCountsSize;
}

}  // namespace orvanta
