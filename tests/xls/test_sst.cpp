// The shared string table: record lengths accumulated while entries are
// added, and the SST/CONTINUE records written from them.

#include <gtest/gtest.h>

#include "data/error.h"
#include "xls/bytesink.h"
#include "xls/recordwriter.h"
#include "xls/sst.h"
#include "xls_test_util.h"

using namespace orvanta;
using namespace xlstest;

namespace {

struct TEntrySpec {
    size_t characters;
    bool wide;
};

struct TLengthCase {
    const char* name;
    std::vector<TEntrySpec> entries;
    std::vector<uint16_t> lengths;
};

std::vector<TEntrySpec> Many(size_t n, size_t characters)
{
    return std::vector<TEntrySpec>(n, TEntrySpec{characters, false});
}

std::string Chars(size_t n, size_t seed)
{
    std::string s(n, 'a');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>('a' + (i + seed) % 26);
    return s;
}

// Each entry is 3 bytes (count, option byte) plus its characters.
const TLengthCase kLengthCases[] = {
    {"EmptyTableIsTheTwoCounts", {}, {8}},
    {"OneShortEntry", {{3, false}}, {14}},
    {"EmptyTextIsThreeBytes", {{0, false}}, {11}},
    {"EntryFillingTheFirstRecordExactly", {{8213, false}}, {8224}},
    {"OneByteMoreMovesTheEntryToAContinue", {{8214, false}}, {8, 8217}},
    {"EntryOfExactlyOneRecordIsNotSplit", {{8221, false}}, {8, 8224}},
    {"EntryOneByteTooLongIsSplit", {{8222, false}}, {8, 8224, 2}},
    {"LongEntryFillsRecordsOfOptionByteAnd8223Characters", {{20000, false}}, {8, 8224, 8224, 3557}},
    {"LongEntryBetweenShortOnes", {{5, false}, {20000, false}, {5, false}}, {16, 8224, 8224, 3565}},
    {"ShortEntriesAreNeverSplit", Many(200, 100), {8145, 8137, 4326}},
    {"WideEntryPiecesHoldWholeCharacters", {{5000, true}}, {8, 8223, 1781}},
    {"LongestWideEntry",
     {{65535, true}},
     {8, 8223, 8223, 8223, 8223, 8223, 8223, 8223, 8223, 8223, 8223, 8223, 8223, 8223, 8223, 8223,
      7743}},
};

class SstLengths : public testing::TestWithParam<TLengthCase> {};

}  // namespace

TEST_P(SstLengths, AccumulatedLengthsAreTheWrittenRecords)
{
    const TLengthCase& c = GetParam();
    TSST sst;
    std::vector<std::vector<uint8_t>> written;  // characters as they must appear
    for (size_t i = 0; i < c.entries.size(); ++i) {
        const std::string text = Chars(c.entries[i].characters, i);
        if (c.entries[i].wide) {
            std::vector<uint8_t> units;
            for (const char ch : text) {
                units.push_back(static_cast<uint8_t>(ch));
                units.push_back(0x01);  // U+01xx, outside Latin-1
            }
            sst.AddWide(units.data(), static_cast<uint32_t>(text.size()));
            written.push_back(units);
        } else {
            sst.Add(text);
            written.emplace_back(text.begin(), text.end());
        }
    }
    EXPECT_EQ(sst.RecordLengths(), c.lengths);

    TMemorySink sink;
    {
        TRecordWriter w(sink);
        sst.Write(w);
        w.Flush();
    }
    const auto records = Records(sink.Bytes());
    ASSERT_EQ(records.size(), c.lengths.size());
    EXPECT_EQ(records[0].id, 0x00FC);
    for (size_t i = 1; i < records.size(); ++i)
        EXPECT_EQ(records[i].id, 0x003C) << "record " << i << " is a CONTINUE";

    const TDecodedSst decoded = DecodeSst(records, 0);
    EXPECT_EQ(decoded.lengths, c.lengths);
    EXPECT_EQ(decoded.total, c.entries.size());
    EXPECT_EQ(decoded.unique, c.entries.size());
    ASSERT_EQ(decoded.entries.size(), c.entries.size());
    for (size_t i = 0; i < c.entries.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        const size_t bytes = 3 + written[i].size();
        EXPECT_EQ(decoded.entries[i].option, c.entries[i].wide ? 1 : 0);
        EXPECT_EQ(decoded.entries[i].chars, written[i]);
        EXPECT_EQ(decoded.entries[i].split, bytes > 8224) << "only entries longer than a record are split";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SstLengths, testing::ValuesIn(kLengthCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Sst, TextsAreFoundAcrossChunksAndCheckpoints)
{
    TSST sst;
    std::vector<std::string> texts;
    for (size_t i = 0; i < 5000; ++i) {  // about 2.5 MB: several chunks
        texts.push_back(Chars((i * 37) % 1000, i));
        EXPECT_EQ(sst.Add(texts.back()), i);
    }
    sst.Add(std::string(65535, 'm'));
    EXPECT_EQ(sst.Count(), 5001u);
    for (size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(sst.Text(static_cast<uint32_t>(i)), texts[i]) << "entry " << i;
    EXPECT_EQ(sst.Text(5000), std::string(65535, 'm'));
}

TEST(Sst, WideEntryReadsBackAsSingleBytesWithQuestionMarksAboveLatin1)
{
    TSST sst;
    const uint8_t units[] = {'A', 0, 0xE9, 0, 0xAC, 0x20 /* U+20AC euro */, 'z', 0};
    sst.AddWide(units, 4);
    EXPECT_TRUE(sst.IsWide(0));
    EXPECT_EQ(sst.Text(0), "A\xE9?z");
}

TEST(Sst, TextLongerThan65535CharactersIsRefused)
{
    TSST sst;
    EXPECT_THROW(sst.Add(std::string(65536, 'x')), Error);
    EXPECT_EQ(sst.Count(), 0u);
    EXPECT_EQ(sst.RecordLengths(), (std::vector<uint16_t>{8}));
}

TEST(Sst, ClearStartsAnEmptyTable)
{
    TSST sst;
    for (int i = 0; i < 1000; ++i)
        sst.Add(std::string(50, 'q'));
    sst.Clear();
    EXPECT_EQ(sst.Count(), 0u);
    EXPECT_EQ(sst.RecordLengths(), (std::vector<uint16_t>{8}));
    sst.Add("x");
    EXPECT_EQ(sst.Text(0), "x");
    EXPECT_EQ(sst.RecordLengths(), (std::vector<uint16_t>{12}));
}
