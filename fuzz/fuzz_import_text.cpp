// libFuzzer harness for the import text readers: the line reader over
// in-memory data and every field extraction function.
//
// The last bytes of the input choose the reader's buffer size, the skip count
// and the field positions; the rest is the file. Besides the sanitizers, the
// harness checks:
//   - the chunked reader agrees with a plain whole-buffer split of the same
//     bytes, for a tiny buffer and for the default one, skip included;
//   - extracted values keep their promises: a fixed-width value is a piece of
//     the line no longer than its length, a tab field holds no tab, trimmed
//     values have no outer spaces.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "import/fields.h"
#include "import/linereader.h"

namespace {

using orvanta::ImportFileReader;

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_import_text: %s\n", what);
        std::abort();
    }
}

// The records of data, split in one pass over the whole buffer: text ends at
// the first 26, a CR ends a line and takes one LF after it along.
std::vector<std::string> ReferenceSplit(std::string_view data)
{
    const std::string_view text = data.substr(0, std::min(data.find('\x1a'), data.size()));
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t cr = text.find('\r', i);
        if (cr == std::string_view::npos) {
            lines.emplace_back(text.substr(i));
            break;
        }
        lines.emplace_back(text.substr(i, cr - i));
        i = cr + 1;
        if (i < text.size() && text[i] == '\n')
            ++i;
    }
    return lines;
}

std::vector<std::string> ReadWith(std::string_view data, std::size_t bufferSize, int skip,
                                  int& skipped)
{
    auto reader = ImportFileReader::FromMemory(data, bufferSize);
    const std::size_t capacity = reader.BufferCapacity();
    skipped = reader.SkipLines(skip);
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line))
        lines.push_back(line);
    Check(line.empty(), "ReadLine left bytes in the line at the end");
    Check(!reader.ReadLine(line), "reader read past its end");
    Check(reader.BufferCapacity() == capacity, "reader buffer grew");
    return lines;
}

// Positions: mostly small starts and lengths, a good share of tab fields
// (length 0), and now and then the extremes of int.
int PickStart(FuzzedDataProvider& in)
{
    const auto b = in.ConsumeIntegral<std::uint8_t>();
    switch (b) {
    case 0: return INT_MIN;
    case 1: return INT_MAX;
    default: return static_cast<int>(b % 40) - 3;
    }
}

int PickLength(FuzzedDataProvider& in)
{
    const auto b = in.ConsumeIntegral<std::uint8_t>();
    switch (b) {
    case 0: return INT_MIN;
    case 1: return INT_MAX;
    default: return b % 3 == 0 ? 0 : static_cast<int>(b % 30) - 3;
    }
}

bool HasOuterSpace(const std::string& s)
{
    return !s.empty() && (s.front() == ' ' || s.back() == ' ');
}

void CheckField(const std::string& line, orvanta::FieldPos pos, const std::string& value)
{
    Check(value.size() <= line.size(), "field longer than its line");
    if (pos.length == 0) {
        Check(value.find('\t') == std::string::npos, "tab field holds a tab");
        Check(value == orvanta::GetTabField(pos.start, line), "length 0 is not the tab field");
    } else if (pos.length < 0) {
        Check(value.empty(), "negative length gave a value");
    } else {
        Check(value.size() <= static_cast<std::size_t>(pos.length), "field longer than its length");
        Check(line.find(value) != std::string::npos, "fixed-width field is not part of the line");
    }
}

void ExtractAll(const std::string& line, const orvanta::EmployeeLayout& employee,
                const orvanta::AwardLayout& award)
{
    for (const orvanta::FieldPos pos : employee.pos)
        CheckField(line, pos, orvanta::ExtractField(line, pos));

    const orvanta::EmployeeFields fields = orvanta::ExtractEmployeeFields(line, employee);
    for (std::size_t i = 0; i < orvanta::kEmployeeFieldCount; ++i) {
        std::string raw = orvanta::ExtractField(line, employee.pos[i]);
        if (orvanta::kEmployeeFields[i].trimmed) {
            Check(!HasOuterSpace(fields.value[i]), "trimmed employee field has outer spaces");
            orvanta::TrimBlanks(raw);
        }
        Check(fields.value[i] == raw, "employee field differs from its extraction");
    }

    const orvanta::AwardFields a = orvanta::ExtractAwardFields(line, award);
    Check(!HasOuterSpace(a.code) && !HasOuterSpace(a.description),
          "trimmed award field has outer spaces");

    std::string trimmed = line;
    orvanta::TrimBlanks(trimmed);
    Check(!HasOuterSpace(trimmed), "TrimBlanks left outer spaces");
    Check(line.find(trimmed) != std::string::npos, "TrimBlanks changed the inside");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::size_t bufferSize = 1 + in.ConsumeIntegral<std::uint8_t>() % 16;
    const int skip = static_cast<int>(in.ConsumeIntegral<std::int8_t>()) % 8;
    orvanta::EmployeeLayout employee;
    for (orvanta::FieldPos& pos : employee.pos) {
        pos.start = PickStart(in);
        pos.length = PickLength(in);
    }
    orvanta::AwardLayout award;
    award.code = {PickStart(in), PickLength(in)};
    award.description = {PickStart(in), PickLength(in)};
    const std::string file = in.ConsumeRemainingBytesAsString();

    const std::vector<std::string> expected = ReferenceSplit(file);
    const std::size_t expectSkipped =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(skip, 0)), expected.size());
    const std::vector<std::string> expectedAfterSkip(expected.begin() + expectSkipped, expected.end());

    int skipped = 0;
    const std::vector<std::string> small = ReadWith(file, bufferSize, skip, skipped);
    Check(static_cast<std::size_t>(skipped) == expectSkipped, "wrong number of lines skipped");
    Check(small == expectedAfterSkip, "small-buffer reader disagrees with the plain split");
    const std::vector<std::string> large =
        ReadWith(file, ImportFileReader::kDefaultBufferSize, skip, skipped);
    Check(large == expectedAfterSkip, "default-buffer reader disagrees with the plain split");
    Check(orvanta::ReadImportLines(file, skip) == expectedAfterSkip, "ReadImportLines disagrees");

    for (const std::string& line : small)
        ExtractAll(line, employee, award);
    return 0;
}
