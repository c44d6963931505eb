// Read treats the file as hostile: broken workbook streams give a clear
// error and a cleared workbook, never a crash, a hang or a huge allocation.
// Also replays the fuzzer's corpus (seeds and the inputs that once failed).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "data/error.h"
#include "xls/workbook.h"
#include "xls_test_util.h"

using namespace orvanta;
using namespace xlstest;

namespace {

struct TBrokenCase {
    const char* name;
    std::function<std::vector<uint8_t>()> stream;
    const char* error;  // part of the message
};

std::vector<uint8_t> TwoStrings() { return SstRecord({"one", "two"}, 2); }

std::vector<uint8_t> Font(const std::vector<uint8_t>& nameBytes)
{
    return Record(0x0031, Concat({Hex("C8 00 00 00 08 00 90 01 00 00 00 00 00 00"), nameBytes}));
}

const TBrokenCase kBroken[] = {
    {"RecordLongerThanTheStream",
     [] { return Concat({Bof(0x0005), Hex("42 00 64 00 B0 04")}); },
     "longer than the rest of the workbook stream"},
    {"StreamEndsInsideARecordHeader", [] { return Concat({Bof(0x0005), Hex("42 00")}); },
     "ends inside a record header"},
    {"GlobalsWithoutEof", [] { return Concat({Bof(0x0005), Record(0x0042, Hex("B0 04"))}); },
     "without an end-of-file record"},
    {"SstCountBeyondItsData", [] { return BuildStream({}, {}, {SstRecord({"one", "two"}, 1000)}); },
     "shared string table ends before its last string"},
    {"SstCountOfFourBillionWithoutData", [] { return BuildStream({}, {}, {SstRecord({}, 0xFFFFFFFF)}); },
     "shared string table ends before its last string"},
    {"SstStringLongerThanItsData",
     [] { return BuildStream({}, {}, {Record(0x00FC, Hex("01 00 00 00 01 00 00 00  FF FF 00 41 42"))}); },
     "shared string table ends before its last string"},
    {"SstPhoneticDataBeyondTheRecord",
     [] {
         return BuildStream({}, {}, {Record(0x00FC, Hex("01 00 00 00 01 00 00 00  01 00 04 FF FF FF FF 41"))});
     },
     "shared string table ends before its last string"},
    {"SixteenBitCharacterSplitBetweenRecords",
     [] {
         return BuildStream({}, {},
                            {Record(0x00FC, Hex("01 00 00 00 01 00 00 00  02 00 01 41")),
                             Record(0x003C, Hex("01 00 42 00"))});
     },
     "split between records"},
    {"TwoStringTables", [] { return BuildStream({}, {}, {TwoStrings(), TwoStrings()}); },
     "two shared string tables"},
    {"CellRefersBeyondTheStringTable",
     [] { return BuildStream({}, {{"Sheet 1", {LabelSstRecord(0, 0, 2)}}}, {TwoStrings()}); },
     "refers to shared string 2, but the table holds 2"},
    {"CellWithoutAStringTable",
     [] { return BuildStream({}, {{"Sheet 1", {LabelSstRecord(0, 0, 0)}}}, {}); },
     "refers to shared string 0, but the table holds 0"},
    {"CellBeyondColumn255",
     [] { return BuildStream({}, {{"Sheet 1", {LabelSstRecord(0, 256, 0)}}}, {TwoStrings()}); },
     "beyond column 255"},
    {"ShortLabelSst",
     [] { return BuildStream({}, {{"Sheet 1", {Record(0x00FD, Hex("00 00 00 00"))}}}, {TwoStrings()}); },
     "LABELSST record is too short"},
    {"DimensionsOutOfRange",
     [] { return BuildStream({}, {{"Sheet 1", {DimensionsRecord(0, 70000, 0, 1)}}}, {}); },
     "DIMENSIONS record of sheet \"Sheet 1\" is out of range"},
    {"SheetBeyondTheStream",
     [] { return BuildStream({}, {{"Sheet 1", {}, 0x00FFFFFF}}, {}); }, "lies beyond the end"},
    {"SheetInsideTheGlobals", [] { return BuildStream({}, {{"Sheet 1", {}, 0}}, {}); },
     "overlaps the records before it"},
    {"TwoSheetsAtOneOffset",
     [] {
         auto first = BuildStream({}, {{"A", {}}, {"B", {}}}, {});
         // Point the second BOUNDSHEET at the first sheet as well.
         const auto records = Records(first);
         uint32_t firstOffset = 0;
         for (const TRec& r : records)
             if (r.id == 0x0085) {
                 if (!firstOffset) firstOffset = U32(r.data.data());
                 else for (int i = 0; i < 4; ++i) first[r.offset + 4 + i] = uint8_t(firstOffset >> (8 * i));
             }
         return first;
     },
     "overlaps the records before it"},
    {"SheetWithoutEof", [] { return BuildStream({}, {{"Sheet 1", {}, std::nullopt, false}}, {}); },
     "ends without an end-of-file record"},
    {"SheetNotBeginningWithBof",
     [] {
         auto stream = BuildStream({}, {{"Sheet 1", {DimensionsRecord(0, 1, 0, 1)}}}, {});
         // Move the BOUNDSHEET offset past the sheet's BOF (20 bytes).
         for (const TRec& r : Records(stream))
             if (r.id == 0x0085) {
                 const uint32_t moved = U32(r.data.data()) + 20;
                 for (int i = 0; i < 4; ++i) stream[r.offset + 4 + i] = uint8_t(moved >> (8 * i));
             }
         return stream;
     },
     "does not begin with a worksheet BOF record"},
    {"FontNameLongerThanItsRecord", [] { return BuildStream({Font(Hex("20 00 41 72"))}, {}, {}); },
     "name in a FONT record is longer than the record"},
    {"XfOfWrongLength", [] { return BuildStream({Record(0x00E0, Hex("00 00 00 00"))}, {}, {}); },
     "XF record does not have 20 bytes"},
    {"EncryptedWorkbook", [] { return BuildStream({Record(0x002F, Hex("00 00"))}, {}, {}); },
     "password-protected"},
    {"OlderFormat", [] { return Concat({Record(0x0809, Hex("00 05 05 00 00 00 00 00")), Eof()}); },
     "older than Excel 97"},
    {"FirstSubstreamIsASheet", [] { return Concat({Bof(0x0010), Eof()}); },
     "does not begin with the workbook globals"},
};

class ReadBroken : public testing::TestWithParam<TBrokenCase> {};

}  // namespace

TEST_P(ReadBroken, GivesAClearErrorAndLeavesTheBookCleared)
{
    const TBrokenCase& c = GetParam();
    TWorkbook wb;
    wb.Filename = "broken.xls";
    wb.Sheets[0].SetCellText(0, 0, "before");
    try {
        wb.ReadFromMemory(InContainer(c.stream()));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("broken.xls"), std::string::npos) << e.what();
    }
    ASSERT_EQ(wb.Sheets.size(), 1u);
    EXPECT_EQ(wb.Sheets[0].Cells().Count(), 0u);
    EXPECT_EQ(wb.SharedStrings().Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadBroken, testing::ValuesIn(kBroken),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadForeign, EmbeddedSubstreamsAndUnknownRecordsArePassedOver)
{
    // A chart substream inside the sheet, with a LABELSST-like record of its
    // own; a chart sheet in the sheet list; number records the model does
    // not hold; DIMENSIONS wider than the cells.
    const auto stream = BuildStream(
        {}, {{"Data", {DimensionsRecord(0, 20, 0, 5), Record(0x0203, Repeat(0, 14)), LabelSstRecord(4, 1, 1),
                       Bof(0x0020), LabelSstRecord(9, 9, 0), Eof()}}},
        {TwoStrings()});
    TWorkbook wb;
    wb.ReadFromMemory(InContainer(stream));
    ASSERT_EQ(wb.Sheets.size(), 1u);
    EXPECT_EQ(wb.Sheets[0].Name, "Data");
    EXPECT_EQ(wb.Sheets[0].Cells().Count(), 1u);
    EXPECT_EQ(wb.Sheets[0].CellText(1, 4), "two");
    EXPECT_EQ(wb.Sheets[0].LastRow(), 19);  // from DIMENSIONS, as the export appends after it
    EXPECT_EQ(wb.Sheets[0].LastCol(), 4);
}

TEST(ReadForeign, CellsBeyondDimensionsWidenTheUsedRange)
{
    const auto stream = BuildStream(
        {}, {{"Sheet 1", {DimensionsRecord(0, 2, 0, 1), LabelSstRecord(6, 3, 0)}}}, {TwoStrings()});
    TWorkbook wb;
    wb.ReadFromMemory(InContainer(stream));
    // So that appending after LastRow never overwrites a cell.
    EXPECT_EQ(wb.Sheets[0].LastRow(), 6);
    EXPECT_EQ(wb.Sheets[0].LastCol(), 3);
}

TEST(FuzzCorpus, EveryInputReadsOrFailsWithAnErrorAndWhatIsReadIsWrittenBack)
{
    const std::filesystem::path dir = XLS_FUZZ_CORPUS_DIR;
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    size_t inputs = 0, read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        ++inputs;
        TWorkbook wb;
        try {
            wb.ReadFromMemory(bytes);
        } catch (const Error&) {
            continue;
        }
        ++read;
        TWorkbook again;
        ASSERT_NO_THROW(again.ReadFromMemory(wb.WriteToMemory())) << entry.path();
        ASSERT_EQ(again.Sheets.size(), wb.Sheets.size()) << entry.path();
        for (size_t s = 0; s < wb.Sheets.size(); ++s)
            EXPECT_EQ(again.Sheets[s].Cells().Count(), wb.Sheets[s].Cells().Count()) << entry.path();
    }
    EXPECT_GT(inputs, 0u);
    EXPECT_GT(read, 0u) << "the corpus holds written workbooks that read";
}
