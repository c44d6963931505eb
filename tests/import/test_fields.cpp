#include "import/fields.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "import/linereader.h"

namespace orvanta {
namespace {

using namespace std::string_literals;

// ---- TrimBlanks ------------------------------------------------------------

TEST(TrimBlanks, RemovesOnlyOuterSpaces)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"  a b  ", "a b"},
        {"a", "a"},
        {"", ""},
        {"    ", ""},
        {"\ta\t", "\ta\t"},          // tabs stay
        {" \t x \t ", "\t x \t"},    // spaces inside the tabs stay
        {"\xa0" "a\xa0", "\xa0" "a\xa0"},  // a no-break space is not a space
        {" \r\n", "\r\n"},
        {" \"X\" ", "\"X\""},
        {" \0 "s, "\0"s},
    };
    for (const auto& c : cases) {
        std::string value = c.in;
        TrimBlanks(value);
        EXPECT_EQ(value, c.out) << "input \"" << c.in << "\"";
    }
}

// ---- GetTabField -----------------------------------------------------------

struct TabCase {
    std::string line;
    int n;
    std::string expected;
};

TEST(GetTabField, Fields)
{
    const std::string abcd = "A\t\"B C\"\tD";
    const TabCase cases[] = {
        {abcd, 1, "A"},
        {abcd, 2, "B C"},
        {abcd, 3, "D"},
        {abcd, 4, ""},
        {abcd, 0, ""},
        {abcd, -1, ""},
        {abcd, INT_MIN, ""},
        {abcd, INT_MAX, ""},
        {"\tX", 1, ""},  // a line beginning with a tab has an empty field 1
        {"\tX", 2, "X"},
        {"A\t", 2, ""},
        {"A\t\t", 2, ""},
        {"A\t\t", 3, ""},
        {"A\t\t", 4, ""},
        {"", 1, ""},
        {"no tabs at all", 1, "no tabs at all"},
        {"a,b;c", 2, ""},         // only tabs separate
        {" A \tB", 1, " A "},     // spaces are part of the field
        {"A\nB\tC", 1, "A\nB"},   // a line feed inside a line is text
    };
    for (const TabCase& c : cases)
        EXPECT_EQ(GetTabField(c.n, c.line), c.expected) << "field " << c.n << " of \"" << c.line << "\"";
}

TEST(GetTabField, Quotes)
{
    const TabCase cases[] = {
        {"\"X\"", 1, "X"},
        {" \"X\" ", 1, " \"X\" "},       // spaces around the quotes: left alone
        {"\"", 1, ""},                   // a lone quote
        {"\"\"", 1, ""},
        {"\"\"\"", 1, "\""},
        {"\"abc", 1, "abc"},             // opening quote only
        {"abc\"", 1, "abc"},             // closing quote only
        {"a\"b", 1, "a\"b"},             // inner quote stays
        {"\"a\"\"b\"", 1, "a\"\"b"},     // a doubled quote is not undoubled
        {"\"\"x\"\"", 1, "\"x\""},       // one quote removed at each end
        {"A\t\"\"\tB", 2, ""},
        {"A\t\"\tB", 2, ""},
        {"\"A\tB\"", 1, "A"},            // a quote does not hide a tab
        {"\"A\tB\"", 2, "B"},
    };
    for (const TabCase& c : cases)
        EXPECT_EQ(GetTabField(c.n, c.line), c.expected) << "field " << c.n << " of \"" << c.line << "\"";
}

// ---- ExtractField ----------------------------------------------------------

TEST(ExtractField, FixedWidth)
{
    const std::string line = "ABCDEFGH";
    const struct {
        int start;
        int length;
        std::string expected;
    } cases[] = {
        {5, 3, "EFG"},
        {7, 10, "GH"},  // runs past the end: stops there
        {9, 1, ""},     // starts past the end
        {9, 100, ""},
        {8, 1, "H"},
        {1, 8, "ABCDEFGH"},
        {0, 2, "AB"},   // start 0 or less counts as 1
        {-5, 2, "AB"},
        {INT_MIN, 1, "A"},
        {1, -1, ""},    // a negative length gives nothing
        {3, INT_MIN, ""},
        {2, INT_MAX, "BCDEFGH"},
        {INT_MAX, INT_MAX, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractField(line, c.start, c.length), c.expected)
            << "start " << c.start << ", length " << c.length;
}

TEST(ExtractField, KeepsSpacesAndBytes)
{
    EXPECT_EQ(ExtractField("  AB  \t", 1, 7), "  AB  \t");
    EXPECT_EQ(ExtractField("x\0y\xff"s, 2, 3), "\0y\xff"s);
    EXPECT_EQ(ExtractField("", 1, 5), "");
}

TEST(ExtractField, LengthZeroIsTabField)
{
    const std::string line = "A\t\"B C\"\tD";
    EXPECT_EQ(ExtractField(line, 2, 0), "B C");
    EXPECT_EQ(ExtractField(line, 3, 0), "D");
    EXPECT_EQ(ExtractField(line, 4, 0), "");
    EXPECT_EQ(ExtractField(line, 0, 0), "");   // not delivered
    EXPECT_EQ(ExtractField(line, -2, 0), "");
    EXPECT_EQ(ExtractField(" \"X\" ", FieldPos{1, 0}), " \"X\" ");
}

// ---- Award fields ----------------------------------------------------------

TEST(ExtractAwardFields, TabSeparatedTrimsBoth)
{
    const AwardLayout layout{{1, 0}, {2, 0}};
    const AwardFields f = ExtractAwardFields("  A1 \t \"Gold Watch\" ", layout);
    EXPECT_EQ(f.code, "A1");
    EXPECT_EQ(f.description, "\"Gold Watch\"");  // spaces around the quotes kept them

    const AwardFields quoted = ExtractAwardFields("B2\t\" Pen \"", layout);
    EXPECT_EQ(quoted.description, "Pen");  // unquoted first, then trimmed
}

TEST(ExtractAwardFields, FixedWidthTrimsBoth)
{
    const AwardLayout layout{{1, 4}, {5, 20}};
    const AwardFields f = ExtractAwardFields("A1  Gold Watch          ", layout);
    EXPECT_EQ(f.code, "A1");
    EXPECT_EQ(f.description, "Gold Watch");

    const AwardFields shortLine = ExtractAwardFields("A1", layout);
    EXPECT_EQ(shortLine.code, "A1");
    EXPECT_EQ(shortLine.description, "");
}

TEST(ExtractAwardFields, Fixture)
{
    ImportFileReader reader(ORVANTA_IMPORT_FIXTURES "/awards_tab_quoted.txt");
    reader.SkipLines(1);
    const AwardLayout layout{{1, 0}, {2, 0}};
    std::vector<std::pair<std::string, std::string>> got;
    std::string line;
    while (reader.ReadLine(line)) {
        const AwardFields f = ExtractAwardFields(line, layout);
        got.emplace_back(f.code, f.description);
    }
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"A10", "Gold Watch"},
        {"B20", "Pen, \"\"Executive\"\" model"},
        {"C30", "Clock"},
        {"D40", ""},
        {"E50", "Lamp\nshade"},
        {"", ""},  // the empty line before the end of the file
    };
    EXPECT_EQ(got, expected);
}

// ---- Employee fields -------------------------------------------------------

// A fixed-width line holding all 22 fields, each in a column of 6 that pads
// its value " fNN" with one space before and one after.
std::string PaddedEmployeeLine(EmployeeLayout& layout)
{
    std::string line;
    for (std::size_t i = 0; i < kEmployeeFieldCount; ++i) {
        layout.pos[i] = {static_cast<int>(line.size()) + 1, 6};
        const std::string number = (i < 9 ? "0" : "") + std::to_string(i + 1);
        line += " f" + number + "  ";
    }
    return line;
}

TEST(ExtractEmployeeFields, TrimsAllButAddressLinesCityStateZip)
{
    EmployeeLayout layout;
    const std::string line = PaddedEmployeeLine(layout);
    const EmployeeFields f = ExtractEmployeeFields(line, layout);
    const std::vector<std::string> expected = {
        "f01",      // employee ID
        "f02",      // name
        "f03",      // employee e-mail
        "f04",      // service date
        "f05",      // gender
        "f06",      // social security number
        "f07",      // department ID
        "f08",      // department description
        "f09",      // department address
        "f10",      // short department description
        "f11",      // supervisor
        "f12",      // supervisor mail
        "f13",      // supervisor e-mail
        " f14  ",   // address line 1: untrimmed
        " f15  ",   // address line 2: untrimmed
        "f16",      // street
        " f17  ",   // city: untrimmed
        " f18  ",   // state: untrimmed
        " f19  ",   // zip: untrimmed
        "f20",      // country
        "f21",      // label 1
        "f22",      // label 2
    };
    EXPECT_EQ(std::vector<std::string>(f.value.begin(), f.value.end()), expected);
    EXPECT_EQ(f[EmployeeField::EmployeeId], "f01");
    EXPECT_EQ(f[EmployeeField::City], " f17  ");
    EXPECT_EQ(f[EmployeeField::Label2], "f22");
}

TEST(ExtractEmployeeFields, TabSeparatedWithFieldsNotDelivered)
{
    EmployeeLayout layout;  // every field 0/0: not delivered
    layout[EmployeeField::EmployeeId] = {1, 0};
    layout[EmployeeField::Name] = {2, 0};
    layout[EmployeeField::City] = {3, 0};
    layout[EmployeeField::Zip] = {4, 0};
    layout[EmployeeField::Label1] = {9, 0};  // beyond the last field
    const EmployeeFields f =
        ExtractEmployeeFields(" 0042 \t\"Smith, Anne \"\t Ames \t\"50010 \"", layout);

    EXPECT_EQ(f[EmployeeField::EmployeeId], "0042");
    EXPECT_EQ(f[EmployeeField::Name], "Smith, Anne");
    EXPECT_EQ(f[EmployeeField::City], " Ames ");
    EXPECT_EQ(f[EmployeeField::Zip], "50010 ");
    EXPECT_EQ(f[EmployeeField::Label1], "");
    EXPECT_EQ(f[EmployeeField::ServiceDate], "");
    EXPECT_EQ(f[EmployeeField::Country], "");
}

TEST(ExtractEmployeeFields, EmptyLineGivesEmptyFields)
{
    EmployeeLayout layout;
    PaddedEmployeeLine(layout);
    const EmployeeFields f = ExtractEmployeeFields("", layout);
    for (std::size_t i = 0; i < kEmployeeFieldCount; ++i)
        EXPECT_EQ(f.value[i], "") << "field " << i + 1;
}

TEST(ExtractEmployeeFields, FixedWidthDosFixture)
{
    // Header line, three employees, CR LF line ends and a closing ^Z; the
    // names hold Latin-1 bytes, which come through unchanged.
    EmployeeLayout layout;
    layout[EmployeeField::EmployeeId] = {1, 6};
    layout[EmployeeField::Name] = {7, 20};
    layout[EmployeeField::ServiceDate] = {27, 10};
    layout[EmployeeField::Gender] = {37, 1};
    layout[EmployeeField::DepartmentId] = {38, 4};
    layout[EmployeeField::City] = {42, 12};
    layout[EmployeeField::State] = {54, 2};
    layout[EmployeeField::Zip] = {56, 10};

    ImportFileReader reader(ORVANTA_IMPORT_FIXTURES "/employees_fixed_dos.txt");
    EXPECT_EQ(reader.SkipLines(1), 1);
    std::vector<EmployeeFields> records;
    std::string line;
    while (reader.ReadLine(line))
        records.push_back(ExtractEmployeeFields(line, layout));
    ASSERT_EQ(records.size(), 3u);

    const struct {
        const char* id;
        const char* name;
        const char* date;
        const char* gender;
        const char* department;
        const char* city;
        const char* state;
        const char* zip;
    } expected[] = {
        {"001234", "Smith, Anne", "05/14/2001", "F", "0100", "Springfield ", "IL", "62701     "},
        {"0042", "O'Hara, Sean", "1998-11-02", "M", "0200", "Ames        ", "IA", "50010-1234"},
        {"000777", "M\xfcller, J\xfcrgen", "12/31/1989", "M", "0100", "St. Paul    ", "MN", "55101     "},
    };
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE("record " + std::to_string(i + 1));
        const EmployeeFields& f = records[i];
        EXPECT_EQ(f[EmployeeField::EmployeeId], expected[i].id);
        EXPECT_EQ(f[EmployeeField::Name], expected[i].name);
        EXPECT_EQ(f[EmployeeField::ServiceDate], expected[i].date);
        EXPECT_EQ(f[EmployeeField::Gender], expected[i].gender);
        EXPECT_EQ(f[EmployeeField::DepartmentId], expected[i].department);
        EXPECT_EQ(f[EmployeeField::City], expected[i].city);
        EXPECT_EQ(f[EmployeeField::State], expected[i].state);
        EXPECT_EQ(f[EmployeeField::Zip], expected[i].zip);
        EXPECT_EQ(f[EmployeeField::Address1], "");
        EXPECT_EQ(f[EmployeeField::Label2], "");
    }
}

}  // namespace
}  // namespace orvanta
