#pragma once

#include "awards/period.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <array>
#include <string>
#include <string_view>

namespace orvanta {

class Query;
class RequestProgress;
class TDataModule2;
class TWorkbook;

// The address export: for every employee of one award-period selection, one
// record of 42 fields (codes, the department's billing address, its work
// location or the employee's home address, the employee's data, two label
// lines), written in one of three layouts chosen by the target's extension.

enum class ExportLayout {
    TabDelimited,  // ".prn": a tab after every field but the last, CR LF
    FixedWidth,    // ".txt", any other extension, none: 1250 characters, CR LF
    Workbook,      // ".xls": one cell per field, columns A to AP, a row per record
};

// From the extension of the file-name part (from its last "."), compared
// without regard to case.
ExportLayout exportLayoutFor(const QString& fileName);

inline constexpr int kExportFields = 42;
// The width of each field in the fixed-width layout; together 1250.
extern const std::array<int, kExportFields> kExportWidths;

// The columns of the selection the record is made from. Unprefixed WorkLoc
// fields, Label1 and label2 are the billing row's; the "_1" fields and
// WorkLocEMail, WorkLocPhone, WorkLocFax the work location's.
enum class ExportColumn {
    WorkLocCode, WorkLocCompany, WorkLocAttn, WorkLocAddress1, WorkLocAddress2, WorkLocStreet,
    WorkLocCity, WorkLocState, WorkLocZip, WorkLocCountry,
    WorkLocCode_1, WorkLocCompany_1, WorkLocAttn_1, WorkLocAddress1_1, WorkLocAddress2_1, WorkLocStreet_1,
    WorkLocCity_1, WorkLocState_1, WorkLocZip_1, WorkLocCountry_1,
    WorkLocEMail, WorkLocPhone, WorkLocFax,
    EmployeeID, Name, EmployeeEMail, AnvDate, Sex, SupervisorEMail,
    EmpAddress1, EmpAddress2, EmpStreet, EmpCity, EmpState, EmpZip, EmpCountry, EmpLabel1, EmpLabel2,
    Label1, Label2, Description,
    Count
};

// One row of the selection, by column, as single-byte text (dates as the
// database holds them, YYYY-MM-DD). The strings are reused from row to row.
struct ExportRow {
    std::array<std::string, size_t(ExportColumn::Count)> value;
    std::array<bool, size_t(ExportColumn::Count)> null{};

    const std::string& operator[](ExportColumn c) const { return value[size_t(c)]; }
    bool isNull(ExportColumn c) const { return null[size_t(c)]; }
    void set(ExportColumn c, std::string_view text)
    {
        value[size_t(c)].assign(text);
        null[size_t(c)] = false;
    }
    void setNull(ExportColumn c)
    {
        value[size_t(c)].clear();
        null[size_t(c)] = true;
    }
};

// The codes of the settings record as the shared data module holds them.
struct ExportCodes {
    std::string customerCode;
    std::string administrativeCode;
};

// The 42 field texts of one record, single-byte.
using ExportRecord = std::array<std::string, kExportFields>;

// Fills `record` (reused between rows) from one row.
void exportRecord(const ExportRow& row, int awardYear, const ExportCodes& codes, ExportRecord& record);

// The service date as month/day/year with two-digit month and day: the 5th of
// March 1979 gives 03/05/1979.
std::string FormatServiceDate(const QDate& date);
// The award year minus the date's calendar year, in decimal.
std::string YearsOfService(int awardYear, const QDate& date);
// Replaces the first occurrence of `pattern` in `text`, found without regard
// to the case of the letters a to z, by `replacement`; the text unchanged when
// it does not occur.
std::string ReplacePlaceholder(std::string_view text, std::string_view pattern, std::string_view replacement);

// The selection statement, line by line (no ORDER BY: records come in the
// order the engine returns them).
QStringList exportSelectionLines(const PeriodSelection& values);

// What the export dialog holds when "&Export" is pressed.
struct ExportRequest {
    AwardPeriod period;
    QString fileName;
    bool append = false;
};

struct ExportResult {
    ExportLayout layout = ExportLayout::FixedWidth;
    long long records = 0;
};

// ExportBtnClick without its dialog: the layout, the location type check
// ("Location Type To Export Not Selected"), the period values, the selection
// on EmployeeQuery and ExportRows into `workbook` (the dialog's, which keeps
// its cells until the next export) or the text file. `progress` hears
// started("Exporting") once the check has passed and finished() at the end,
// also after an error. A workbook export that would pass the last row a sheet
// holds stops with a message before anything is written.
ExportResult runExport(const ExportRequest& request, TDataModule2& dm, TWorkbook& workbook,
                       RequestProgress* progress);

}  // namespace orvanta
