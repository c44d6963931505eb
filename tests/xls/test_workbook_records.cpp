// The records of written workbooks, byte for byte.

#include <gtest/gtest.h>

#include <filesystem>

#include "xls/workbook.h"
#include "xls_test_util.h"

using namespace orvanta;
using namespace xlstest;

namespace {

struct TExpected {
    uint16_t id;
    const char* name;
    std::vector<uint8_t> data;
};

std::vector<uint8_t> Xf(const char* fontLo, const char* typeWord, const char* attributes)
{
    // font index, number format 0, type and protection, alignment 0x20
    // (general, bottom), rotation 0, indent 0, attributes, eight border
    // bytes 0, pattern colours 0x20C0.
    return Hex(std::string(fontLo) + " 00  00 00  " + typeWord + "  20 00 00 " + attributes
               + "  00 00 00 00 00 00 00 00  C0 20");
}

// The globals of a workbook after Clear, with the sheet at `sheetOffset` and
// the SST given.
std::vector<TExpected> ExpectedGlobals(uint32_t sheetOffset, const std::vector<uint8_t>& sst)
{
    const std::vector<uint8_t> arial = Hex("C8 00  00 00  08 00  90 01  00 00  00 00 00 00  05 00  41 72 69 61 6C");
    std::vector<uint8_t> offset(4);
    for (int i = 0; i < 4; ++i)
        offset[i] = static_cast<uint8_t>(sheetOffset >> (8 * i));
    std::vector<TExpected> e = {
        // version 0x0600, globals 0x0005, build 0x0DBB, year 0x07CC, history 0, lowest version 0x106
        {0x0809, "BOF", Hex("00 06  05 00  BB 0D  CC 07  00 00 00 00  06 01 00 00")},
        // user name of 0 characters, option byte 0, spaces up to 112 bytes
        {0x005C, "WRITEACCESS", Concat({Hex("00 00 00"), Repeat(0x20, 109)})},
        {0x0042, "CODEPAGE", Hex("B0 04")},  // 1200
        {0x0161, "DSF", Hex("00 00")},
        {0x013D, "TABID", Hex("01 00")},
        {0x0019, "WINDOWPROTECT", Hex("00 00")},
        {0x0012, "PROTECT", Hex("00 00")},
        {0x0013, "PASSWORD", Hex("00 00")},
        {0x01AF, "PROT4REV", Hex("00 00")},
        {0x01BC, "PROT4REVPASS", Hex("00 00")},
        // left 100, top 100, width 10000, height 7000, flags 0x0038, active 0,
        // first tab 0, 1 selected, tab ratio 600
        {0x003D, "WINDOW1", Hex("64 00  64 00  10 27  58 1B  38 00  00 00  00 00  01 00  58 02")},
        {0x0040, "BACKUP", Hex("00 00")},
        {0x008D, "HIDEOBJ", Hex("00 00")},
        {0x0022, "DATEMODE", Hex("00 00")},
        {0x000E, "PRECISION", Hex("01 00")},
        {0x01B7, "REFRESHALL", Hex("00 00")},
        {0x00DA, "BOOKBOOL", Hex("01 00")},
        // height 200, flags 0, colour 8, weight 400, escapement 0, underline 0,
        // family 0, charset 0, reserved 0, 5 characters, option 0, "Arial"
        {0x0031, "FONT 0", arial},
        {0x0031, "FONT 1", arial},
        {0x0031, "FONT 2", arial},
        {0x0031, "FONT 3", arial},  // the fifth entry (index 4) is not written
        {0x00E0, "XF 0", Xf("00", "F5 FF", "00")},
        {0x00E0, "XF 1", Xf("01", "F5 FF", "F4")},
        {0x00E0, "XF 2", Xf("01", "F5 FF", "F4")},
        {0x00E0, "XF 3", Xf("02", "F5 FF", "F4")},
        {0x00E0, "XF 4", Xf("02", "F5 FF", "F4")},
    };
    for (int i = 5; i <= 14; ++i)
        e.push_back({0x00E0, "XF 5-14", Xf("00", "F5 FF", "F4")});
    e.push_back({0x00E0, "XF 15", Xf("00", "01 00", "00")});
    e.push_back({0x0160, "USESELFS", Hex("00 00")});
    // sheet offset, visible worksheet, 7 characters, option 0, "Sheet 1"
    e.push_back({0x0085, "BOUNDSHEET", Concat({offset, Hex("00 00  07 00  53 68 65 65 74 20 31")})});
    e.push_back({0x008C, "COUNTRY", Hex("01 00  01 00")});
    e.push_back({0x00FC, "SST", sst});
    e.push_back({0x000A, "EOF", {}});
    return e;
}

std::vector<TExpected> ExpectedSheetBefore(const std::vector<uint8_t>& dimensions)
{
    return {
        {0x0809, "BOF", Hex("00 06  10 00  BB 0D  CC 07  00 00 00 00  06 01 00 00")},
        {0x000D, "CALCMODE", Hex("01 00")},
        {0x000C, "CALCCOUNT", Hex("64 00")},
        {0x000F, "REFMODE", Hex("01 00")},
        {0x0011, "ITERATION", Hex("00 00")},
        {0x0010, "DELTA", Hex("FC A9 F1 D2 4D 62 50 3F")},  // 0.001
        {0x005F, "SAVERECALC", Hex("01 00")},
        {0x002A, "PRINTHEADERS", Hex("00 00")},
        {0x002B, "PRINTGRIDLINES", Hex("00 00")},
        {0x0082, "GRIDSET", Hex("01 00")},
        {0x0080, "GUTS", Hex("00 00 00 00 00 00 00 00")},
        {0x0225, "DEFAULTROWHEIGHT", Hex("00 00  FF 00")},
        {0x0081, "WSBOOL", Hex("41 06")},
        {0x0014, "HEADER", {}},
        {0x0015, "FOOTER", {}},
        {0x0083, "HCENTER", Hex("00 00")},
        {0x0084, "VCENTER", Hex("00 00")},
        // paper 0, scaling 100, start page 1, fit 1 x 1, portrait 0x0002,
        // resolutions 0xCA52 and 0x0012, margins 0.0 and 0.0, 1 copy
        {0x00A1, "SETUP", Concat({Hex("00 00  64 00  01 00  01 00  01 00  02 00  52 CA  12 00"),
                                  Repeat(0, 16), Hex("01 00")})},
        {0x0055, "DEFCOLWIDTH", Hex("08 00")},
        {0x0200, "DIMENSIONS", dimensions},
    };
}

std::vector<TExpected> ExpectedSheetAfter()
{
    return {
        // flags 0x06B6, top row 0, left column 0, heading colour 0x40, 0,
        // page break preview zoom 100, normal zoom 0, four zero bytes
        {0x023E, "WINDOW2", Hex("B6 06  00 00  00 00  40 00  00 00  64 00  00 00  00 00 00 00")},
        // pane 3, active cell A1, reference 0, 1 reference: rows 0-0, columns 0-0
        {0x001D, "SELECTION", Hex("03  00 00  00 00  00 00  01 00  00 00 00 00  00 00")},
        {0x000A, "EOF", {}},
    };
}

void ExpectRecords(const std::vector<TRec>& got, size_t from, const std::vector<TExpected>& want)
{
    ASSERT_GE(got.size(), from + want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(std::string("record ") + std::to_string(from + i) + " " + want[i].name);
        EXPECT_EQ(got[from + i].id, want[i].id);
        EXPECT_EQ(ToHex(got[from + i].data), ToHex(want[i].data));
    }
}

TWorkbook& Cleared(TWorkbook& wb)
{
    wb.CountryCode = 1;
    wb.Clear();
    return wb;
}

std::vector<uint8_t> LabelSst(uint16_t row, uint16_t col, uint32_t sst)
{
    return {static_cast<uint8_t>(row), static_cast<uint8_t>(row >> 8), static_cast<uint8_t>(col),
            static_cast<uint8_t>(col >> 8), 15, 0, static_cast<uint8_t>(sst),
            static_cast<uint8_t>(sst >> 8), static_cast<uint8_t>(sst >> 16), static_cast<uint8_t>(sst >> 24)};
}

}  // namespace

TEST(WorkbookRecords, EmptyWorkbookIsGlobalsAndOneSheetWithoutCells)
{
    TWorkbook wb;
    const auto records = Records(Cleared(wb).WorkbookStream());
    const auto globals = ExpectedGlobals(0, Hex("00 00 00 00  00 00 00 00"));
    const auto before = ExpectedSheetBefore(Repeat(0, 14));
    const auto after = ExpectedSheetAfter();
    ASSERT_EQ(records.size(), globals.size() + before.size() + after.size());

    // The BOUNDSHEET offset is where the sheet's BOF begins.
    const size_t sheetBof = globals.size();
    const auto expectedGlobals = ExpectedGlobals(static_cast<uint32_t>(records[sheetBof].offset),
                                                 Hex("00 00 00 00  00 00 00 00"));
    ExpectRecords(records, 0, expectedGlobals);
    ExpectRecords(records, sheetBof, before);
    ExpectRecords(records, sheetBof + before.size(), after);
}

TEST(WorkbookRecords, RowOf42TextsGivesLabelSstInColumnOrderAndOneEntryPerCell)
{
    TWorkbook wb;
    TSheet& sheet = Cleared(wb).Sheets[0];
    // Put right to left: the records still come in column order.
    for (int c = 41; c >= 0; --c)
        sheet.SetCellText(c, 0, c >= 40 ? "same" : "t" + std::to_string(c));
    const auto records = Records(wb.WorkbookStream());

    size_t sstAt = 0, dimAt = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i].id == 0x00FC) sstAt = i;
        if (records[i].id == 0x0200) dimAt = i;
    }
    const TDecodedSst sst = DecodeSst(records, sstAt);
    EXPECT_EQ(sst.total, 42u);
    EXPECT_EQ(sst.unique, 42u);
    ASSERT_EQ(sst.entries.size(), 42u);
    // Entries in the order put: column 41 first, so the last entries are t1, t0.
    EXPECT_EQ(std::string(sst.entries[0].chars.begin(), sst.entries[0].chars.end()), "same");
    EXPECT_EQ(std::string(sst.entries[1].chars.begin(), sst.entries[1].chars.end()), "same");
    EXPECT_EQ(std::string(sst.entries[41].chars.begin(), sst.entries[41].chars.end()), "t0");

    // first row 0, row limit 1, first column 0, column limit 42
    EXPECT_EQ(ToHex(records[dimAt].data), ToHex(Hex("00 00 00 00  01 00 00 00  00 00  2A 00  00 00")));
    for (int c = 0; c < 42; ++c) {
        const TRec& r = records[dimAt + 1 + c];
        EXPECT_EQ(r.id, 0x00FD);
        EXPECT_EQ(ToHex(r.data), ToHex(LabelSst(0, static_cast<uint16_t>(c), 41 - c))) << "column " << c;
    }
    EXPECT_EQ(records[dimAt + 43].id, 0x023E);  // WINDOW2 right after the cells
}

TEST(WorkbookRecords, ReplacedCellKeepsItsOldStringInTheTable)
{
    TWorkbook wb;
    TSheet& sheet = Cleared(wb).Sheets[0];
    sheet.SetCellText(3, 2, "old");
    sheet.SetCellText(3, 2, "new");
    const auto records = Records(wb.WorkbookStream());
    std::vector<const TRec*> cells;
    size_t sstAt = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i].id == 0x00FD) cells.push_back(&records[i]);
        if (records[i].id == 0x00FC) sstAt = i;
    }
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(ToHex(cells[0]->data), ToHex(LabelSst(2, 3, 1)));
    EXPECT_EQ(DecodeSst(records, sstAt).unique, 2u);
    EXPECT_EQ(sheet.CellText(3, 2), "new");
}

TEST(WorkbookRecords, SheetOffsetsPointAtEachSheetsBofPastALongStringTable)
{
    TWorkbook wb;
    Cleared(wb).AddSheet();
    wb.AddSheet();
    for (int i = 0; i < 3000; ++i)  // an SST of several records
        wb.Sheets[i % 3].SetCellText(i % 5, i / 5, std::string(30, 'x'));
    const auto stream = wb.WorkbookStream();
    const auto records = Records(stream);
    std::vector<uint32_t> offsets;
    std::vector<std::string> names;
    std::vector<size_t> bofs;
    for (const TRec& r : records) {
        if (r.id == 0x0085) {
            offsets.push_back(U32(r.data.data()));
            names.emplace_back(r.data.begin() + 8, r.data.end());
        }
        if (r.id == 0x0809 && r.offset > 0)
            bofs.push_back(r.offset);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Sheet 1", "Sheet 2", "Sheet 3"}));
    ASSERT_EQ(bofs.size(), 3u);
    EXPECT_EQ(offsets, (std::vector<uint32_t>{uint32_t(bofs[0]), uint32_t(bofs[1]), uint32_t(bofs[2])}));
    for (const size_t at : bofs)
        EXPECT_EQ(ToHex({stream.begin() + at, stream.begin() + at + 6}), "09 08 10 00 00 06");
    // TABID numbers the three sheets.
    for (const TRec& r : records) {
        if (r.id == 0x013D) {
            EXPECT_EQ(ToHex(r.data), "01 00 02 00 03 00");
        }
    }
    // Only the first sheet is selected.
    std::vector<std::string> window2;
    for (const TRec& r : records)
        if (r.id == 0x023E)
            window2.push_back(ToHex({r.data.begin(), r.data.begin() + 2}));
    EXPECT_EQ(window2, (std::vector<std::string>{"B6 06", "B6 04", "B6 04"}));
}

TEST(WorkbookRecords, ReadTenRowsGivesLastRowNineAndAnotherRowWritesDimensionsToEleven)
{
    const auto dir = std::filesystem::path(testing::TempDir()) / "xls_records_append";
    std::filesystem::create_directories(dir);
    TWorkbook wb;
    wb.Filename = (dir / "ten.xls").string();
    Cleared(wb);
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 42; ++c)
            wb.Sheets[0].SetCellText(c, r, "v");
    wb.Write();

    TWorkbook again;
    again.Filename = wb.Filename;
    again.Read();
    EXPECT_EQ(again.Sheets[0].FirstRow(), 0);
    EXPECT_EQ(again.Sheets[0].LastRow(), 9);
    EXPECT_EQ(again.Sheets[0].LastCol(), 41);
    again.Sheets[0].SetCellText(0, again.Sheets[0].LastRow() + 1, "row 10");
    again.Write();

    again.Read();
    EXPECT_EQ(again.Sheets[0].LastRow(), 10);
    for (const TRec& r : Records(again.WorkbookStream())) {
        if (r.id == 0x0200) {
            EXPECT_EQ(ToHex(r.data), ToHex(Hex("00 00 00 00  0B 00 00 00  00 00  2A 00  00 00")));
        }
    }
    EXPECT_EQ(again.Sheets[0].CellText(0, 10), "row 10");
    EXPECT_EQ(again.Sheets[0].CellText(41, 9), "v");
    std::filesystem::remove_all(dir);
}

TEST(WorkbookRecords, WriteIsDeterministicAndLeavesTheWorkbookAsItWas)
{
    const auto dir = std::filesystem::path(testing::TempDir()) / "xls_records_twice";
    std::filesystem::create_directories(dir);
    TWorkbook wb;
    wb.Filename = (dir / "twice.xls").string();
    Cleared(wb).Sheets[0].SetCellText(1, 1, "once");
    const auto first = wb.WriteToMemory();
    wb.Write();
    const auto second = wb.WriteToMemory();
    EXPECT_EQ(first, second);
    EXPECT_EQ(wb.SharedStrings().Count(), 1u);
    EXPECT_EQ(std::filesystem::file_size(wb.Filename), first.size());
    std::filesystem::remove_all(dir);
}
