// orvanta-cli merge and delete: the same requests as the mail merge and delete
// dialogs, with their messages on stderr.

#include "cli/cli.h"
#include "clirun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvanta;

namespace {

using orvanta::test::CliRun;

class CliAwardsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* s : {
                 R"(Insert into "Location.db" (LocationType, Description) values ("A", "Alpha"))",
                 R"(Insert into "Depart.db" (LocationCode, LocationType, Description) values ("D1", "A", "Accounting"))",
                 R"(Insert into "Employee.db" (EmployeeID, Name, AnvDate, LocationCode) values ("1", "Baker", "05/01/1959", "D1"))",
                 R"(Insert into "Employee.db" (EmployeeID, Name, AnvDate, LocationCode) values ("2", "Adams", "03/15/1979", "D1"))",
                 R"(Insert into "Employee.db" (EmployeeID, Name, AnvDate, LocationCode) values ("3", "Cole", "03/15/1980", "D1"))",
                 R"(Insert into "EmpAward.db" (EmployeeID) values ("1"))",
                 R"(Insert into "EmpAward.db" (EmployeeID) values ("2"))",
                 R"(Insert into "EmpAward.db" (EmployeeID) values ("3"))",
             })
            ASSERT_EQ(cli({"sql", s}).status, 0) << s;
        ASSERT_EQ(cli({"settings", "set", "MailExport=" + mergeFile()}).status, 0);
    }

    CliRun cli(const QStringList& args) { return orvanta::test::runCliOn(dir.path(), args); }

    QString mergeFile() const { return QDir(dir.path()).filePath("merge.csv"); }

    QStringList mergedNames()
    {
        QFile f(mergeFile());
        if (!f.open(QIODevice::ReadOnly))
            return {"<no file>"};
        QStringList names;
        const QList<QByteArray> lines = f.readAll().split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i)
            if (!lines[i].isEmpty())
                names << QString::fromLatin1(lines[i].left(lines[i].indexOf(',')));
        return names;
    }

    QString employees() { return cli({"sql", R"(Select EmployeeID from "Employee.db" ORDER BY EmployeeID)"}).out; }
    QString awards() { return cli({"sql", R"(Select EmployeeID from "EmpAward.db" ORDER BY EmployeeID)"}).out; }

    QTemporaryDir dir;
};

TEST_F(CliAwardsTest, MergeWritesTheFileInEitherOrder)
{
    CliRun r = cli({"merge", "--year", "1999", "--location", "A"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString("2 employees written to %1\n").arg(mergeFile()));
    EXPECT_EQ(mergedNames(), (QStringList{"\"Adams\"", "\"Baker\""}));

    r = cli({"merge", "--year", "1999", "--location", "A", "--sort", "years"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(mergedNames(), (QStringList{"\"Baker\"", "\"Adams\""}));

    r = cli({"merge", "--year", "1999", "--location", "A", "--month", "March"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(mergedNames(), (QStringList{"\"Adams\""}));
}

TEST_F(CliAwardsTest, MergeFailuresGoToStderr)
{
    const struct {
        QStringList args;
        int status;
        const char* err;  // start of stderr
    } cases[] = {
        {{"merge", "--year", "1999"}, 1, "Location Type To Export Not Selected\n"},
        {{"merge", "--year", "abc", "--location", "A"}, 1, "'abc' is not a valid integer value\n"},
        {{"merge", "--year", "", "--location", "A"}, 1, "'' is not a valid integer value\n"},
        {{"merge", "--year", "1999", "--location", "A", "--month", "january"}, 1, "near \")\": syntax error"},
        {{"merge", "--year", "1999", "--location", "A", "--sort", "date"}, 2, "orvanta-cli: --sort takes name or years"},
        {{"merge", "--location", "A"}, 2, "orvanta-cli: merge needs --year"},
        {{"merge", "--year", "1999", "--location", "A", "extra"}, 2, "orvanta-cli: merge takes no argument"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_TRUE(r.err.startsWith(c.err)) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(mergeFile())) << c.err;
    }
}

TEST_F(CliAwardsTest, MergeWithoutFileNameSaysSo)
{
    ASSERT_EQ(cli({"settings", "set", "MailExport="}).status, 0);
    const CliRun r = cli({"merge", "--year", "1999", "--location", "A"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("no file written")) << r.out.toStdString();
}

TEST_F(CliAwardsTest, DeleteByPeriodOrAll)
{
    CliRun r = cli({"delete", "--year", "1999", "--month", "March"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString("employees deleted: 1\naward records deleted: 1\n"));
    EXPECT_EQ(employees(), QString("EmployeeID\n1\n3\n"));
    EXPECT_EQ(awards(), QString("EmployeeID\n1\n3\n"));

    r = cli({"delete", "--year", "", "--all"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QString("'' is not a valid integer value\n"));
    EXPECT_EQ(employees(), QString("EmployeeID\n1\n3\n"));

    r = cli({"delete", "--year", "1999", "--month", "Smarch"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("syntax error")) << r.err.toStdString();
    EXPECT_EQ(awards(), QString("EmployeeID\n1\n3\n"));

    r = cli({"delete", "--year", "1999", "--all"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(employees(), QString("EmployeeID\n"));
    EXPECT_EQ(awards(), QString("EmployeeID\n"));
}

}  // namespace

namespace {

TEST_F(CliAwardsTest, ExportFollowsTheExtensionAndNamesItsErrors)
{
    for (const char* s : {
             R"(Insert into "billing.db" (WorkLocCode, WorkLocCompany) values ("BILL", "Billing"))",
             R"(Update "Depart.db" Set BillingLocCodeID = 1, WorkLocCodeID = 1)",
         })
        ASSERT_EQ(cli({"sql", s}).status, 0) << s;
    const QString prn = QDir(dir.path()).filePath("out.prn");
    CliRun r = cli({"export", prn, "--year", "1999", "--location", "A"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("2 records exported to %1 (tab-delimited)\n").arg(prn));
    r = cli({"export", prn, "--year", "1999", "--location", "A", "--append", "--month", "March"});
    EXPECT_EQ(r.out, QStringLiteral("1 record exported to %1 (tab-delimited, appended)\n").arg(prn));
    QFile f(prn);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count('\n'), 3);

    const QString xls = QDir(dir.path()).filePath("out.xls");
    r = cli({"export", xls, "--year", "1999", "--location", "A"});
    EXPECT_EQ(r.out, QStringLiteral("2 records exported to %1 (workbook)\n").arg(xls));

    r = cli({"export", prn, "--year", "1999"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QString("Location Type To Export Not Selected\n"));
    r = cli({"export", prn, "--year", "19x9", "--location", "A"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QString("'19x9' is not a valid integer value\n"));
    r = cli({"export", QDir(dir.path()).filePath("none.txt"), "--year", "1999", "--location", "A", "--append"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QString("File not found\n"));
    EXPECT_EQ(cli({"export", "--year", "1999", "--location", "A"}).status, 2);
    EXPECT_EQ(cli({"export", prn, "--location", "A"}).status, 2);
}

}  // namespace
