#pragma once

// Helpers of the workbook tests: a BIFF record splitter written apart from
// the reader under test, and hex notation for expected bytes.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xls/bytesink.h"
#include "xls/cfbwriter.h"

namespace xlstest {

// A compound file holding `stream` as its one stream.
inline std::vector<uint8_t> InContainer(const std::vector<uint8_t>& stream, const char* name = "Workbook")
{
    orvanta::TMemorySink file;
    orvanta::TCompoundFileWriter writer(file, name);
    writer.Append(stream.data(), stream.size());
    writer.Finish();
    return std::move(file.Bytes());
}

struct TRec {
    uint16_t id;
    std::vector<uint8_t> data;
    size_t offset;  // stream offset of the record header
};

inline uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t U32(const uint8_t* p) { return U16(p) | (static_cast<uint32_t>(U16(p + 2)) << 16); }

// Splits a stream into records; a record running past the end is a failure.
inline std::vector<TRec> Records(const std::vector<uint8_t>& stream)
{
    std::vector<TRec> out;
    size_t pos = 0;
    while (pos < stream.size()) {
        if (stream.size() - pos < 4) {
            ADD_FAILURE() << "stream ends inside a record header at " << pos;
            break;
        }
        const uint16_t id = U16(&stream[pos]);
        const uint16_t len = U16(&stream[pos + 2]);
        if (stream.size() - pos - 4 < len) {
            ADD_FAILURE() << "record at " << pos << " runs past the stream";
            break;
        }
        out.push_back({id, {stream.begin() + pos + 4, stream.begin() + pos + 4 + len}, pos});
        pos += 4 + size_t(len);
    }
    return out;
}

// "09 08 1000" -> bytes; spaces are ignored.
inline std::vector<uint8_t> Hex(std::string_view text)
{
    std::vector<uint8_t> out;
    int high = -1;
    for (const char c : text) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else continue;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return out;
}

inline std::string ToHex(const std::vector<uint8_t>& bytes)
{
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) s.push_back(' ');
        s.push_back(digits[bytes[i] >> 4]);
        s.push_back(digits[bytes[i] & 15]);
    }
    return s;
}

inline std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline std::vector<uint8_t> Repeat(uint8_t byte, size_t n) { return std::vector<uint8_t>(n, byte); }

// One record as bytes: id, length, data.
inline std::vector<uint8_t> Record(uint16_t id, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out{static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8),
                             static_cast<uint8_t>(data.size()), static_cast<uint8_t>(data.size() >> 8)};
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

inline std::vector<uint8_t> U16Bytes(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
inline std::vector<uint8_t> U32Bytes(uint32_t v)
{
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

inline std::vector<uint8_t> Bof(uint16_t type)
{
    return Record(0x0809, Concat({Hex("00 06"), U16Bytes(type), Hex("BB 0D CC 07 00 00 00 00 06 01 00 00")}));
}
inline std::vector<uint8_t> Eof() { return Record(0x000A, {}); }
inline std::vector<uint8_t> LabelSstRecord(uint16_t row, uint16_t col, uint32_t sst, uint16_t xf = 15)
{
    return Record(0x00FD, Concat({U16Bytes(row), U16Bytes(col), U16Bytes(xf), U32Bytes(sst)}));
}
inline std::vector<uint8_t> DimensionsRecord(uint32_t firstRow, uint32_t rowLimit, uint16_t firstCol,
                                             uint16_t colLimit)
{
    return Record(0x0200, Concat({U32Bytes(firstRow), U32Bytes(rowLimit), U16Bytes(firstCol),
                                  U16Bytes(colLimit), Hex("00 00")}));
}
// SST record data: the counts and entries of 8-bit characters.
inline std::vector<uint8_t> SstRecord(const std::vector<std::string>& texts, uint32_t unique)
{
    std::vector<uint8_t> data = Concat({U32Bytes(unique), U32Bytes(unique)});
    for (const std::string& t : texts) {
        const auto count = U16Bytes(static_cast<uint16_t>(t.size()));
        data.insert(data.end(), count.begin(), count.end());
        data.push_back(0);
        data.insert(data.end(), t.begin(), t.end());
    }
    return Record(0x00FC, data);
}

struct TSheetSpec {
    TSheetSpec(std::string n, std::vector<std::vector<uint8_t>> r = {},
               std::optional<uint32_t> o = std::nullopt, bool e = true)
        : name(std::move(n)), records(std::move(r)), offset(o), eof(e)
    {
    }
    std::string name;
    std::vector<std::vector<uint8_t>> records;  // between the sheet's BOF and EOF
    std::optional<uint32_t> offset;             // BOUNDSHEET offset; by default the true one
    bool eof = true;
};

// A workbook stream: BOF (globals), `globals`, one BOUNDSHEET per sheet,
// `tail` (e.g. the SST), EOF, then each sheet: BOF (worksheet), its records,
// EOF.
inline std::vector<uint8_t> BuildStream(const std::vector<std::vector<uint8_t>>& globals,
                                        const std::vector<TSheetSpec>& sheets,
                                        const std::vector<std::vector<uint8_t>>& tail)
{
    std::vector<uint8_t> head = Bof(0x0005);
    for (const auto& r : globals) head.insert(head.end(), r.begin(), r.end());
    size_t boundSize = 0;
    for (const auto& s : sheets) boundSize += 4 + 8 + s.name.size();
    std::vector<uint8_t> after;
    for (const auto& r : tail) after.insert(after.end(), r.begin(), r.end());
    const auto eof = Eof();
    after.insert(after.end(), eof.begin(), eof.end());

    std::vector<std::vector<uint8_t>> bodies;
    size_t at = head.size() + boundSize + after.size();
    std::vector<uint32_t> offsets;
    for (const auto& s : sheets) {
        std::vector<uint8_t> body = Bof(0x0010);
        for (const auto& r : s.records) body.insert(body.end(), r.begin(), r.end());
        if (s.eof) body.insert(body.end(), eof.begin(), eof.end());
        offsets.push_back(s.offset.value_or(static_cast<uint32_t>(at)));
        at += body.size();
        bodies.push_back(std::move(body));
    }
    std::vector<uint8_t> stream = head;
    for (size_t i = 0; i < sheets.size(); ++i) {
        std::vector<uint8_t> data = U32Bytes(offsets[i]);
        data.insert(data.end(), {0, 0, static_cast<uint8_t>(sheets[i].name.size()), 0});
        data.insert(data.end(), sheets[i].name.begin(), sheets[i].name.end());
        const auto r = Record(0x0085, data);
        stream.insert(stream.end(), r.begin(), r.end());
    }
    stream.insert(stream.end(), after.begin(), after.end());
    for (const auto& b : bodies) stream.insert(stream.end(), b.begin(), b.end());
    return stream;
}

// The decoded SST: its records' lengths and its entries as (option byte,
// characters as bytes, split over records?).
struct TSstEntry {
    uint8_t option;
    std::vector<uint8_t> chars;  // 1 or 2 bytes a character, as written
    bool split;
};
struct TDecodedSst {
    uint32_t total = 0, unique = 0;
    std::vector<uint16_t> lengths;
    std::vector<TSstEntry> entries;
};

// Decodes the SST record at records[at] and the CONTINUE records after it,
// following the BIFF8 rules: a string's characters that run on into the
// next record continue after that record's option byte.
inline TDecodedSst DecodeSst(const std::vector<TRec>& records, size_t at)
{
    TDecodedSst sst;
    std::vector<const std::vector<uint8_t>*> parts;
    for (size_t i = at; i < records.size() && (i == at || records[i].id == 0x003C); ++i) {
        parts.push_back(&records[i].data);
        sst.lengths.push_back(static_cast<uint16_t>(records[i].data.size()));
    }
    size_t part = 0, pos = 0;
    auto byte = [&]() -> int {
        while (part < parts.size() && pos >= parts[part]->size()) { ++part; pos = 0; }
        if (part >= parts.size()) return -1;
        return (*parts[part])[pos++];
    };
    auto u16 = [&] { const int a = byte(), b = byte(); return (a < 0 || b < 0) ? -1 : a | (b << 8); };
    uint32_t counts[2];
    for (uint32_t& c : counts) {
        const int a = u16(), b = u16();
        c = static_cast<uint32_t>(a) | (static_cast<uint32_t>(b) << 16);
    }
    sst.total = counts[0];
    sst.unique = counts[1];
    for (uint32_t i = 0; i < sst.unique; ++i) {
        const int count = u16();
        const int option = byte();
        if (count < 0 || option < 0) {
            ADD_FAILURE() << "SST ends inside the header of entry " << i;
            break;
        }
        TSstEntry e{static_cast<uint8_t>(option), {}, false};
        int width = option & 1 ? 2 : 1;
        for (int k = 0; k < count; ++k) {
            if (pos >= parts[part]->size()) {  // characters run on: a fresh option byte
                ++part;
                pos = 0;
                if (part >= parts.size()) break;
                width = (*parts[part])[pos++] & 1 ? 2 : 1;
                e.split = true;
            }
            for (int b = 0; b < width; ++b) e.chars.push_back(parts[part]->at(pos++));
        }
        sst.entries.push_back(std::move(e));
    }
    return sst;
}

}  // namespace xlstest
