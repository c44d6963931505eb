#pragma once

// An Excel 97-2003 workbook (BIFF8 records in the "Workbook" stream of a
// compound file), kept in memory, written to a file and read back.
//
// Usage:
//   TWorkbook wb;
//   wb.Filename = path;
//   wb.Clear();                        // or wb.Read() to load the file
//   wb.Sheets[0].SetCellText(0, wb.Sheets[0].LastRow() + 1, "text");
//   wb.Write();
//
// Texts are byte strings, one byte a character (Latin-1 style), written with
// option byte 0. Errors are orvanta::Error; the workbook is used from one
// thread at a time.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/biffrecords.h"
#include "xls/cellstore.h"
#include "xls/sst.h"

namespace orvanta {

class TBiffReader;
class TByteSink;
class TRecordWriter;
class TWorkbook;

struct TFont {
    std::string Name = "Arial";  // single-byte characters
    uint16_t Height = 200;       // twips (points * 20)
    uint16_t Flags = 0;          // biff::kFontItalic, biff::kFontStruckOut, ...
    uint16_t ColourIndex = biff::kColourBlack;
    uint16_t Weight = biff::kFontWeightNormal;  // 700 is bold
    uint16_t Escapement = 0;  // 0 none, 1 superscript, 2 subscript
    uint8_t Underline = 0;    // 0 none, 1 single, 2 double, 0x21/0x22 accounting
    uint8_t Family = 0;
    uint8_t CharSet = 0;  // 0 ANSI
};

// The workbook window (WINDOW1), positions and sizes in twips.
struct TWorkbookWindow {
    uint16_t Left = 100;
    uint16_t Top = 100;
    uint16_t Width = 10000;
    uint16_t Height = 7000;
    uint16_t SelectedTab = 0;
    uint16_t Options = biff::kWin1HScroll | biff::kWin1VScroll | biff::kWin1Tabs;
};

class TSheet {
public:
    TSheet(TSheet&&) noexcept = default;
    TSheet& operator=(TSheet&&) noexcept = default;

    std::string Name;                // "Sheet 1", "Sheet 2", ...
    uint16_t DefaultColWidth = 8;    // characters; 0 writes no DEFCOLWIDTH
    uint16_t DefaultRowHeight = 255; // twips; 0 writes no DEFAULTROWHEIGHT
    uint16_t CalcCount = 100;        // iterations
    double Delta = 0.001;            // largest change of an iteration
    uint16_t Zoom = 100;             // percent

    // Appends the text to the workbook's shared string table and puts a text
    // cell with XF index 15 (the default cell format) at (col, row),
    // replacing any cell there. The replaced cell's string stays in the
    // table. Columns run from 0 to 255, rows from 0 to 65,535; a cell outside
    // them, or a text of more than 65,535 characters, throws orvanta::Error.
    void SetCellText(int col, int row, std::string_view text)
    {
        if (col < 0 || col >= TCellStorage::kColumns || row < 0 || row >= TCellStorage::kRows)
            CellOutsideSheet(col, row);
        const uint32_t index = sst_->Add(text);
        PutCell(static_cast<uint32_t>(col), static_cast<uint32_t>(row), biff::kDefaultCellXf, index);
    }

    // The text of the cell at (col, row); nothing when there is no cell.
    std::optional<std::string> CellText(int col, int row) const;
    // XF index of the cell at (col, row); nothing when there is no cell.
    std::optional<uint16_t> CellXf(int col, int row) const;

    // The used range. After Read it comes from the sheet's DIMENSIONS record
    // (the last row and column are its limits minus 1), widened by every
    // cell put since. A sheet without cells has FirstRow 0, LastRow -1,
    // FirstCol 0, LastCol -1, so LastRow() + 1 is always the first free row.
    int FirstRow() const { return firstRow_; }
    int LastRow() const { return lastRow_; }
    int FirstCol() const { return firstCol_; }
    int LastCol() const { return lastCol_; }

    const TCellStorage& Cells() const { return cells_; }

private:
    friend class TWorkbook;
    friend class TBiffReader;

    TSheet(TSST& sst, std::string name) : Name(std::move(name)), sst_(&sst) {}
    void PutCell(uint32_t col, uint32_t row, uint16_t xf, uint32_t sstIndex)
    {
        cells_.Put(col, row, xf, sstIndex);
        const int c = static_cast<int>(col), r = static_cast<int>(row);
        if (lastRow_ < firstRow_ || lastCol_ < firstCol_) {
            firstRow_ = lastRow_ = r;
            firstCol_ = lastCol_ = c;
            return;
        }
        if (r < firstRow_) firstRow_ = r;
        if (r > lastRow_) lastRow_ = r;
        if (c < firstCol_) firstCol_ = c;
        if (c > lastCol_) lastCol_ = c;
    }
    [[noreturn]] static void CellOutsideSheet(int col, int row);

    TSST* sst_;
    TCellStorage cells_;
    int firstRow_ = 0, lastRow_ = -1, firstCol_ = 0, lastCol_ = -1;
};

class TWorkbook {
public:
    TWorkbook();
    // A workbook's sheets point at its string table, so it stays in place.
    TWorkbook(const TWorkbook&) = delete;
    TWorkbook& operator=(const TWorkbook&) = delete;

    std::string Filename;
    uint16_t Codepage = 1200;
    std::string UserName;  // WRITEACCESS
    bool BookProtected = false;
    bool Backup = false;
    bool RefreshAll = false;
    // Second value of COUNTRY: the international telephone code of the
    // user's regional settings (1 when it can't be had). Set on construction.
    uint16_t CountryCode = biff::kCountryUnitedStates;
    TWorkbookWindow Window;
    // Font entries by font index; entry 4 is never written (the format
    // reserves font index 4).
    std::vector<TFont> Fonts;
    // Set: Write puts the sixteen standard XF records first, so CellFormats[p]
    // is XF index 16 + p. Cleared by Read: the XF records are those read.
    bool DefaultXFs = true;
    std::vector<biff::TXfData> CellFormats;  // XF record data
    std::vector<std::vector<uint8_t>> NumberFormats;  // FORMAT record data, as read
    std::vector<TSheet> Sheets;

    // Empties the string table, the formats and the sheets, adds one new
    // sheet "Sheet 1" and sets the five default fonts and DefaultXFs again.
    // Filename, the window and the other settings are kept.
    void Clear();
    // Appends a new empty sheet named "Sheet n" and returns it.
    TSheet& AddSheet();

    // Clears, then loads the workbook from Filename: its sheets, cells,
    // strings, fonts and formats. Errors: "Cannot open file <name>", "File is
    // not a Excel Workbook", and a sentence naming the fault of a damaged or
    // unsupported file; after an error the workbook is cleared.
    void Read();
    // As Read, from the bytes of a file in memory.
    void ReadFromMemory(std::span<const uint8_t> file);

    // Writes the whole workbook to Filename, replacing any file of that name.
    // Errors carry the platform's error text; a file that could not be
    // created is left as it was. The workbook itself is not changed.
    void Write() const;
    // The bytes Write would put into the file.
    std::vector<uint8_t> WriteToMemory() const;
    // The BIFF8 records of the "Workbook" stream alone.
    std::vector<uint8_t> WorkbookStream() const;

    const TSST& SharedStrings() const { return sst_; }

private:
    friend class TBiffReader;

    void Validate() const;
    void WriteStream(TByteSink& sink) const;
    void WriteGlobals(TRecordWriter& w, std::vector<uint64_t>& sheetOffsetFields) const;
    void WriteSheet(TRecordWriter& w, const TSheet& sheet, bool first) const;

    TSST sst_;
};

// The international telephone code of the user's regional settings, or 1.
uint16_t RegionalCountryCode();

}  // namespace orvanta
