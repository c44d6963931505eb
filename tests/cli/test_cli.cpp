#include "cli/cli.h"
#include "clirun.h"
#include "data/schema.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvanta;

namespace {

using orvanta::test::CliRun;

class CliTest : public ::testing::Test {
protected:
    CliRun cli(const QStringList& args) { return orvanta::test::runCliOn(dir.path(), args); }

    QString setting(const QString& field)
    {
        for (const QString& line : cli({"settings", "show"}).out.split(u'\n'))
            if (line.startsWith(field + u'='))
                return line.mid(field.size() + 1);
        return QStringLiteral("<missing>");
    }

    QTemporaryDir dir;
};

TEST_F(CliTest, InitCreatesTheDatabaseAndPrintsItsPath)
{
    const CliRun r = cli({"init"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QString file = QDir(dir.path()).filePath(QStringLiteral("awards.sqlite3"));
    EXPECT_EQ(r.out.trimmed(), file);
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(cli({"init"}).status, 0);  // already there: nothing to do
}

TEST_F(CliTest, SettingsShowListsEveryFieldInOrder)
{
    const QStringList lines = cli({"settings", "show"}).out.split(u'\n', Qt::SkipEmptyParts);
    const auto& fields = schema::settingsTable().fields;
    ASSERT_EQ(size_t(lines.size()), fields.size());
    for (size_t i = 0; i < fields.size(); ++i)
        EXPECT_EQ(lines[qsizetype(i)], fields[i].name + u'=');
    EXPECT_EQ(lines.first(), QString("EmpFileName="));
    EXPECT_EQ(lines.last(), QString("WorkLocCodeID="));
}

TEST_F(CliTest, SettingsSetMatchesNamesWithoutCaseAndChecksAllFirst)
{
    CliRun r = cli({"settings", "set", "empfilename=/data/emp.txt", "EMPLINES=2", "EmpEmailS=5"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(setting("EmpFileName"), QString("/data/emp.txt"));
    EXPECT_EQ(setting("EmpLines"), QString("2"));
    EXPECT_EQ(setting("EmpEMailS"), QString("5"));

    r = cli({"settings", "set", "EmpLines=7", "AwardCodeS=abc"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("'abc' is not a valid integer value")) << r.err.toStdString();
    EXPECT_EQ(setting("EmpLines"), QString("2"));  // nothing of the failed call stored

    r = cli({"settings", "set", "EmpLines=7", "NoSuchField=1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("NoSuchField")) << r.err.toStdString();
    EXPECT_EQ(setting("EmpLines"), QString("2"));

    ASSERT_EQ(cli({"settings", "set", "EmpLines="}).status, 0);  // an empty value blanks the field
    EXPECT_EQ(setting("EmpLines"), QString());
    EXPECT_EQ(cli({"sql", R"(Select count(*) As N from "settings.db")"}).out, QString("N\n1\n"));
}

TEST_F(CliTest, SqlPrintsRowsOrChangedCount)
{
    EXPECT_EQ(cli({"sql", R"(Insert into "Employee.db" (EmployeeID, Name, AnvDate) values ("7", "Smith, Jane", "3/5/1979"))"}).out,
              QString("1\n"));
    EXPECT_EQ(cli({"sql", R"(Insert into "Employee.db" (EmployeeID) values ("8"))"}).status, 0);
    const CliRun r = cli({"sql", R"(Select EmployeeID, Name, AnvDate from "employee.db" order by EmployeeID)"});
    EXPECT_EQ(r.out, QString("EmployeeID\tName\tAnvDate\n7\tSmith, Jane\t03/05/1979\n8\t\t\n"));
    EXPECT_EQ(cli({"sql", R"(Delete from "Employee.db")"}).out, QString("2\n"));
}

TEST_F(CliTest, ErrorsAndUsage)
{
    CliRun r = cli({"sql", R"(Select * from "Employee.db" E where (Extract(MONTH FROM E.AnvDate) = ))"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("syntax error")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());

    for (const QStringList& args : {QStringList{}, QStringList{"frobnicate"}, QStringList{"settings"},
                                    QStringList{"settings", "set"}, QStringList{"sql"}, QStringList{"init", "x"}}) {
        r = cli(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("usage:")) << r.err.toStdString();
    }

    QString out, err;
    QTextStream o(&out), e(&err);
    EXPECT_EQ(runCli({"--db"}, o, e), 2);
    EXPECT_EQ(runCli({"--db", "/nonexistent/place", "init"}, o, e), 1);
    e.flush();
    EXPECT_TRUE(err.contains("does not exist")) << err.toStdString();
}

}  // namespace
