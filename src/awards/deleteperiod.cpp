#include "awards/deleteperiod.h"

#include "data/convert.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/progress.h"

namespace orvanta {

DeleteStatements deleteStatements(bool deleteAllData, const QString& milestoneYears, const QString& monthNumber)
{
    DeleteStatements s;
    if (deleteAllData) {
        s.awardRecords = {QStringLiteral("DELETE"), QStringLiteral("FROM \"EmpAward.db\"")};
        s.employees = {QStringLiteral("DELETE"), QStringLiteral("FROM \"Employee.db\"")};
        return s;
    }
    // The subquery's lines end with one more parenthesis, which closes IN(.
    s.awardRecords = {QStringLiteral("DELETE"), QStringLiteral("FROM \"EmpAward.db\" A"),
                      QStringLiteral("WHERE EmployeeID IN(Select EmployeeID from \"Employee.db\" E"),
                      QStringLiteral("WHERE")};
    s.awardRecords += selection::periodLines(QStringLiteral("E.AnvDate"), milestoneYears, monthNumber,
                                             QStringLiteral(")"));
    s.employees = {QStringLiteral("DELETE"), QStringLiteral("FROM \"Employee.db\""), QStringLiteral("WHERE")};
    s.employees += selection::periodLines(QStringLiteral("AnvDate"), milestoneYears, monthNumber);
    return s;
}

DeleteResult runDelete(const DeleteRequest& request, TDataModule2& dm, RequestProgress* progress)
{
    const QString monthNumber = MonthNumber(request.monthText);
    const int awardYear = readInteger(request.awardYearText);
    const DeleteStatements statements = deleteStatements(request.deleteAllData, MilestoneYears(awardYear), monthNumber);

    ProgressScope scope(progress, QStringLiteral("Deleting Data"));

    Query& q = dm.EmployeeQuery;
    auto run = [&q](const QStringList& lines) {
        q.close();
        q.clear();
        for (const QString& line : lines)
            q.add(line);
        return q.execSQL();
    };

    DeleteResult result;
    Transaction transaction(dm.MasterDatabase);
    result.awardRecords = run(statements.awardRecords);
    result.employees = run(statements.employees);
    q.close();
    transaction.commit();
    return result;
}

}  // namespace orvanta
