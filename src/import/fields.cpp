#include "import/fields.h"

namespace orvanta {

namespace {

constexpr char kTab = '\t';
constexpr char kQuote = '"';

// kEmployeeFields is indexed by EmployeeField; keep the two in step.
constexpr bool EmployeeFieldsInOrder()
{
    for (std::size_t i = 0; i < kEmployeeFields.size(); ++i) {
        if (static_cast<std::size_t>(kEmployeeFields[i].field) != i)
            return false;
    }
    return true;
}
static_assert(EmployeeFieldsInOrder(), "kEmployeeFields must list the fields in EmployeeField order");
static_assert(static_cast<std::size_t>(EmployeeField::Label2) + 1 == kEmployeeFieldCount);

}  // namespace

void TrimBlanks(std::string& value)
{
    const std::size_t last = value.find_last_not_of(' ');
    if (last == std::string::npos) {
        value.clear();
        return;
    }
    value.erase(last + 1);
    value.erase(0, value.find_first_not_of(' '));
}

std::string GetTabField(int n, const std::string& line)
{
    if (n <= 0)
        return {};
    std::size_t begin = 0;
    // Pass over n-1 tabs; the loop ends after at most one pass over the line
    // however large n is.
    for (int tabs = 1; tabs < n; ++tabs) {
        const std::size_t tab = line.find(kTab, begin);
        if (tab == std::string::npos)
            return {};
        begin = tab + 1;
    }
    std::size_t end = line.find(kTab, begin);
    if (end == std::string::npos)
        end = line.size();
    if (begin < end && line[begin] == kQuote)
        ++begin;
    if (begin < end && line[end - 1] == kQuote)
        --end;
    return line.substr(begin, end - begin);
}

std::string ExtractField(const std::string& line, int start, int length)
{
    if (length == 0)
        return GetTabField(start, line);
    if (length < 0)
        return {};
    const std::size_t offset = start <= 0 ? 0 : static_cast<std::size_t>(start) - 1;
    if (offset >= line.size())
        return {};
    return line.substr(offset, static_cast<std::size_t>(length));
}

AwardFields ExtractAwardFields(const std::string& line, const AwardLayout& layout)
{
    AwardFields fields{ExtractField(line, layout.code), ExtractField(line, layout.description)};
    TrimBlanks(fields.code);
    TrimBlanks(fields.description);
    return fields;
}

EmployeeFields ExtractEmployeeFields(const std::string& line, const EmployeeLayout& layout)
{
    EmployeeFields fields;
    for (std::size_t i = 0; i < kEmployeeFieldCount; ++i) {
        fields.value[i] = ExtractField(line, layout.pos[i]);
        if (kEmployeeFields[i].trimmed)
            TrimBlanks(fields.value[i]);
    }
    return fields;
}

}  // namespace orvanta
