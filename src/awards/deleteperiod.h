#pragma once

#include "awards/period.h"

namespace orvanta {

class RequestProgress;
class TDataModule2;

// What the delete dialog holds when "Delete" is pressed. The location type and
// sort choice of the period are not used: a period delete covers every
// department.
struct DeleteRequest {
    QString monthText = QStringLiteral("Whole Year");
    QString awardYearText;
    bool deleteAllData = false;  // "Delete All Data": empty both tables
};

struct DeleteResult {
    int awardRecords = 0;  // rows removed from EmpAward.db
    int employees = 0;     // rows removed from Employee.db
};

// The two DELETE statements of a request, award records first, each as its
// lines. The award records are found through the employees that the second
// statement removes, so they must run in this order.
struct DeleteStatements {
    QStringList awardRecords;
    QStringList employees;
};
DeleteStatements deleteStatements(bool deleteAllData, const QString& milestoneYears, const QString& monthNumber);

// DeleteBClick without its dialog. Reads the month number and the award year
// (also with "Delete All Data" ticked, so the year text must be an integer
// even then; the conversion error is thrown before anything is deleted), then
// runs the two statements on EmployeeQuery as one transaction: when the second
// fails, the award records removed by the first are restored, so no employee
// is left without the award record it had. `progress` hears started("Deleting
// Data") once the year is read and finished() at the end, also after an error.
DeleteResult runDelete(const DeleteRequest& request, TDataModule2& dm, RequestProgress* progress);

}  // namespace orvanta
