// orvanta-cli import employees | awards, run as the program itself.

#include "data/database.h"
#include "import/importfixture.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace orvanta;
using orvanta::test::ImportFixture;

namespace {

struct CliRun {
    int status;
    QString out;
    QString err;
};

class CliImportTest : public ::testing::Test, public ImportFixture {
protected:
    CliRun cli(const QStringList& args)
    {
        QProcess p;
        p.start(QStringLiteral(ORVANTA_CLI), QStringList{"--db", tmp.path()} + args);
        p.waitForFinished(120000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    QList<QByteArray> employees(int n)
    {
        QList<QByteArray> lines;
        for (int i = 1; i <= n; ++i)
            lines << line(QStringLiteral("E%1").arg(i, 6, 10, QChar('0')), QStringLiteral("Name %1").arg(i),
                          QStringLiteral("03/15/1979"), QStringLiteral("D%1").arg(i % 7));
        return lines;
    }
};

TEST_F(CliImportTest, ImportsWithProgressAndTheNewDepartmentsNotice)
{
    write(employeeFile, employees(2500));
    CliRun r = cli({"import", "employees"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString("New Departments Added\n"));
    EXPECT_EQ(r.err, QString("Records Imported = 1000\nRecords Imported = 2000\n"));
    EXPECT_EQ(count("Employee.db"), 2500);

    r = cli({"import", "employees"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();

    write(awardFile, {"P5\t5 Year Pin", "W10\tWatch"});
    r = cli({"import", "awards"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(count("award.db"), 2);
}

TEST_F(CliImportTest, ErrorExitsOneAfterTheRecordsBeforeAreStored)
{
    write(employeeFile, {line("E1", "A", "01/01/1990", "D"), line("E2", "B", "13/13/1990", "D")});
    const CliRun r = cli({"import", "employees"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QString("'13/13/1990' is not a valid date\n"));
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(count("Employee.db"), 1);

    EXPECT_EQ(cli({"import"}).status, 2);
    EXPECT_EQ(cli({"import", "everything"}).status, 2);
}

TEST_F(CliImportTest, KilledRunLeavesASoundDatabaseWithAPrefix)
{
    write(employeeFile, employees(200000));
    QProcess p;
    p.start(QStringLiteral(ORVANTA_CLI), QStringList{"--db", tmp.path(), "import", "employees"});
    ASSERT_TRUE(p.waitForStarted());
    // Kill it once a few transactions have been committed.
    const QString file = tmp.file(QStringLiteral("awards.sqlite3"));
    QElapsedTimer waited;
    waited.start();
    int seen = 0;
    while (waited.elapsed() < 60000 && p.state() == QProcess::Running) {
        QThread::msleep(20);
        sqlite3* h = nullptr;
        sqlite3_open_v2(file.toLocal8Bit().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, "select count(*) from Employee", -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW)
            seen = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(h);
        if (seen >= 10000)
            break;
    }
    ASSERT_EQ(p.state(), QProcess::Running) << "the import ended before it could be killed";
    p.kill();
    p.waitForFinished();

    dm.reset();
    dm = tmp.module();
    EXPECT_EQ(one(QStringLiteral("PRAGMA integrity_check")), QString("ok"));
    const int employeesStored = count("Employee.db");
    EXPECT_GE(employeesStored, seen);
    EXPECT_LT(employeesStored, 200000);
    EXPECT_EQ(count("EmpAward.db"), employeesStored);
    // A prefix: the stored IDs are exactly the first ones of the file.
    EXPECT_EQ(one(QStringLiteral("Select max(EmployeeID) from \"Employee.db\"")),
              QStringLiteral("E%1").arg(employeesStored, 6, 10, QChar('0')));
}

}  // namespace
