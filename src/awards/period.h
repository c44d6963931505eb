#pragma once

#include "data/localsql.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace orvanta {

class Query;

// The award period: what a period dialog's controls hold when its action
// button is pressed. The dialogs read their controls into it and the
// command-line front end fills it from its options; the requests read every
// derived value (month number, award year, milestone years) from it afresh.
enum class SortChoice {
    Name,            // "Name"
    YearsOfService,  // "Years Of Service"
};

struct AwardPeriod {
    QString monthText = QStringLiteral("Whole Year");  // the month box's text as shown
    QString awardYearText;                             // the award year box's text as shown
    std::optional<QString> locationType;               // key of the chosen location type; none: no choice
    QString locationDescription;                       // its Description as the box shows it
    SortChoice sort = SortChoice::Name;

    QString monthNumber() const;   // MonthNumber(monthText)
    // The award year text read as a decimal integer; throws
    // "'%s' is not a valid integer value".
    int awardYear() const;
};

// The dialogs that select by the period; each has its own sort keys and
// location type message.
enum class PeriodDialog { AwardList, DepartmentList, MailMerge, Export };

// The month box's list, in order. The second month is spelled "Febuary", in
// the list and in the matching of MonthNumber.
const QStringList& monthTexts();

// "0" for "Whole Year", "1" to "12" for the months; empty for any other text
// (the comparison is exact and with case, so "February" and "january" give
// empty). An empty month number makes the month line of a statement invalid,
// which the database engine rejects when the statement runs.
QString MonthNumber(const QString& monthText);

// Award year minus 5, 10, ..., 40, latest first, joined by commas:
// 1999 gives "1994,1989,1984,1979,1974,1969,1964,1959". Computed in 64 bits,
// so award years near the bottom of the 32-bit range give exact (if
// meaningless) years rather than wrapping.
QString MilestoneYears(int awardYear);

// The text after "ORDER BY ": "E.Name" for Name in every dialog that has the
// choice; for Years Of Service "YY, E.Name" in the award list (YY is the
// service-start year of its select line) and "E.AnvDate" in the department
// list and the mail merge. The export has no sort choice: empty.
QString SortKey(PeriodDialog dialog, SortChoice sort);

// The message shown when no location type is chosen.
QString locationNotSelectedMessage(PeriodDialog dialog);

// The period caption of the printed reports: month text, one space, award
// year text, both as shown in the boxes.
QString PeriodCaption(const AwardPeriod& period);


// The lines of the selection statements, each as one line of the query text.
namespace selection {

QString fromLine();                                  // FROM "Employee.db" E, "Depart.db" D
QString joinLine();                                  // WHERE (E.LocationCode = D.LocationCode) And
QString locationTypeLine(const QString& locationKey);  // (D.LocationType = "A") And
QString orderByLine(const QString& sortKey);         // ORDER BY E.Name

// The year line and, unless the month number is "0", the month line, for the
// date field `dateField` (E.AnvDate in the selections). `closing` is put at
// the end of the last line (the delete statements close a subquery there).
QStringList periodLines(const QString& dateField, const QString& milestoneYears, const QString& monthNumber,
                        const QString& closing = QString());

// Everything after a dialog's select line: FROM, join, location type, years,
// month (only when the month number is not "0") and ORDER BY (left out when
// the sort key is empty, as the export has no sort choice).
QStringList selectionLines(const QString& locationKey, const QString& milestoneYears, const QString& monthNumber,
                           const QString& sortKey);

}  // namespace selection

// The values a selection request derives from the period, read in the order the
// dialogs read them: the location type check first (throws the dialog's
// message when none is chosen), the sort key, the month number, then the award
// year (throws the conversion error) and the milestone years.
struct PeriodSelection {
    QString locationKey;
    QString sortKey;
    QString monthNumber;
    int awardYear = 0;
    QString milestoneYears;
};
PeriodSelection readPeriodSelection(const AwardPeriod& period, PeriodDialog dialog);

// Closes the query, clears its text, adds the select line and the selection
// lines of `values`, and opens it. Throws the engine's error when it rejects
// the statement (an empty month number, say).
void openSelection(Query& query, const QString& selectLine, const PeriodSelection& values);

}  // namespace orvanta
