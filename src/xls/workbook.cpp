#include "xls/workbook.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "data/error.h"
#include "xls/biffreader.h"
#include "xls/bytesink.h"
#include "xls/cfbwriter.h"
#include "xls/formaterror.h"
#include "xls/littleendian.h"
#include "xls/recordwriter.h"

#if defined(__GLIBC__)
#include <langinfo.h>
#include <locale.h>
#endif

namespace orvanta {

using namespace biff;

namespace {

constexpr const char* kStreamName = "Workbook";
constexpr size_t kDefaultFontCount = 5;
// TABID holds 2 bytes a sheet in one record of at most 8224 bytes.
constexpr size_t kMaxSheets = TRecordWriter::kMaxRecordData / 2;
constexpr size_t kMaxNameLength = 255;
// Larger files are refused before anything is allocated; a version 3
// compound file holds at most 2 GB of stream.
constexpr uint64_t kMaxReadFileSize = uint64_t(4) << 30;

// Worksheet settings this writer fixes (sheet options, workspace options).
constexpr uint16_t kCalcAutomatic = 1;
constexpr uint16_t kRefModeA1 = 1;
constexpr uint16_t kWsBoolFlags = kWsAutoBreaks | kWsRowSumsBelow | kWsOutlineSymbols;  // 0x0641
constexpr uint16_t kWindow2Flags = kWin2DefaultHeadingColour | kWin2OutlineSymbols | kWin2Shown
    | kWin2Gridlines | kWin2Headings | kWin2ZeroValues;  // 0x04B6
constexpr uint16_t kPrintScaling = 100;  // percent
constexpr uint16_t kPrintStartPage = 1;
constexpr uint16_t kPrintCopies = 1;

std::string SheetName(size_t number)
{
    return "Sheet " + std::to_string(number);
}

std::string WithFileName(const std::string& sentence, const std::string& filename)
{
    std::string text = sentence;
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, filename);
    return text;
}

}  // namespace

uint16_t RegionalCountryCode()
{
#if defined(__GLIBC__)
    // The telephone code of the LC_TELEPHONE category of the user's
    // environment, which the process itself need not have selected.
    if (locale_t loc = newlocale(LC_TELEPHONE_MASK, "", static_cast<locale_t>(0))) {
        const char* prefix = nl_langinfo_l(_NL_TELEPHONE_INT_PREFIX, loc);
        unsigned long code = 0;
        bool valid = prefix && *prefix;
        for (const char* p = prefix; valid && *p; ++p) {
            valid = *p >= '0' && *p <= '9' && code < 10000;
            code = code * 10 + static_cast<unsigned long>(*p - '0');
        }
        freelocale(loc);
        if (valid && code > 0 && code <= 0xFFFF)
            return static_cast<uint16_t>(code);
    }
#endif
    return kCountryUnitedStates;
}

// ---------------------------------------------------------------- TSheet

void TSheet::CellOutsideSheet(int col, int row)
{
    throw Error("Cell (column " + std::to_string(col) + ", row " + std::to_string(row)
                + ") lies outside a worksheet, which has columns 0 to 255 and rows 0 to 65535.");
}

std::optional<std::string> TSheet::CellText(int col, int row) const
{
    if (col < 0 || row < 0)
        return std::nullopt;
    const TCell* cell = cells_.Find(static_cast<uint32_t>(col), static_cast<uint32_t>(row));
    if (!cell)
        return std::nullopt;
    return sst_->Text(cell->sstIndex);
}

std::optional<uint16_t> TSheet::CellXf(int col, int row) const
{
    if (col < 0 || row < 0)
        return std::nullopt;
    const TCell* cell = cells_.Find(static_cast<uint32_t>(col), static_cast<uint32_t>(row));
    if (!cell)
        return std::nullopt;
    return cell->xf;
}

// ---------------------------------------------------------------- TWorkbook

TWorkbook::TWorkbook() : CountryCode(RegionalCountryCode())
{
    Clear();
}

void TWorkbook::Clear()
{
    sst_.Clear();
    Sheets.clear();
    AddSheet();
    CellFormats.clear();
    NumberFormats.clear();
    Fonts.assign(kDefaultFontCount, TFont{});
    DefaultXFs = true;
}

TSheet& TWorkbook::AddSheet()
{
    Sheets.push_back(TSheet(sst_, SheetName(Sheets.size() + 1)));
    return Sheets.back();
}

// ---------------------------------------------------------------- writing

void TWorkbook::Write() const
{
    // Checked first, so that a workbook that can't be written leaves the
    // file as it was.
    Validate();
    TFileSink file(Filename);
    TCompoundFileWriter container(file, kStreamName);
    WriteStream(container);
    container.Finish();
    file.Close();
}

std::vector<uint8_t> TWorkbook::WriteToMemory() const
{
    TMemorySink file;
    TCompoundFileWriter container(file, kStreamName);
    WriteStream(container);
    container.Finish();
    return std::move(file.Bytes());
}

std::vector<uint8_t> TWorkbook::WorkbookStream() const
{
    TMemorySink sink;
    WriteStream(sink);
    return std::move(sink.Bytes());
}

void TWorkbook::Validate() const
{
    if (Sheets.size() > kMaxSheets)
        throw Error("The workbook has " + std::to_string(Sheets.size())
                    + " sheets; a workbook file holds at most " + std::to_string(kMaxSheets) + ".");
    for (const TSheet& sheet : Sheets) {
        if (sheet.Name.size() > kMaxNameLength)
            throw Error("The sheet name \"" + sheet.Name.substr(0, 40)
                        + "...\" is longer than 255 characters.");
        if (sheet.sst_ != &sst_)
            throw std::logic_error("a sheet of another workbook was moved into this one");
    }
    for (const TFont& font : Fonts)
        if (font.Name.size() > kMaxNameLength)
            throw Error("The font name \"" + font.Name.substr(0, 40)
                        + "...\" is longer than 255 characters.");
}

void TWorkbook::WriteStream(TByteSink& sink) const
{
    Validate();
    TRecordWriter w(sink);
    std::vector<uint64_t> offsetFields;
    WriteGlobals(w, offsetFields);
    for (size_t i = 0; i < Sheets.size(); ++i) {
        // The sheet begins here: its BOUNDSHEET record gets this offset.
        const uint64_t at = w.Position();
        if (at > std::numeric_limits<uint32_t>::max())
            throw Error("The workbook is too large: a workbook file holds at most 2 GB.");
        w.PatchU32(offsetFields[i], static_cast<uint32_t>(at));
        WriteSheet(w, Sheets[i], i == 0);
    }
    w.Flush();
}

void TWorkbook::WriteGlobals(TRecordWriter& w, std::vector<uint64_t>& offsetFields) const
{
    WriteBof(w, kBofGlobals);
    WriteWriteAccess(w, UserName);
    w.RecordU16(kCodepage, Codepage);
    w.RecordU16(kDsf, 0);  // not a dual-format (BIFF5 and BIFF8) file

    w.Begin(kTabId, static_cast<uint16_t>(2 * Sheets.size()));
    for (size_t i = 0; i < Sheets.size(); ++i)
        w.U16(static_cast<uint16_t>(i + 1));
    w.End();

    w.RecordU16(kWindowProtect, BookProtected);
    w.RecordU16(kProtect, BookProtected);
    w.RecordU16(kPassword, 0);
    w.RecordU16(kProt4Rev, 0);
    w.RecordU16(kProt4RevPass, 0);
    WriteWindow1(w, {Window.Left, Window.Top, Window.Width, Window.Height, Window.Options,
                     Window.SelectedTab});
    w.RecordU16(kBackup, Backup);
    w.RecordU16(kHideObj, 0);    // show all objects
    w.RecordU16(kDateMode, 0);   // 1900 date system
    w.RecordU16(kPrecision, 1);  // full precision: "precision as displayed" is off
    w.RecordU16(kRefreshAll, RefreshAll);
    w.RecordU16(kBookBool, 1);   // external link values are not saved

    for (size_t i = 0; i < Fonts.size(); ++i) {
        if (i == kReservedFontIndex)
            continue;
        const TFont& f = Fonts[i];
        WriteFont(w, {f.Height, f.Flags, f.ColourIndex, f.Weight, f.Escapement, f.Underline,
                      f.Family, f.CharSet, f.Name});
    }
    for (const std::vector<uint8_t>& format : NumberFormats) {
        w.Begin(kFormat, static_cast<uint16_t>(format.size()));
        w.Bytes(format.data(), format.size());
        w.End();
    }
    auto writeXf = [&](const TXfData& xf) {
        w.Begin(kXf, kXfSize);
        w.Bytes(xf.data(), xf.size());
        w.End();
    };
    if (DefaultXFs)
        for (unsigned i = 0; i < kStandardXfCount; ++i)
            writeXf(StandardXf(i));
    for (const TXfData& xf : CellFormats)
        writeXf(xf);

    w.RecordU16(kUsesElfs, 0);
    for (const TSheet& sheet : Sheets)
        offsetFields.push_back(WriteBoundSheet(w, sheet.Name));

    w.Begin(kCountry, 4);
    w.U16(kCountryUnitedStates);  // default country
    w.U16(CountryCode);           // country of the regional settings
    w.End();

    sst_.Write(w);
    WriteEof(w);
}

void TWorkbook::WriteSheet(TRecordWriter& w, const TSheet& sheet, bool first) const
{
    WriteBof(w, kBofWorksheet);
    w.RecordU16(kCalcMode, kCalcAutomatic);
    w.RecordU16(kCalcCount, sheet.CalcCount);
    w.RecordU16(kRefMode, kRefModeA1);
    w.RecordU16(kIteration, 0);
    w.Begin(kDelta, 8);
    w.F64(sheet.Delta);
    w.End();
    w.RecordU16(kSaveRecalc, 1);  // recalculate before saving
    w.RecordU16(kPrintHeaders, 0);
    w.RecordU16(kPrintGridlines, 0);
    w.RecordU16(kGridSet, 1);
    w.Begin(kGuts, 8);  // no outline gutters
    w.U16(0);
    w.U16(0);
    w.U16(0);
    w.U16(0);
    w.End();
    if (sheet.DefaultRowHeight > 0) {
        w.Begin(kDefaultRowHeight, 4);
        w.U16(0);  // flags
        w.U16(sheet.DefaultRowHeight);
        w.End();
    }
    w.RecordU16(kWsBool, kWsBoolFlags);
    w.Begin(kHeader, 0);  // empty page header and footer: no data at all
    w.End();
    w.Begin(kFooter, 0);
    w.End();
    w.RecordU16(kHCenter, 0);
    w.RecordU16(kVCenter, 0);
    // Page margins are not set, so no LEFTMARGIN..BOTTOMMARGIN records.
    WriteSetup(w, kPrintScaling, kPrintStartPage, kPrintCopies);
    if (sheet.DefaultColWidth > 0)
        w.RecordU16(kDefColWidth, sheet.DefaultColWidth);

    // The used range from the cells present; all zero without cells.
    const TCellStorage& cells = sheet.cells_;
    if (cells.Empty())
        WriteDimensions(w, 0, 0, 0, 0);
    else
        WriteDimensions(w, cells.MinRow(), cells.MaxRow() + 1, static_cast<uint16_t>(cells.MinCol()),
                        static_cast<uint16_t>(cells.MaxCol() + 1));

    // One LABELSST record per cell, a block of 16 cells at a time: this is
    // the bulk of a large sheet, so the records go straight into the buffer.
    constexpr size_t kLabelSstRecord = TRecordWriter::kRecordHeaderSize + kLabelSstSize;
    cells.ForEachBlock([&w](uint32_t firstCol, uint32_t row, const TCell* block) {
        uint8_t* const start = w.Reserve(16 * kLabelSstRecord);
        uint8_t* p = start;
        for (uint32_t i = 0; i < 16; ++i) {
            if (!block[i].used)
                continue;
            le::PutU16(p, kLabelSst);
            le::PutU16(p + 2, kLabelSstSize);
            le::PutU16(p + 4, static_cast<uint16_t>(row));
            le::PutU16(p + 6, static_cast<uint16_t>(firstCol + i));
            le::PutU16(p + 8, block[i].xf);
            le::PutU32(p + 10, block[i].sstIndex);
            p += kLabelSstRecord;
        }
        w.Commit(static_cast<size_t>(p - start));
    });

    WriteWindow2(w, first ? kWindow2Flags | kWin2Selected : kWindow2Flags, sheet.Zoom);
    WriteSelectionA1(w);
    WriteEof(w);
}

// ---------------------------------------------------------------- reading

void TWorkbook::Read()
{
    Clear();
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(Filename.c_str(), "rb"),
                                                         &std::fclose);
    if (!file)
        throw Error("Cannot open file " + Filename);
    std::vector<uint8_t> bytes;
    constexpr size_t kStep = 1 << 20;
    for (;;) {
        if (bytes.size() >= kMaxReadFileSize)
            throw Error("File " + Filename + " is too large to be a workbook this program can read.");
        const size_t at = bytes.size();
        bytes.resize(at + kStep);
        errno = 0;
        const size_t got = std::fread(bytes.data() + at, 1, kStep, file.get());
        bytes.resize(at + got);
        if (got < kStep) {
            if (std::ferror(file.get()))
                throw Error("Cannot read file " + Filename + ": "
                            + (errno ? std::strerror(errno) : "read error"));
            break;
        }
    }
    file.reset();
    ReadFromMemory(bytes);
}

void TWorkbook::ReadFromMemory(std::span<const uint8_t> file)
{
    Clear();
    try {
        TBiffReader(*this).ReadFile(file);
    } catch (const TNotAWorkbook&) {
        Clear();
        throw Error("File is not a Excel Workbook");
    } catch (const TDamagedFile& e) {
        Clear();
        const std::string who = Filename.empty() ? "The file" : "File " + Filename;
        throw Error(who + " is damaged: " + e.what() + ".");
    } catch (const TUnsupportedWorkbook& e) {
        Clear();
        throw Error(WithFileName(e.what(), Filename));
    } catch (...) {
        Clear();
        throw;
    }
}

}  // namespace orvanta
