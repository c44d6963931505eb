#include "import/linereader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "data/error.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

Lines ReadAll(ImportFileReader& reader, int skip)
{
    reader.SkipLines(skip);
    Lines lines;
    std::string line;
    while (reader.ReadLine(line))
        lines.push_back(line);
    EXPECT_EQ(line, "");
    // Once at the end, the reader stays there.
    EXPECT_FALSE(reader.ReadLine(line));
    return lines;
}

Lines ReadMemory(std::string_view data, int skip, std::size_t bufferSize)
{
    auto reader = ImportFileReader::FromMemory(data, bufferSize);
    return ReadAll(reader, skip);
}

// A directory of its own for the files a test writes, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        std::replace(name.begin(), name.end(), '/', '_');
        // A random part keeps concurrent runs of the suite apart.
        name += "-" + std::to_string(std::random_device{}());
        path_ = fs::temp_directory_path() / ("orvanta-import-" + name);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    fs::path File(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

void WriteFile(const fs::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

// ---- Line structure --------------------------------------------------------

struct LineCase {
    const char* name;
    std::string data;
    int skip;
    Lines expected;
};

std::ostream& operator<<(std::ostream& os, const LineCase& c) { return os << c.name; }

class LineStructure : public ::testing::TestWithParam<LineCase> {};

// Every case is read with buffers of 1, 2 and 3 bytes as well as the default,
// so each line end and each 26 also falls on a chunk boundary.
TEST_P(LineStructure, ReadsRecords)
{
    const LineCase& c = GetParam();
    for (std::size_t bufferSize : {std::size_t{1}, std::size_t{2}, std::size_t{3},
                                   ImportFileReader::kDefaultBufferSize}) {
        SCOPED_TRACE("buffer size " + std::to_string(bufferSize));
        EXPECT_EQ(ReadMemory(c.data, c.skip, bufferSize), c.expected);
    }
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    ImportFileReader, LineStructure,
    ::testing::Values(
        LineCase{"EmptyData", "", 0, {}},
        LineCase{"LastLineWithoutLineEnd", "ABC", 0, {"ABC"}},
        LineCase{"CarriageReturns", "A\rB\r", 0, {"A", "B"}},
        LineCase{"CrLf", "A\r\nB\r\nC", 0, {"A", "B", "C"}},
        LineCase{"LineFeedsOnlyAreOneLine", "A\nB\nC\n", 0, {"A\nB\nC\n"}},
        LineCase{"LineFeedBeforeCrIsText", "A\n\rB", 0, {"A\n", "B"}},
        LineCase{"OnlyOneLineFeedBelongsToLineEnd", "A\r\n\nB", 0, {"A", "\nB"}},
        LineCase{"CrCrIsEmptyLine", "A\r\rB", 0, {"A", "", "B"}},
        LineCase{"EmptyLinesInside", "A\r\n\r\n\r\nB", 0, {"A", "", "", "B"}},
        LineCase{"TwoLineEndsAtEndGiveOneEmptyRecord", "A\r\n\r\n", 0, {"A", ""}},
        LineCase{"OnlyALineEnd", "\r\n", 0, {""}},
        LineCase{"OnlyACarriageReturn", "\r", 0, {""}},
        LineCase{"CtrlZInsideLineEndsFile", "A\r\nB\x1a" "C\r\nD", 0, {"A", "B"}},
        LineCase{"CtrlZAtLineStartEndsFile", "A\r\n\x1a\r\nB", 0, {"A"}},
        LineCase{"CtrlZAfterLastLineEnd", "A\r\n\x1a", 0, {"A"}},
        LineCase{"CtrlZFirstByte", "\x1a" "ABC\r\n", 0, {}},
        LineCase{"CtrlZBetweenCrAndLf", "A\r\x1a\nB", 0, {"A"}},
        LineCase{"NulAndHighBytesKept", "A\0B\r\n\xe9\xff\x7f\r"s, 0, {"A\0B"s, "\xe9\xff\x7f"}},
        LineCase{"TabsAndSpacesKept", " \tA \t\r\n", 0, {" \tA \t"}},
        LineCase{"SkipHeader", "Header\r\nOne\r\nTwo\r\nThree\r\n", 1, {"One", "Two", "Three"}},
        LineCase{"SkipZero", "A\r\nB", 0, {"A", "B"}},
        LineCase{"SkipNegativeSkipsNothing", "A\r\nB", -3, {"A", "B"}},
        LineCase{"SkipCountsEmptyLines", "\r\n\r\nA", 2, {"A"}},
        LineCase{"SkipPastEnd", "A\r\nB", 5, {}},
        LineCase{"SkipStopsAtCtrlZ", "H\r\n\x1aX\r\nY\r\nZ", 3, {}},
        LineCase{"SkipLeavesLfOfCrLf", "H\r\n\nA", 1, {"\nA"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImportFileReader, SkipLinesReportsHowManyWereSkipped)
{
    auto reader = ImportFileReader::FromMemory("A\r\nB\r\n");
    EXPECT_EQ(reader.SkipLines(0), 0);
    EXPECT_EQ(reader.SkipLines(-1), 0);
    EXPECT_EQ(reader.SkipLines(5), 2);
    std::string line = "stale";
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_EQ(line, "");
}

TEST(ImportFileReader, ReadImportLinesSkipsAndSplits)
{
    EXPECT_EQ(ReadImportLines("H\r\nA\rB\x1a" "C", 1), (Lines{"A", "B"}));
}

// ---- Files -----------------------------------------------------------------

TEST(ImportFileReader, FileExistence)
{
    TempDir dir;
    WriteFile(dir.File("present.txt"), "x");
    EXPECT_TRUE(ImportFileExists(dir.File("present.txt").string()));
    EXPECT_FALSE(ImportFileExists(dir.File("absent.txt").string()));
    EXPECT_FALSE(ImportFileExists(dir.File("").string()));  // the directory itself
    EXPECT_FALSE(ImportFileExists(""));
}

TEST(ImportFileReader, MissingFileThrowsWithNameAndReason)
{
    TempDir dir;
    const std::string path = dir.File("absent.txt").string();
    try {
        ImportFileReader reader(path);
        FAIL() << "opening a missing file did not throw";
    } catch (const Error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find("File not found"), std::string::npos) << message;
    }
}

TEST(ImportFileReader, UnreadableFileThrowsWithName)
{
    // A directory opens on some systems and fails at the first read, on
    // others it fails to open; either way the error names it.
    TempDir dir;
    const std::string path = dir.File("folder.txt").string();
    fs::create_directory(path);
    try {
        ImportFileReader reader(path);
        std::string line;
        reader.ReadLine(line);
        FAIL() << "reading a directory did not throw";
    } catch (const Error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find("File access denied"), std::string::npos) << message;
    }
}

TEST(ImportFileReader, FileReadsLikeMemory)
{
    std::ifstream in(ORVANTA_IMPORT_FIXTURES "/awards_tab_quoted.txt", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(bytes.empty());

    ImportFileReader file(ORVANTA_IMPORT_FIXTURES "/awards_tab_quoted.txt", 5);
    const Lines fromFile = ReadAll(file, 1);
    EXPECT_EQ(fromFile, ReadImportLines(bytes, 1));
    EXPECT_EQ(fromFile, (Lines{"A10\t\"Gold Watch\"", "B20\t\"Pen, \"\"Executive\"\" model\"",
                               " C30 \t Clock ", "D40\t", "E50\tLamp\nshade", ""}));
}

// ---- Size and memory -------------------------------------------------------
// The reader's own memory is its buffer; these check that it keeps its size
// whatever the file holds, and that the caller's line grows only with the
// longest line.

TEST(ImportFileReader, MillionLinesWithFixedMemory)
{
    TempDir dir;
    const fs::path path = dir.File("million.txt");
    constexpr int kLines = 1'000'000;
    {
        std::ofstream out(path, std::ios::binary);
        char line[32];
        for (int i = 1; i <= kLines; ++i) {
            // Alternate CR LF and a lone CR so both line ends are exercised.
            const int n = std::snprintf(line, sizeof line, "%07d Employee%s", i,
                                        i % 2 ? "\r\n" : "\r");
            out.write(line, n);
        }
        ASSERT_TRUE(out.good());
    }

    ImportFileReader reader(path.string());
    const std::size_t capacity = reader.BufferCapacity();
    EXPECT_EQ(capacity, ImportFileReader::kDefaultBufferSize);

    std::string line;
    char expected[32];
    int count = 0;
    std::size_t largestLine = 0;
    int mismatches = 0;
    while (reader.ReadLine(line)) {
        ++count;
        std::snprintf(expected, sizeof expected, "%07d Employee", count);
        if (line != expected && ++mismatches <= 3)
            ADD_FAILURE() << "record " << count << " is \"" << line << "\"";
        largestLine = std::max(largestLine, line.capacity());
        if (reader.BufferCapacity() != capacity)
            FAIL() << "buffer grew to " << reader.BufferCapacity() << " at record " << count;
    }
    EXPECT_EQ(count, kLines);
    EXPECT_EQ(mismatches, 0);
    EXPECT_LT(largestLine, 64u);
}

TEST(ImportFileReader, TenMegabyteLine)
{
    TempDir dir;
    const fs::path path = dir.File("long.txt");
    std::string longLine(10 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < longLine.size(); ++i)
        longLine[i] = static_cast<char>('A' + i % 26);
    WriteFile(path, "head\r\n" + longLine + "\r\ntail");

    ImportFileReader reader(path.string());
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, "head");
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line.size(), longLine.size());
    EXPECT_TRUE(line == longLine) << "the long line differs from what was written";
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, "tail");
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_EQ(reader.BufferCapacity(), ImportFileReader::kDefaultBufferSize);
}

TEST(ImportFileReader, BinaryNoise)
{
    // 3 MB of random bytes without a 26, then a 26, then 1 MB of any bytes
    // that must never be read.
    std::mt19937 random(20240611);
    std::string noise(4 * 1024 * 1024, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() & 0xff);
    const std::size_t eofAt = 3 * 1024 * 1024;
    std::replace(noise.begin(), noise.begin() + eofAt, '\x1a', '\x1b');
    noise[eofAt] = '\x1a';

    // What the records must add up to, counted from the bytes before the 26.
    const std::string_view text(noise.data(), eofAt);
    std::size_t lineEndBytes = 0;
    std::size_t lineEnds = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            continue;
        ++lineEnds;
        ++lineEndBytes;
        if (i + 1 < text.size() && text[i + 1] == '\n') {
            ++lineEndBytes;
            ++i;
        }
    }
    const bool endsWithLineEnd = text.back() == '\r' || text.ends_with("\r\n");
    const std::size_t expectedRecords = lineEnds + (endsWithLineEnd ? 0 : 1);

    TempDir dir;
    const fs::path path = dir.File("noise.bin");
    WriteFile(path, noise);
    ImportFileReader reader(path.string());
    const Lines lines = ReadAll(reader, 0);
    EXPECT_EQ(reader.BufferCapacity(), ImportFileReader::kDefaultBufferSize);

    EXPECT_EQ(lines.size(), expectedRecords);
    std::size_t recordBytes = 0;
    for (const std::string& line : lines) {
        recordBytes += line.size();
        EXPECT_EQ(line.find_first_of("\r\x1a"), std::string::npos);
    }
    EXPECT_EQ(recordBytes + lineEndBytes, eofAt);
    // Chunk boundaries at odd places change nothing.
    EXPECT_EQ(lines, ReadMemory(noise, 0, 7));
}

}  // namespace
}  // namespace orvanta
