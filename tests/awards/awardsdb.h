#pragma once

// A small award database for the period tests: location types, departments,
// employees and award records put in through the program's own statements.

#include "awards/period.h"
#include "data/datamodule.h"
#include "data/query.h"
#include "support/tempdb.h"

#include <QDate>
#include <QStringList>
#include <memory>

namespace orvanta::test {

struct Employee {
    QString id;
    QString name;
    QDate anvDate;  // invalid: no service date
    QString department;
    QString campusMail;
    QString supervisor;
    QString supervisorMail;
    QString ssn;
    QString sex;
};

class AwardsDb {
public:
    AwardsDb() : dm(tmp.module()) {}

    void sql(const QString& statement) { dm->MasterDatabase.execute(statement); }

    void locationType(const QString& key, const QString& description)
    {
        sql(QStringLiteral("Insert into \"Location.db\" (LocationType, Description) values (%1, %2)")
                .arg(quotedText(key), quotedText(description)));
    }

    void department(const QString& code, const QString& locationType, const QString& description = QString(),
                    const QString& shortDescription = QString())
    {
        sql(QStringLiteral("Insert into \"Depart.db\" (LocationCode, LocationType, Description, ShortDescription) "
                           "values (%1, %2, %3, %4)")
                .arg(quotedText(code), quotedText(locationType), quotedText(description),
                     quotedText(shortDescription)));
    }

    void employee(const Employee& e)
    {
        const QString date = e.anvDate.isValid() ? quotedText(e.anvDate.toString(QStringLiteral("MM/dd/yyyy")))
                                                 : QStringLiteral("\"\"");
        sql(QStringLiteral("Insert into \"Employee.db\" (EmployeeID, Name, AnvDate, LocationCode, CampusMail, "
                           "Supervisor, SupervisorMail, SSN, Sex) values (%1, %2, %3, %4, %5, %6, %7, %8, %9)")
                .arg(quotedText(e.id), quotedText(e.name), date, quotedText(e.department), quotedText(e.campusMail),
                     quotedText(e.supervisor), quotedText(e.supervisorMail), quotedText(e.ssn), quotedText(e.sex)));
    }

    // A short form: id and name alike.
    void employee(const QString& name, const QDate& anvDate, const QString& department)
    {
        employee(Employee{name, name, anvDate, department, {}, {}, {}, {}, {}});
    }

    void awardRecord(const QString& employeeId, const QString& awardCode = QStringLiteral("PIN"))
    {
        sql(QStringLiteral("Insert into \"EmpAward.db\" (EmployeeID, AwardCode) values (%1, %2)")
                .arg(quotedText(employeeId), quotedText(awardCode)));
    }

    // One column of a statement's rows, in order.
    QStringList column(const QString& statement, const QString& field)
    {
        Query q(dm->MasterDatabase);
        q.add(statement);
        q.open();
        QStringList out;
        for (; !q.eof(); q.next())
            out << q.text(field);
        return out;
    }

    QStringList employeeIds() { return column(QStringLiteral("Select EmployeeID from \"Employee.db\" ORDER BY EmployeeID"), QStringLiteral("EmployeeID")); }
    QStringList awardIds() { return column(QStringLiteral("Select EmployeeID from \"EmpAward.db\" ORDER BY EmployeeID"), QStringLiteral("EmployeeID")); }

    TempDb tmp;
    std::unique_ptr<TDataModule2> dm;
};

inline AwardPeriod period(const QString& month, const QString& year, const QString& location,
                          SortChoice sort = SortChoice::Name)
{
    AwardPeriod p;
    p.monthText = month;
    p.awardYearText = year;
    p.locationType = location;
    p.sort = sort;
    return p;
}

}  // namespace orvanta::test
