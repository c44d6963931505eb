#pragma once

// Taking field values out of one line of an import file.
//
// Where a field sits is configured in the settings record as a pair of
// integers, a start and a length:
//   - length not 0: fixed-width; the value is the `length` characters that
//     begin at character `start` of the line (1 is the first character);
//   - length 0: tab-separated; `start` is the field number counted from 1,
//     and 0 or less means the file does not deliver the field.
// Extraction never rejects anything: a field outside the line is empty.
// Characters are bytes, kept exactly as read.

#include <array>
#include <cstddef>
#include <string>

namespace orvanta {

struct FieldPos {
    int start = 0;
    int length = 0;
};

// Names of the two settings fields holding one position pair.
struct FieldPosNames {
    const char* start;
    const char* length;
};

// Removes leading and trailing spaces (code 32) from value, in place. Tabs
// and every other character stay.
void TrimBlanks(std::string& value);

// The n-th tab-separated field of line, counted from 1. Empty when n is 0 or
// less or the line has fewer fields. One double quote at the start of the
// field and then one at its end are removed; nothing else is unquoted (inner
// and doubled quotes, and spaces around the quotes, stay).
std::string GetTabField(int n, const std::string& line);

// One field by its position pair, not trimmed. Fixed-width: a start of 0 or
// less counts as 1, a start past the end of the line or a negative length
// gives an empty value, and a length running past the end stops there.
// Length 0: GetTabField(start, line).
std::string ExtractField(const std::string& line, int start, int length);
inline std::string ExtractField(const std::string& line, FieldPos pos)
{
    return ExtractField(line, pos.start, pos.length);
}

// ---- Award catalogue file --------------------------------------------------

struct AwardLayout {
    FieldPos code;         // AwardCodeS, AwardCodeL
    FieldPos description;  // AwardDescS, AwardDescL
};

inline constexpr FieldPosNames kAwardCodePosNames{"AwardCodeS", "AwardCodeL"};
inline constexpr FieldPosNames kAwardDescPosNames{"AwardDescS", "AwardDescL"};

struct AwardFields {
    std::string code;
    std::string description;
};

// The award code and description of one line, both trimmed.
AwardFields ExtractAwardFields(const std::string& line, const AwardLayout& layout);

// ---- Employee file ---------------------------------------------------------

// The fields of an employee line, in the order the import handles them.
enum class EmployeeField {
    EmployeeId,
    Name,
    EmployeeEMail,
    ServiceDate,
    Gender,
    Ssn,
    DepartmentId,
    DepartmentDescription,
    DepartmentAddress,
    ShortDescription,
    Supervisor,
    SupervisorMail,
    SupervisorEMail,
    Address1,
    Address2,
    Street,
    City,
    State,
    Zip,
    Country,
    Label1,
    Label2,
};

inline constexpr std::size_t kEmployeeFieldCount = 22;

struct EmployeeFieldInfo {
    EmployeeField field;
    FieldPosNames settings;  // the settings fields holding its position pair
    // Whether surrounding spaces are removed. Address lines 1 and 2, city,
    // state and zip keep the spaces of their columns.
    bool trimmed;
};

inline constexpr std::array<EmployeeFieldInfo, kEmployeeFieldCount> kEmployeeFields{{
    {EmployeeField::EmployeeId, {"EmployeeIDS", "EmployeeIDL"}, true},
    {EmployeeField::Name, {"EmployeeNameS", "EmployeeNameL"}, true},
    {EmployeeField::EmployeeEMail, {"EmpEMailS", "EmpEMailL"}, true},
    {EmployeeField::ServiceDate, {"ServiceDateS", "ServiceDateL"}, true},
    {EmployeeField::Gender, {"GenderS", "GenderL"}, true},
    {EmployeeField::Ssn, {"SSNS", "SSNL"}, true},
    {EmployeeField::DepartmentId, {"DepartmentIDS", "DepartmentIDL"}, true},
    {EmployeeField::DepartmentDescription, {"DescriptionS", "DescriptionL"}, true},
    {EmployeeField::DepartmentAddress, {"AddressS", "AddressL"}, true},
    {EmployeeField::ShortDescription, {"ShortS", "ShortL"}, true},
    {EmployeeField::Supervisor, {"SupervisorS", "SupervisorL"}, true},
    {EmployeeField::SupervisorMail, {"SupervisorMailS", "SupervisorMailL"}, true},
    {EmployeeField::SupervisorEMail, {"SupervisorEMailS", "SupervisorEMailL"}, true},
    {EmployeeField::Address1, {"EmpAddress1S", "EmpAddress1L"}, false},
    {EmployeeField::Address2, {"EmpAddress2S", "EmpAddress2L"}, false},
    {EmployeeField::Street, {"EmpStreetS", "EmpStreetL"}, true},
    {EmployeeField::City, {"EmpCityS", "EmpCityL"}, false},
    {EmployeeField::State, {"EmpStateS", "EmpStateL"}, false},
    {EmployeeField::Zip, {"EmpZipS", "EmpZipL"}, false},
    {EmployeeField::Country, {"EmpCountryS", "EmpCountryL"}, true},
    {EmployeeField::Label1, {"EmpLabel1S", "EmpLabel1L"}, true},
    {EmployeeField::Label2, {"EmpLabel2S", "EmpLabel2L"}, true},
}};

// The 22 position pairs of the employee file, indexed by EmployeeField.
// kEmployeeFields[i].settings names the settings fields of pos[i].
struct EmployeeLayout {
    std::array<FieldPos, kEmployeeFieldCount> pos{};

    FieldPos& operator[](EmployeeField f) { return pos[static_cast<std::size_t>(f)]; }
    const FieldPos& operator[](EmployeeField f) const { return pos[static_cast<std::size_t>(f)]; }
};

// The 22 values of one employee line, indexed by EmployeeField.
struct EmployeeFields {
    std::array<std::string, kEmployeeFieldCount> value;

    std::string& operator[](EmployeeField f) { return value[static_cast<std::size_t>(f)]; }
    const std::string& operator[](EmployeeField f) const { return value[static_cast<std::size_t>(f)]; }
};

// Every employee field of one line, each trimmed or not as kEmployeeFields
// says.
EmployeeFields ExtractEmployeeFields(const std::string& line, const EmployeeLayout& layout);

}  // namespace orvanta
