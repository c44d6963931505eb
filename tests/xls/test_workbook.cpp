// The workbook's operations: round trips, Clear and Read, and the errors of
// Read and Write.

#include "support/errorof.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "data/error.h"
#include "xls/workbook.h"
#include "xls_test_util.h"

using namespace orvanta;
using namespace xlstest;
namespace fs = std::filesystem;

namespace {

fs::path TempDir(const std::string& name)
{
    const fs::path dir = fs::path(testing::TempDir()) / ("xls_workbook_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}


void ExpectCleared(const TWorkbook& wb)
{
    ASSERT_EQ(wb.Sheets.size(), 1u);
    EXPECT_EQ(wb.Sheets[0].Name, "Sheet 1");
    EXPECT_EQ(wb.Sheets[0].Cells().Count(), 0u);
    EXPECT_EQ(wb.Sheets[0].LastRow(), -1);
    EXPECT_EQ(wb.SharedStrings().Count(), 0u);
    EXPECT_TRUE(wb.DefaultXFs);
    EXPECT_EQ(wb.Fonts.size(), 5u);
}

}  // namespace

TEST(Workbook, RoundTripKeepsEveryTextSheetAndUsedRange)
{
    TWorkbook wb;
    wb.Clear();
    wb.AddSheet().Name = "Adressen";
    std::string allBytes;
    for (int b = 0; b < 256; ++b)
        allBytes.push_back(static_cast<char>(b));  // NUL included
    const std::vector<std::string> texts = {"", allBytes, std::string(20000, 'w'),
                                            std::string(65535, 'x'), "plain"};
    for (size_t i = 0; i < texts.size(); ++i)
        wb.Sheets[0].SetCellText(static_cast<int>(3 + i), 7, texts[i]);
    wb.Sheets[1].SetCellText(255, 65535, "corner");
    wb.Sheets[1].SetCellText(0, 100, "left");

    TWorkbook back;
    back.ReadFromMemory(wb.WriteToMemory());
    ASSERT_EQ(back.Sheets.size(), 2u);
    EXPECT_EQ(back.Sheets[0].Name, "Sheet 1");
    EXPECT_EQ(back.Sheets[1].Name, "Adressen");
    for (size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(back.Sheets[0].CellText(static_cast<int>(3 + i), 7), texts[i]) << "text " << i;
    EXPECT_EQ(back.Sheets[0].CellXf(3, 7), 15);
    EXPECT_EQ(back.Sheets[0].CellText(2, 7), std::nullopt);
    EXPECT_EQ(back.Sheets[1].CellText(255, 65535), "corner");
    const auto range = [](const TSheet& s) {
        return std::vector<int>{s.FirstRow(), s.LastRow(), s.FirstCol(), s.LastCol()};
    };
    EXPECT_EQ(range(back.Sheets[0]), (std::vector<int>{7, 7, 3, 7}));
    EXPECT_EQ(range(back.Sheets[1]), (std::vector<int>{100, 65535, 0, 255}));
    EXPECT_EQ(back.SharedStrings().Count(), 7u);
}

TEST(Workbook, ReadThenWriteOfOwnFileGivesTheSameStream)
{
    TWorkbook wb;
    wb.CountryCode = 1;
    wb.Clear();
    for (int r = 0; r < 50; ++r)
        for (int c = 0; c < 42; ++c)
            wb.Sheets[0].SetCellText(c, r, std::to_string(r * c));
    const auto stream = wb.WorkbookStream();

    TWorkbook back;
    back.CountryCode = 1;
    back.ReadFromMemory(wb.WriteToMemory());
    // The file's XF records replace the standard ones; the four FONT records
    // are font indexes 0 to 3 (a fifth record would be index 5).
    EXPECT_FALSE(back.DefaultXFs);
    EXPECT_EQ(back.CellFormats.size(), 16u);
    EXPECT_EQ(back.Fonts.size(), 4u);
    EXPECT_EQ(back.Fonts[0].Name, "Arial");
    EXPECT_EQ(back.Fonts[3].Height, 200);
    EXPECT_TRUE(back.WorkbookStream() == stream) << "the stream written after Read differs";
}

TEST(Workbook, ClearEmptiesTheBookButKeepsFilenameAndSettings)
{
    TWorkbook wb;
    wb.Filename = "kept.xls";
    wb.UserName = "Jane";
    wb.Window.Width = 12345;
    wb.Sheets[0].SetCellText(1, 1, "gone");
    wb.AddSheet();
    wb.Fonts[0].Name = "Times New Roman";
    wb.DefaultXFs = false;
    wb.Clear();
    ExpectCleared(wb);
    EXPECT_EQ(wb.Fonts[0].Name, "Arial");
    EXPECT_EQ(wb.Filename, "kept.xls");
    EXPECT_EQ(wb.UserName, "Jane");
    EXPECT_EQ(wb.Window.Width, 12345);
}

TEST(Workbook, SettingsAreWrittenIntoTheirRecords)
{
    TWorkbook wb;
    wb.Clear();
    wb.UserName = "Jane";
    wb.BookProtected = true;
    wb.CountryCode = 49;
    wb.Sheets[0].Name = "Awards";
    std::map<uint16_t, std::string> got;
    for (const TRec& r : Records(wb.WorkbookStream()))
        if (!got.count(r.id))
            got[r.id] = ToHex(r.data);
    EXPECT_EQ(got[0x005C].substr(0, 23), "04 00 00 4A 61 6E 65 20");  // count 4, option 0, "Jane", spaces
    EXPECT_EQ(got[0x0019], "01 00");
    EXPECT_EQ(got[0x0012], "01 00");
    EXPECT_EQ(got[0x008C], "01 00 31 00");
    EXPECT_EQ(got[0x0085].substr(12), "00 00 06 00 41 77 61 72 64 73");
}

TEST(Workbook, CellOutsideTheSheetIsRefusedAndChangesNothing)
{
    TWorkbook wb;
    for (const auto& [col, row] : {std::pair{256, 0}, {0, 65536}, {-1, 0}, {0, -1}})
        EXPECT_NE(orvanta::test::errorOf([&] { wb.Sheets[0].SetCellText(col, row, "x"); }).find("outside a worksheet"),
                  std::string::npos);
    EXPECT_NE(orvanta::test::errorOf([&] { wb.Sheets[0].SetCellText(0, 0, std::string(65536, 'x')); }).find("65535"),
              std::string::npos);
    EXPECT_EQ(wb.SharedStrings().Count(), 0u);
    EXPECT_EQ(wb.Sheets[0].Cells().Count(), 0u);
}

TEST(Workbook, ReadOfMissingFileSaysCannotOpenAndLeavesTheBookCleared)
{
    const fs::path dir = TempDir("missing");
    TWorkbook wb;
    wb.Sheets[0].SetCellText(0, 0, "before");
    wb.Filename = (dir / "no such.xls").string();
    EXPECT_EQ(orvanta::test::errorOf([&] { wb.Read(); }), "Cannot open file " + wb.Filename);
    ExpectCleared(wb);
}

TEST(Workbook, FilesThatAreNoWorkbookAreRefusedAndLeaveTheBookCleared)
{
    const std::string text = "Smith\tJohn\t12 Main St\r\n";
    const struct {
        const char* name;
        std::vector<uint8_t> file;
    } cases[] = {
        {"text file", std::vector<uint8_t>(text.begin(), text.end())},
        {"empty file", {}},
        {"compound file without a workbook stream", InContainer(Hex("01 02 03"), "WordDocument")},
        {"workbook stream of other records", InContainer(Record(0x0042, Hex("B0 04")))},
        {"empty workbook stream", InContainer({})},
    };
    for (const auto& c : cases) {
        TWorkbook wb;
        wb.Sheets[0].SetCellText(0, 0, "before");
        EXPECT_EQ(orvanta::test::errorOf([&] { wb.ReadFromMemory(c.file); }), "File is not a Excel Workbook") << c.name;
        ExpectCleared(wb);
    }
}

TEST(Workbook, ReadFromFileReadsWhatWriteWrote)
{
    const fs::path dir = TempDir("file");
    TWorkbook wb;
    wb.Filename = (dir / "out.xls").string();
    wb.Sheets[0].SetCellText(5, 6, "file");
    wb.Write();
    TWorkbook back;
    back.Filename = wb.Filename;
    back.Read();
    EXPECT_EQ(back.Sheets[0].CellText(5, 6), "file");

    // A "Book" stream of the older format is recognised and refused clearly.
    const auto old = InContainer(Concat({Record(0x0809, Hex("00 05 05 00 00 00 00 00")), Eof()}), "Book");
    std::ofstream(wb.Filename, std::ios::binary).write(reinterpret_cast<const char*>(old.data()),
                                                        static_cast<std::streamsize>(old.size()));
    EXPECT_EQ(orvanta::test::errorOf([&] { back.Read(); }),
              "File " + wb.Filename + " was saved in a format older than Excel 97, which this program cannot read.");
    ExpectCleared(back);
}

TEST(Workbook, WriteThatCannotCreateTheFileSaysWhyAndLeavesItAlone)
{
    const fs::path dir = TempDir("uncreatable");
    TWorkbook wb;
    wb.Filename = (dir / "no dir" / "out.xls").string();
    EXPECT_EQ(orvanta::test::errorOf([&] { wb.Write(); }),
              "Cannot create file " + wb.Filename + ": " + std::strerror(ENOENT));
    wb.Filename = dir.string();  // a directory
    EXPECT_EQ(orvanta::test::errorOf([&] { wb.Write(); }), "Cannot create file " + wb.Filename + ": " + std::strerror(EISDIR));
    EXPECT_TRUE(fs::is_directory(dir));
}

TEST(Workbook, WriteThatRunsOutOfSpaceSaysSo)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    TWorkbook wb;
    wb.Filename = "/dev/full";
    for (int r = 0; r < 2000; ++r)
        wb.Sheets[0].SetCellText(0, r, "filling the disk");
    EXPECT_EQ(orvanta::test::errorOf([&] { wb.Write(); }), "Cannot write file /dev/full: " + std::string(std::strerror(ENOSPC)));
    EXPECT_EQ(wb.SharedStrings().Count(), 2000u);
}

TEST(Workbook, WriteReplacesALargerFile)
{
    const fs::path dir = TempDir("replace");
    TWorkbook wb;
    wb.Filename = (dir / "out.xls").string();
    for (int r = 0; r < 3000; ++r)
        wb.Sheets[0].SetCellText(0, r, "a longer workbook");
    wb.Write();
    wb.Clear();
    wb.Write();
    EXPECT_EQ(fs::file_size(wb.Filename), wb.WriteToMemory().size());
    TWorkbook back;
    back.Filename = wb.Filename;
    back.Read();
    EXPECT_EQ(back.Sheets[0].Cells().Count(), 0u);
}

TEST(Workbook, StringsOfSixteenBitCharactersAndRichTextAreReadAndWrittenBackWide)
{
    // Entry 0: 16-bit characters "Ab\u20AC" whose last character runs on into
    // a CONTINUE record; entry 1: "rich" with 1 formatting run and 2 bytes of
    // phonetic data; entry 2: 8-bit "xyz" split over a CONTINUE whose piece is
    // 16-bit, which makes the whole entry 16-bit.
    const auto sst = Record(0x00FC, Hex("03 00 00 00 03 00 00 00"
                                        "03 00 01  41 00 62 00"));
    const auto continue1 = Record(0x003C, Hex("01  AC 20"
                                              "04 00 0C  01 00  02 00 00 00  72 69 63 68  00 00 01 00  AA BB"
                                              "03 00 00  78"));
    const auto continue2 = Record(0x003C, Hex("01  79 00 7A 00"));
    const auto stream = BuildStream({}, {{"Sheet 1", {LabelSstRecord(0, 0, 0), LabelSstRecord(0, 1, 1),
                                                      LabelSstRecord(0, 2, 2)}}},
                                    {sst, continue1, continue2});
    TWorkbook wb;
    wb.ReadFromMemory(InContainer(stream));
    EXPECT_EQ(wb.Sheets[0].CellText(0, 0), "Ab?");
    EXPECT_EQ(wb.Sheets[0].CellText(1, 0), "rich");
    EXPECT_EQ(wb.Sheets[0].CellText(2, 0), "xyz");
    EXPECT_TRUE(wb.SharedStrings().IsWide(0));
    EXPECT_FALSE(wb.SharedStrings().IsWide(1));
    EXPECT_TRUE(wb.SharedStrings().IsWide(2));

    const auto records = Records(wb.WorkbookStream());
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i].id == 0x00FC) {
            const TDecodedSst out = DecodeSst(records, i);
            ASSERT_EQ(out.entries.size(), 3u);
            EXPECT_EQ(out.entries[0].option, 1);
            EXPECT_EQ(ToHex(out.entries[0].chars), "41 00 62 00 AC 20");
            EXPECT_EQ(out.entries[1].option, 0);  // runs and phonetic data are dropped
            EXPECT_EQ(ToHex(out.entries[1].chars), "72 69 63 68");
            EXPECT_EQ(out.entries[2].option, 1);
            EXPECT_EQ(ToHex(out.entries[2].chars), "78 00 79 00 7A 00");
        }
}

TEST(Workbook, FifthFontRecordIsFontIndexFiveAndIsWrittenBack)
{
    std::vector<std::vector<uint8_t>> fonts;
    for (const char name : std::string("ABCDE"))
        fonts.push_back(Record(0x0031, Concat({Hex("C8 00 00 00 08 00 90 01 00 00 00 00 00 00 01 00"),
                                               std::vector<uint8_t>{static_cast<uint8_t>(name)}})));
    TWorkbook wb;
    wb.ReadFromMemory(InContainer(BuildStream(fonts, {{"Sheet 1"}}, {})));
    ASSERT_EQ(wb.Fonts.size(), 6u);
    EXPECT_EQ(wb.Fonts[3].Name, "D");
    EXPECT_EQ(wb.Fonts[5].Name, "E");
    std::string written;
    for (const TRec& r : Records(wb.WorkbookStream()))
        if (r.id == 0x0031)
            written.push_back(static_cast<char>(r.data.back()));
    EXPECT_EQ(written, "ABCDE");
}
