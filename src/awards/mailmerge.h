#pragma once

#include "awards/period.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <memory>

namespace orvanta {

class Query;
class RequestProgress;
class TDataModule2;

// The mail merge file: comma-separated single-byte text, CR LF line ends, the
// header line below, then one line of eleven values per selected employee.
// Each value is written between double quotes with an embedded double quote
// doubled, so that every line splits into exactly eleven values in any
// mail-merge or CSV reader; nothing else is escaped or trimmed (a comma or a
// line break stays inside its quotes). A null field gives "".
inline constexpr const char* kMailMergeHeader =
    "Name,Department,DeptShort,Address,ServiceDate,ServiceYears,Supervisor,SuperMail,EmployeeSSN,EmployeeID,"
    "EmployeeSex";

// All employee fields, then all department fields.
inline constexpr const char* kMailMergeSelectLine = "Select E.*, D.*";

// The ServiceDate form: the locale's short date format with its year always in
// four digits, so 3/15/1979 under United States settings where the locale's
// own short form would give 3/15/79 (and 1959 and 2059 would read alike).
QString serviceDateFormat(const QLocale& locale);

// One line of the file: the eleven values but ServiceYears, which the writer
// computes from the service date and the award year. An invalid date leaves
// ServiceDate and ServiceYears empty.
struct MailMergeRecord {
    QString name;             // Name (employee)
    QString department;       // Description (department)
    QString deptShort;        // ShortDescription (department)
    QString address;          // CampusMail
    QDate serviceDate;        // AnvDate
    QString supervisor;       // Supervisor
    QString superMail;        // SupervisorMail
    QString ssn;              // SSN
    QString employeeId;       // EmployeeID
    QString sex;              // Sex
};

// Writes the file: creates (or empties) it and writes the header line, then a
// line per record; close() finishes the file and reports any error of the
// last writes. Text above the single-byte range becomes "?".
class MailMergeWriter {
public:
    MailMergeWriter(const QString& fileName, int awardYear, const QLocale& dateLocale);
    ~MailMergeWriter();
    MailMergeWriter(const MailMergeWriter&) = delete;
    MailMergeWriter& operator=(const MailMergeWriter&) = delete;

    void write(const MailMergeRecord& record);
    void close();
    long long records() const { return records_; }

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
    long long records_ = 0;
};

struct MailMergeResult {
    bool written = false;  // false: the settings name no file (MailExport is empty)
    QString fileName;
    long long records = 0;
};

// ExportBClick without its dialog: the location type check ("Location Type To
// Export Not Selected"), the period values, the selection on EmployeeQuery, and
// ExportFile. `progress` hears started("Exporting Data") once the check has
// passed and finished() at the end, also when the request fails after that.
// Errors (the conversion of the award year, a statement the engine rejects,
// file errors) are thrown as orvanta::Error; a file that could not be written
// completely is never reported as written.
MailMergeResult runMailMerge(const AwardPeriod& period, TDataModule2& dm, RequestProgress* progress,
                             const QLocale& dateLocale = QLocale::system());

// The first half of it: builds and opens the selection on EmployeeQuery and
// returns the award year, which ExportFile needs for ServiceYears.
int openMailMergeSelection(const AwardPeriod& period, TDataModule2& dm);

// ExportFile: writes the file named by the settings field MailExport from
// EmployeeQuery as openMailMergeSelection left it, open on its first record.
// With MailExport empty nothing is created or changed and the result says so.
MailMergeResult exportMailMergeFile(TDataModule2& dm, int awardYear, RequestProgress* progress,
                                    const QLocale& dateLocale = QLocale::system());

// Writes `selection` (an open query with the fields the file needs: Name,
// Description, ShortDescription, CampusMail, AnvDate, Supervisor,
// SupervisorMail, SSN, EmployeeID, Sex) to `fileName`, replacing the file,
// from its current record to its end; the query is left after its last
// record. Call it on a query just opened (or moved to its first record).
// Returns the number of records written.
long long writeMailMergeFile(Query& selection, int awardYear, const QString& fileName, const QLocale& dateLocale,
                             RequestProgress* progress = nullptr);

}  // namespace orvanta
