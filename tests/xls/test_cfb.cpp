// The compound file container: layouts written for streams of every size,
// read back, and the reader's answers to broken containers.

#include <gtest/gtest.h>

#include <functional>

#include "xls/bytesink.h"
#include "xls/cfbformat.h"
#include "xls/cfbreader.h"
#include "xls/cfbwriter.h"
#include "xls/formaterror.h"
#include "xls_test_util.h"

using namespace orvanta;
using namespace xlstest;

namespace {

uint8_t PatternByte(size_t at) { return static_cast<uint8_t>(at * 7 + at / 509); }

std::vector<uint8_t> Pattern(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = PatternByte(i);
    return bytes;
}

std::vector<uint8_t> Container(size_t size, const char* name = "Workbook")
{
    TMemorySink file;
    TCompoundFileWriter writer(file, name);
    const auto bytes = Pattern(size);
    // In uneven pieces, as the record writer's flushes come.
    for (size_t at = 0; at < size;) {
        const size_t n = std::min<size_t>(size - at, 1 + (at * 31) % 70000);
        writer.Append(bytes.data() + at, n);
        at += n;
    }
    writer.Finish();
    return std::move(file.Bytes());
}

size_t SectorOffset(uint32_t sector) { return 512 * (size_t(sector) + 1); }

void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct TLayoutCase {
    size_t size;
    uint32_t fatSectors;
    uint32_t difatSectors;
    bool mini;
    size_t fileSize;
};

// Stream sizes around the mini stream cutoff (4096) and around the 109 FAT
// sectors the header lists (109 * 128 sectors cover 13,842 stream sectors
// plus the FAT and the directory).
const TLayoutCase kLayouts[] = {
    {0, 1, 0, true, 512 * 3},                       // header, FAT, directory
    {1, 1, 0, true, 512 * 5},                       // + mini FAT + 1 mini stream sector
    {64, 1, 0, true, 512 * 5},
    {4095, 1, 0, true, 512 * 12},                   // 64 mini sectors = 8 sectors
    {4096, 1, 0, false, 512 * (1 + 8 + 1 + 1)},     // a regular stream from the cutoff on
    {4097, 1, 0, false, 512 * (1 + 9 + 1 + 1)},
    {13842 * 512, 109, 0, false, 512 * (1 + 13842 + 109 + 1)},
    {13842 * 512 + 1, 110, 1, false, 512 * (1 + 13843 + 110 + 1 + 1)},
    {16 << 20, 259, 2, false, 512 * (1 + 32768 + 259 + 2 + 1)},
};

class CfbLayout : public testing::TestWithParam<TLayoutCase> {};

}  // namespace

TEST_P(CfbLayout, StreamOfAnySizeIsWrittenWithinTheFormatAndReadBack)
{
    const TLayoutCase& c = GetParam();
    const auto file = Container(c.size);
    ASSERT_EQ(file.size(), c.fileSize);
    EXPECT_EQ(ToHex({file.begin(), file.begin() + 8}), "D0 CF 11 E0 A1 B1 1A E1");
    EXPECT_EQ(U16(&file[cfb::kHdrMinorVersion]), 0x003E);
    EXPECT_EQ(U16(&file[cfb::kHdrMajorVersion]), 3);
    EXPECT_EQ(U16(&file[cfb::kHdrByteOrder]), 0xFFFE);
    EXPECT_EQ(U16(&file[cfb::kHdrSectorShift]), 9);
    EXPECT_EQ(U16(&file[cfb::kHdrMiniSectorShift]), 6);
    EXPECT_EQ(U32(&file[cfb::kHdrMiniStreamCutoff]), 4096u);
    EXPECT_EQ(U32(&file[cfb::kHdrNumFatSectors]), c.fatSectors);
    EXPECT_EQ(U32(&file[cfb::kHdrNumDifatSectors]), c.difatSectors);
    EXPECT_EQ(U32(&file[cfb::kHdrFirstDifatSector]) != cfb::kEndOfChain, c.difatSectors > 0);
    EXPECT_EQ(U32(&file[cfb::kHdrNumMiniFatSectors]), c.mini && c.size > 0 ? 1u : 0u);

    // The FAT marks its own sectors; the header lists them in its slots.
    const uint32_t firstFat = U32(&file[cfb::kHdrDifat]);
    if (firstFat / 128 < cfb::kHeaderDifatSlots) {
        const uint32_t holder = U32(&file[cfb::kHdrDifat + 4 * (firstFat / 128)]);
        EXPECT_EQ(U32(&file[SectorOffset(holder) + 4 * (firstFat % 128)]), cfb::kFatSector);
    }

    const TCompoundFileReader reader(file);
    EXPECT_EQ(reader.RootNames(), std::vector<std::string>{"Workbook"});
    const auto stream = reader.ReadRootStream("WORKBOOK");  // names compare without case
    ASSERT_TRUE(stream.has_value());
    EXPECT_TRUE(*stream == Pattern(c.size)) << "stream content differs";
}

INSTANTIATE_TEST_SUITE_P(Sizes, CfbLayout, testing::ValuesIn(kLayouts),
                         [](const auto& info) { return "Bytes" + std::to_string(info.param.size); });

TEST(Cfb, WriteAtPatchesHeldAndSpilledBytes)
{
    for (const size_t size : {size_t(1000), size_t(9000)}) {
        TMemorySink file;
        TCompoundFileWriter writer(file, "Workbook");
        const auto bytes = Pattern(size);
        writer.Append(bytes.data(), bytes.size());
        const uint8_t patch[4] = {0xDE, 0xAD, 0xBE, 0xEF};
        writer.WriteAt(10, patch, 4);
        writer.Finish();
        auto expected = bytes;
        std::copy(patch, patch + 4, expected.begin() + 10);
        EXPECT_TRUE(*TCompoundFileReader(file.Bytes()).ReadRootStream("Workbook") == expected)
            << "size " << size;
    }
}

namespace {

struct THostileCase {
    const char* name;
    size_t streamSize;  // of the valid container mutated
    std::function<void(std::vector<uint8_t>&)> mutate;
    const char* error;  // part of the TDamagedFile text
};

// Valid containers mutated at named places. Regular layout of a stream of
// n sectors: stream sectors 0..n-1, FAT sector n, directory sector n+1.
// Mini layout: FAT 0, directory 1, mini FAT 2, mini stream from 3.
constexpr size_t kRegular = 5000;  // 10 sectors: FAT at 10, directory at 11
constexpr uint32_t kRegularFat = 10, kRegularDir = 11;
constexpr size_t kMini = 1000;     // 16 mini sectors
constexpr size_t kBig = 130000;    // 254 sectors: enough for a DIFAT chain past 236 FAT sectors

size_t FatEntry(uint32_t fatSector, uint32_t id) { return SectorOffset(fatSector) + 4 * id; }
size_t DirEntry(uint32_t dirSector, uint32_t entry) { return SectorOffset(dirSector) + 128 * entry; }

const THostileCase kHostile[] = {
    {"TruncatedHeader", kMini, [](auto& f) { f.resize(300); }, "ends inside its header"},
    {"WrongByteOrder", kMini, [](auto& f) { f[cfb::kHdrByteOrder] = 0xFF; }, "byte order"},
    {"UnknownSectorSize", kMini, [](auto& f) { f[cfb::kHdrSectorShift] = 10; }, "sector size"},
    {"FatCountBeyondFile", kMini, [](auto& f) { Put32(f, cfb::kHdrNumFatSectors, 1000000); },
     "more allocation table sectors"},
    {"FatSectorOutsideFile", kMini, [](auto& f) { Put32(f, cfb::kHdrDifat, 4000); },
     "allocation table sector lies outside"},
    {"StreamChainLoops", kRegular, [](auto& f) { Put32(f, FatEntry(kRegularFat, 3), 2); }, "loops"},
    {"StreamChainLeavesFile", kRegular, [](auto& f) { Put32(f, FatEntry(kRegularFat, 3), 70000); },
     "points outside the file"},
    {"StreamChainEndsEarly", kRegular,
     [](auto& f) { Put32(f, FatEntry(kRegularFat, 3), cfb::kEndOfChain); }, "ends before its size"},
    {"StreamSizeBeyondFile", kRegular,
     [](auto& f) { Put32(f, DirEntry(kRegularDir, 1) + cfb::kDirStreamSize, 0x7FFFFFFF); },
     "larger than the file"},
    {"DirectoryChainLoops", kRegular,
     [](auto& f) { Put32(f, FatEntry(kRegularFat, kRegularDir), kRegularDir); }, "loops"},
    {"SiblingLoop", kRegular,
     [](auto& f) { Put32(f, DirEntry(kRegularDir, 1) + cfb::kDirLeftSibling, 1); }, "tree loops"},
    {"SiblingOutsideDirectory", kRegular,
     [](auto& f) { Put32(f, DirEntry(kRegularDir, 1) + cfb::kDirRightSibling, 9999); },
     "outside the directory"},
    {"NoRootEntry", kRegular, [](auto& f) { f[DirEntry(kRegularDir, 0) + cfb::kDirObjectType] = 1; },
     "no root entry"},
    {"MiniChainLoops", kMini, [](auto& f) { Put32(f, FatEntry(2, 5), 1); }, "loops"},
    {"MiniChainLeavesMiniStream", kMini, [](auto& f) { Put32(f, FatEntry(2, 5), 500); },
     "points outside"},
    {"MiniStreamSizeBeyondFile", kMini,
     [](auto& f) { Put32(f, DirEntry(1, 0) + cfb::kDirStreamSize, 0x10000000); }, "larger than the file"},
    {"MiniStreamTruncated", kMini, [](auto& f) { f.resize(f.size() - 512); }, "outside the file"},
    {"DifatChainLoops", kBig,
     [](auto& f) {
         Put32(f, cfb::kHdrNumFatSectors, 250);
         Put32(f, cfb::kHdrFirstDifatSector, 5);
         Put32(f, SectorOffset(5) + 4 * 127, 5);
     },
     "DIFAT sector chain loops"},
    {"DifatChainEndsEarly", kBig,
     [](auto& f) {
         Put32(f, cfb::kHdrNumFatSectors, 250);
         Put32(f, cfb::kHdrFirstDifatSector, 5);
         Put32(f, SectorOffset(5) + 4 * 127, cfb::kEndOfChain);
     },
     "DIFAT ends before"},
    {"RegularStreamTruncated", kRegular, [](auto& f) { f.resize(SectorOffset(4) + 100); },
     "outside the file"},
};

class CfbHostile : public testing::TestWithParam<THostileCase> {};

}  // namespace

TEST_P(CfbHostile, BrokenContainerGivesDamagedFile)
{
    const THostileCase& c = GetParam();
    auto file = Container(c.streamSize);
    c.mutate(file);
    try {
        const TCompoundFileReader reader(file);
        (void)reader.ReadRootStream("Workbook");
        FAIL() << "no error";
    } catch (const TDamagedFile& e) {
        EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CfbHostile, testing::ValuesIn(kHostile),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Cfb, FileWithoutSignatureIsNotAWorkbook)
{
    const std::string text = "Name\tStreet\tCity\r\nSmith\tMain St\tSpringfield\r\n";
    const std::vector<uint8_t> file(text.begin(), text.end());
    EXPECT_THROW(TCompoundFileReader{file}, TNotAWorkbook);
    EXPECT_THROW(TCompoundFileReader{std::vector<uint8_t>{}}, TNotAWorkbook);
}

TEST(Cfb, OtherStreamNamesAreNotFound)
{
    const auto file = Container(100, "Workbooz");
    const TCompoundFileReader reader(file);
    EXPECT_FALSE(reader.ReadRootStream("Workbook").has_value());
    EXPECT_TRUE(reader.ReadRootStream("workbooz").has_value());
}
