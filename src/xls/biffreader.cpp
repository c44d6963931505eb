#include "xls/biffreader.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "xls/biffrecords.h"
#include "xls/cfbreader.h"
#include "xls/formaterror.h"
#include "xls/littleendian.h"
#include "xls/workbook.h"

namespace orvanta {

using namespace biff;

namespace {

[[noreturn]] void Damaged(const std::string& what)
{
    throw TDamagedFile(what);
}

constexpr size_t kMaxSheets = 4112;  // as many as a TABID record can number

struct TRecord {
    uint16_t id;
    std::span<const uint8_t> data;
};

// Walks the records of a stream, checking each length against the stream.
class TRecordCursor {
public:
    TRecordCursor(std::span<const uint8_t> stream, size_t pos) : stream_(stream), pos_(pos) {}

    bool AtEnd() const { return pos_ >= stream_.size(); }
    size_t Position() const { return pos_; }

    std::optional<uint16_t> PeekId() const
    {
        if (stream_.size() - pos_ < 4)
            return std::nullopt;
        return le::GetU16(stream_.data() + pos_);
    }

    TRecord Next()
    {
        if (stream_.size() - pos_ < 4)
            Damaged("the workbook stream ends inside a record header");
        const uint16_t id = le::GetU16(stream_.data() + pos_);
        const uint16_t length = le::GetU16(stream_.data() + pos_ + 2);
        if (length > stream_.size() - pos_ - 4)
            Damaged("a record is longer than the rest of the workbook stream");
        TRecord r{id, stream_.subspan(pos_ + 4, length)};
        pos_ += 4 + size_t(length);
        return r;
    }

private:
    std::span<const uint8_t> stream_;
    size_t pos_;
};

// The data of an SST record and its CONTINUE records, read as one sequence
// except for characters: when a string's characters run on into the next
// record, that record begins with a fresh option byte, and a 16-bit
// character is never cut between records.
class TFragmentReader {
public:
    explicit TFragmentReader(std::vector<std::span<const uint8_t>> fragments)
        : fragments_(std::move(fragments))
    {
    }

    uint8_t U8()
    {
        if (!Ensure())
            Fail();
        return fragments_[f_][pos_++];
    }
    uint16_t U16()
    {
        const uint8_t lo = U8();
        return static_cast<uint16_t>(lo | (U8() << 8));
    }
    uint32_t U32()
    {
        const uint32_t lo = U16();
        return lo | (static_cast<uint32_t>(U16()) << 16);
    }
    void Skip(uint64_t n)
    {
        while (n) {
            if (!Ensure())
                Fail();
            const size_t step = static_cast<size_t>(std::min<uint64_t>(n, fragments_[f_].size() - pos_));
            pos_ += step;
            n -= step;
        }
    }

    // If all `count` characters lie in the current record as single bytes,
    // returns them without copying.
    std::optional<std::string_view> CompressedInPlace(uint32_t count, bool wide)
    {
        if (wide || f_ >= fragments_.size() || fragments_[f_].size() - pos_ < count)
            return std::nullopt;
        // At the very end of a record the characters, if any, are in the
        // next one; that is the general path.
        if (count > 0 && pos_ == fragments_[f_].size())
            return std::nullopt;
        std::string_view chars(reinterpret_cast<const char*>(fragments_[f_].data() + pos_), count);
        pos_ += count;
        return chars;
    }

    // Reads `count` characters as 16-bit units; `wide` is the option byte's
    // setting for the first piece. Returns whether any piece was 16-bit.
    bool Chars(uint32_t count, bool wide, std::vector<uint16_t>& units)
    {
        units.clear();
        bool anyWide = wide;
        while (units.size() < count) {
            if (f_ >= fragments_.size())
                Fail();
            if (pos_ >= fragments_[f_].size()) {
                ++f_;
                pos_ = 0;
                if (f_ >= fragments_.size())
                    Fail();
                if (fragments_[f_].empty())
                    continue;  // an empty record carries no option byte
                wide = fragments_[f_][pos_++] & kStringWide;
                anyWide = anyWide || wide;
                continue;
            }
            const size_t width = wide ? 2 : 1;
            const size_t avail = (fragments_[f_].size() - pos_) / width;
            if (avail == 0)
                Damaged("a character of the shared string table is split between records");
            const size_t n = std::min<size_t>(avail, count - units.size());
            const uint8_t* p = fragments_[f_].data() + pos_;
            for (size_t i = 0; i < n; ++i)
                units.push_back(wide ? le::GetU16(p + 2 * i) : p[i]);
            pos_ += n * width;
        }
        return anyWide;
    }

private:
    bool Ensure()
    {
        while (f_ < fragments_.size() && pos_ >= fragments_[f_].size()) {
            ++f_;
            pos_ = 0;
        }
        return f_ < fragments_.size();
    }
    [[noreturn]] static void Fail()
    {
        Damaged("the shared string table ends before its last string");
    }

    std::vector<std::span<const uint8_t>> fragments_;
    size_t f_ = 0;
    size_t pos_ = 0;
};

// A BIFF8 string whose characters are bytes or 16-bit units, as one byte a
// character ('?' for characters above 0xFF).
std::string SingleByteText(std::span<const uint8_t> chars, bool wide)
{
    if (!wide)
        return std::string(reinterpret_cast<const char*>(chars.data()), chars.size());
    std::string text(chars.size() / 2, '?');
    for (size_t i = 0; i < text.size(); ++i) {
        const uint16_t unit = le::GetU16(chars.data() + 2 * i);
        if (unit <= 0xFF)
            text[i] = static_cast<char>(unit);
    }
    return text;
}

// ShortXLUnicodeString at `at` of a record: count byte, option byte, characters.
std::string ShortString(std::span<const uint8_t> data, size_t at, const char* record)
{
    if (data.size() < at + 2)
        Damaged(std::string("a ") + record + " record is too short");
    const size_t count = data[at];
    const bool wide = data[at + 1] & kStringWide;
    const size_t bytes = wide ? 2 * count : count;
    if (data.size() - at - 2 < bytes)
        Damaged(std::string("the name in a ") + record + " record is longer than the record");
    return SingleByteText(data.subspan(at + 2, bytes), wide);
}

struct TSheetEntry {
    uint32_t offset;
    size_t index;  // in the workbook's sheet list
};

}  // namespace

void TBiffReader::ReadFile(std::span<const uint8_t> file)
{
    const TCompoundFileReader container(file);
    auto stream = container.ReadRootStream("Workbook");
    if (!stream)
        stream = container.ReadRootStream("Book");
    if (!stream)
        throw TNotAWorkbook();
    ReadStream(*stream);
}

void TBiffReader::ReadStream(std::span<const uint8_t> stream)
{
    TWorkbook& wb = book_;
    TRecordCursor cursor(stream, 0);
    if (cursor.AtEnd() || cursor.PeekId() != kBof)
        throw TNotAWorkbook();
    const TRecord bof = cursor.Next();
    if (bof.data.size() < 4)
        throw TNotAWorkbook();
    const uint16_t version = le::GetU16(bof.data.data());
    if (version != kBiff8Version) {
        if (version < kBiff8Version)
            throw TUnsupportedWorkbook(
                "File %s was saved in a format older than Excel 97, which this program cannot read.");
        throw TNotAWorkbook();
    }
    if (le::GetU16(bof.data.data() + 2) != kBofGlobals)
        Damaged("the workbook stream does not begin with the workbook globals");

    wb.Fonts.clear();
    wb.Sheets.clear();
    wb.DefaultXFs = false;
    std::vector<std::pair<uint32_t, std::string>> boundSheets;
    bool haveSst = false, haveEof = false;
    std::vector<uint16_t> units;
    std::vector<uint8_t> wideBytes;

    while (!cursor.AtEnd() && !haveEof) {
        const TRecord r = cursor.Next();
        const auto& d = r.data;
        switch (r.id) {
        case kEof:
            haveEof = true;
            break;
        case kFilePass:
            throw TUnsupportedWorkbook(
                "File %s is password-protected, and this program cannot read encrypted workbooks.");
        case kFont: {
            if (d.size() < kFontFixedSize + 2u)
                Damaged("a FONT record is too short");
            if (wb.Fonts.size() == kReservedFontIndex)
                wb.Fonts.emplace_back();  // index 4 has no record in the file
            TFont font;
            font.Height = le::GetU16(d.data());
            font.Flags = le::GetU16(d.data() + 2);
            font.ColourIndex = le::GetU16(d.data() + 4);
            font.Weight = le::GetU16(d.data() + 6);
            font.Escapement = le::GetU16(d.data() + 8);
            font.Underline = d[10];
            font.Family = d[11];
            font.CharSet = d[12];
            font.Name = ShortString(d, kFontFixedSize, "FONT");
            wb.Fonts.push_back(std::move(font));
            break;
        }
        case kFormat:
            wb.NumberFormats.emplace_back(d.begin(), d.end());
            break;
        case kXf: {
            if (d.size() != kXfSize)
                Damaged("an XF record does not have 20 bytes");
            TXfData xf;
            std::copy(d.begin(), d.end(), xf.begin());
            wb.CellFormats.push_back(xf);
            break;
        }
        case kBoundSheet: {
            if (d.size() < 8)
                Damaged("a BOUNDSHEET record is too short");
            constexpr uint8_t kWorksheet = 0;
            // Chart, macro and module sheets are not kept.
            if (d[5] != kWorksheet)
                break;
            if (boundSheets.size() == kMaxSheets)
                Damaged("the workbook lists more sheets than a workbook file can hold");
            boundSheets.emplace_back(le::GetU32(d.data()), ShortString(d, 6, "BOUNDSHEET"));
            break;
        }
        case kSst: {
            if (haveSst)
                Damaged("the workbook has two shared string tables");
            haveSst = true;
            std::vector<std::span<const uint8_t>> fragments{d};
            while (cursor.PeekId() == kContinue)
                fragments.push_back(cursor.Next().data);
            TFragmentReader sst(std::move(fragments));
            sst.U32();  // total number of strings in the workbook
            const uint32_t unique = sst.U32();
            for (uint32_t i = 0; i < unique; ++i) {
                const uint16_t count = sst.U16();
                const uint8_t option = sst.U8();
                const bool wide = option & kStringWide;
                const uint16_t runs = option & kStringRich ? sst.U16() : 0;
                const uint32_t extBytes = option & kStringExtended ? sst.U32() : 0;
                if (auto chars = sst.CompressedInPlace(count, wide)) {
                    wb.sst_.Add(*chars);
                } else if (!sst.Chars(count, wide, units)) {
                    std::string text(units.begin(), units.end());
                    wb.sst_.Add(text);
                } else {
                    wideBytes.resize(2 * units.size());
                    for (size_t k = 0; k < units.size(); ++k)
                        le::PutU16(wideBytes.data() + 2 * k, units[k]);
                    wb.sst_.AddWide(wideBytes.data(), static_cast<uint32_t>(units.size()));
                }
                // Formatting runs (4 bytes each) and phonetic data are not kept.
                sst.Skip(4ull * runs + extBytes);
            }
            break;
        }
        default:
            break;
        }
    }
    if (!haveEof)
        Damaged("the workbook globals end without an end-of-file record");

    for (auto& [offset, name] : boundSheets) {
        wb.AddSheet().Name = std::move(name);
        (void)offset;
    }

    // Sheets are read in stream order, and each must begin after the one
    // before it ended, so no record is read twice whatever the offsets say.
    std::vector<TSheetEntry> order;
    for (size_t i = 0; i < boundSheets.size(); ++i)
        order.push_back({boundSheets[i].first, i});
    std::stable_sort(order.begin(), order.end(),
                     [](const TSheetEntry& a, const TSheetEntry& b) { return a.offset < b.offset; });
    size_t free = cursor.Position();
    for (const TSheetEntry& entry : order) {
        TSheet& sheet = wb.Sheets[entry.index];
        if (entry.offset >= stream.size())
            Damaged("sheet \"" + sheet.Name + "\" lies beyond the end of the workbook stream");
        if (entry.offset < free)
            Damaged("sheet \"" + sheet.Name + "\" overlaps the records before it");
        TRecordCursor sc(stream, entry.offset);
        const TRecord sheetBof = sc.Next();
        if (sheetBof.id != kBof || sheetBof.data.size() < 4
            || le::GetU16(sheetBof.data.data() + 2) != kBofWorksheet)
            Damaged("sheet \"" + sheet.Name + "\" does not begin with a worksheet BOF record");
        int depth = 1;  // charts embedded in a sheet bring their own BOF..EOF
        while (depth > 0) {
            if (sc.AtEnd())
                Damaged("sheet \"" + sheet.Name + "\" ends without an end-of-file record");
            const TRecord r = sc.Next();
            const auto& d = r.data;
            if (r.id == kBof) {
                ++depth;
                continue;
            }
            if (r.id == kEof) {
                --depth;
                continue;
            }
            if (depth > 1)
                continue;
            if (r.id == kDimensions) {
                if (d.size() < kDimensionsSize)
                    Damaged("a DIMENSIONS record is too short");
                const uint32_t firstRow = le::GetU32(d.data());
                const uint32_t rowLimit = le::GetU32(d.data() + 4);
                const uint16_t firstCol = le::GetU16(d.data() + 8);
                const uint16_t colLimit = le::GetU16(d.data() + 10);
                if (firstRow >= TCellStorage::kRows || rowLimit > TCellStorage::kRows
                    || firstCol >= TCellStorage::kColumns || colLimit > TCellStorage::kColumns)
                    Damaged("the DIMENSIONS record of sheet \"" + sheet.Name + "\" is out of range");
                sheet.firstRow_ = static_cast<int>(firstRow);
                sheet.lastRow_ = static_cast<int>(rowLimit) - 1;
                sheet.firstCol_ = firstCol;
                sheet.lastCol_ = static_cast<int>(colLimit) - 1;
            } else if (r.id == kLabelSst) {
                if (d.size() < kLabelSstSize)
                    Damaged("a LABELSST record is too short");
                const uint16_t row = le::GetU16(d.data());
                const uint16_t col = le::GetU16(d.data() + 2);
                const uint16_t xf = le::GetU16(d.data() + 4);
                const uint32_t index = le::GetU32(d.data() + 6);
                if (col >= TCellStorage::kColumns)
                    Damaged("a cell of sheet \"" + sheet.Name + "\" lies beyond column 255");
                if (index >= wb.sst_.Count())
                    Damaged("a cell refers to shared string " + std::to_string(index)
                            + ", but the table holds " + std::to_string(wb.sst_.Count()));
                sheet.PutCell(col, row, xf, index);
            }
        }
        free = sc.Position();
    }
}

}  // namespace orvanta
