#include "data/error.h"
#include "import/imports.h"
#include "importfixture.h"

#include "support/errorof.h"

#include <gtest/gtest.h>

using namespace orvanta;
using orvanta::test::ImportFixture;

namespace {

using orvanta::test::errorOf;

class EmployeeImportTest : public ::testing::Test, public ImportFixture {
protected:
    bool importFile(const QList<QByteArray>& lines)
    {
        write(employeeFile, lines);
        EmployeeImport run(*dm);
        const bool found = run.run();
        newDepartments = run.NewDepartmentsAdded;
        return found;
    }
    QString anv(const QString& id)
    {
        return one(QStringLiteral("Select AnvDate from \"Employee.db\" where EmployeeID = \"%1\"").arg(id));
    }
    bool newDepartments = false;
};

TEST_F(EmployeeImportTest, NewEmployeeGetsAwardRowAndNewDepartmentTheDefaults)
{
    sql(R"(Update "settings.db" Set BillingLocCodeID = 3)");
    dm->LoadDefaults();
    ASSERT_TRUE(importFile({line("E1", "Smith, Jane", "05/14/2001", "ACCT", {"9", "MS 12", "16", "  12 Elm  "})}));
    EXPECT_TRUE(newDepartments);
    EXPECT_EQ(one(R"(Select Name from "Employee.db" where EmployeeID = "E1")"), QString("Smith, Jane"));
    EXPECT_EQ(one(R"(Select CampusMail from "Employee.db")"), QString("MS 12"));
    EXPECT_EQ(one(R"(Select EmpStreet from "Employee.db")"), QString("12 Elm"));  // trimmed field
    EXPECT_EQ(count("EmpAward.db"), 1);
    EXPECT_EQ(one(R"(Select count(*) from "EmpAward.db" where EmployeeID = "E1" and AwardCode IS NULL
                   and AwardRec IS NULL and AwardSent IS NULL and Comments IS NULL and DateEntered IS NULL)"),
              QString("1"));
    EXPECT_EQ(one(R"(Select LocationType || "/" || Description || "/" || ShortDescription || "/" ||
                   WorkLocCodeID || "/" || BillingLocCodeID from "Depart.db")"),
              QString("MAIN/Dept ACCT/ACC/7/3"));

    // The same file again: no new department, no warning.
    ASSERT_TRUE(importFile({line("E1", "Smith, Jane", "05/14/2001", "ACCT")}));
    EXPECT_FALSE(newDepartments);
    EXPECT_EQ(count("Employee.db"), 1);
    EXPECT_EQ(count("EmpAward.db"), 1);
}

TEST_F(EmployeeImportTest, ExistingDepartmentKeepsItsTypeAndTakesNewTexts)
{
    sql(R"(Insert into "Depart.db" (LocationCode, Description, ShortDescription, LocationType, WorkLocCodeID)
           values ("ACCT", "Old", "OLD", "HOSP", 2))");
    ASSERT_TRUE(importFile({line("E1", "A", "1/2/1990", "ACCT")}));
    EXPECT_FALSE(newDepartments);
    EXPECT_EQ(one(R"(Select LocationType || "/" || Description || "/" || ShortDescription || "/" || WorkLocCodeID
                   from "Depart.db")"),
              QString("HOSP/Dept ACCT/ACC/2"));
}

TEST_F(EmployeeImportTest, ServiceDateFormsOnBothPaths)
{
    struct Case {
        const char* text;
        const char* stored;  // ISO, or the error message
    };
    const Case cases[] = {
        {"2001-05-14", "05/14/2001"},
        {"5-14-2001", "05/14/2001"},
        {"05/14/2001", "05/14/2001"},
        {"14/05/2001", "'14/05/2001' is not a valid date"},
        {"", "'' is not a valid date"},
    };
    for (const Case& c : cases) {
        for (bool existing : {false, true}) {
            sql(R"(Delete from "Employee.db")");
            sql(R"(Delete from "EmpAward.db")");
            if (existing) {
                ASSERT_TRUE(importFile({line("E1", "A", "01/01/1990", "D")}));
            }
            QList<QByteArray> lines = {line("E0", "Before", "02/02/1992", "D"), line("E1", "A", c.text, "D")};
            const std::string error = errorOf([&] { importFile(lines); });
            const std::string what = std::string(c.text) + (existing ? " (existing)" : " (new)");
            if (std::string(c.stored).find('\'') == std::string::npos) {
                EXPECT_EQ(error, "<no error>") << what;
                EXPECT_EQ(anv("E1"), QString(c.stored)) << what;
            } else {
                EXPECT_EQ(error, c.stored) << what;
                EXPECT_EQ(anv("E1"), QString(existing ? "01/01/1990" : "<none>")) << what;
                EXPECT_EQ(anv("E0"), QString("02/02/1992")) << what;  // the record before is stored
                EXPECT_EQ(count("EmpAward.db"), existing ? 2 : 1) << what;
            }
        }
    }
}

TEST_F(EmployeeImportTest, BlankLastLineStopsWithDateErrorAfterEarlierRecords)
{
    write(employeeFile, {line("E1", "A", "01/01/1990", "D"), line("E2", "B", "01/01/1991", "D")}, "\r\n");
    QFile f(employeeFile);
    f.open(QIODevice::Append);
    f.write("\r\n");  // the file ends in two line ends: one empty record
    f.close();
    EXPECT_EQ(errorOf([&] { EmployeeImport(*dm).run(); }), "'' is not a valid date");
    EXPECT_EQ(count("Employee.db"), 2);
    EXPECT_EQ(count("EmpAward.db"), 2);
}

TEST_F(EmployeeImportTest, UpdateOverwritesEveryImportedFieldAndKeepsAwardRow)
{
    ASSERT_TRUE(importFile({line("E1", "Old Name", "01/01/1990", "D", {"5", "F", "6", "123", "21", "L1"})}));
    sql(R"(Update "EmpAward.db" Set AwardCode = "PIN")");
    // The gender field is not delivered any more (start and length 0): it is emptied.
    setting("GenderS", "0");
    ASSERT_TRUE(importFile({line("E1", "New \"Nick\" Name", "2001-05-14", "D2", {"5", "F", "6", "123"})}));
    EXPECT_EQ(one(R"(Select Name from "Employee.db")"), QString("New \"Nick\" Name"));
    EXPECT_EQ(one(R"(Select count(*) from "Employee.db" where Sex IS NULL and EmpLabel1 IS NULL)"), QString("1"));
    EXPECT_EQ(one(R"(Select SSN || "/" || LocationCode from "Employee.db")"), QString("123/D2"));
    EXPECT_EQ(anv("E1"), QString("05/14/2001"));
    EXPECT_EQ(one(R"(Select AwardCode from "EmpAward.db")"), QString("PIN"));
}

TEST_F(EmployeeImportTest, UpdateIsTheSixteenLineStatement)
{
    ASSERT_TRUE(importFile({line("E1", "Old", "01/01/1990", "D")}));
    ASSERT_TRUE(importFile({line("E1", "Say \"Hi\" Bob", "1990-01-02", "D", {"6", "123", "17", "Town "})}));
    const QStringList expected = {
        R"(Update "Employee.db" Set Name = "Say ""Hi"" Bob", SSN = "123")",
        R"(, EmployeeEMail = "")",
        R"(, Sex = "", AnvDate = "01/02/1990")",
        R"(, LocationCode = "D", CampusMail = "")",
        R"(, Supervisor = "", SupervisorMail = "")",
        R"(, SupervisorEMail = "")",
        R"(, EmpAddress1 = "")",
        R"(, EmpAddress2 = "")",
        R"(, EmpStreet = "")",
        R"(, EmpCity = "Town ")",
        R"(, EmpState = "")",
        R"(, EmpZip = "")",
        R"(, EmpCountry = "")",
        R"(, EmpLabel1 = "")",
        R"(, EmpLabel2 = "")",
        R"(where EmployeeID = "E1")",
    };
    EXPECT_EQ(dm->EmployeeQuery.sql().join(u'\n').toStdString(), expected.join(u'\n').toStdString());
    EXPECT_EQ(one(R"(Select Name || "|" || EmpCity from "Employee.db")"), QString("Say \"Hi\" Bob|Town "));
}

TEST_F(EmployeeImportTest, SameEmployeeTwiceInOneFileIsAddedThenUpdated)
{
    ASSERT_TRUE(importFile({line("E1", "First", "01/01/1990", "D"), line("E1", "Second", "01/01/1990", "D")}));
    EXPECT_EQ(count("Employee.db"), 1);
    EXPECT_EQ(count("EmpAward.db"), 1);
    EXPECT_EQ(one(R"(Select Name from "Employee.db")"), QString("Second"));
}

TEST_F(EmployeeImportTest, MissingFileChangesNothing)
{
    sql(R"(Insert into "Employee.db" (EmployeeID, Name) values ("E9", "Kept"))");
    setting("EmpFileName", QStringLiteral("\"%1\"").arg(tmp.file("absent.txt")));
    EmployeeImport run(*dm);
    EXPECT_FALSE(run.run());
    EXPECT_EQ(count("Employee.db"), 1);
    EXPECT_EQ(count("Depart.db"), 0);
}

TEST_F(EmployeeImportTest, BlankSettingsStopBeforeTheFileIsRead)
{
    write(employeeFile, {line("E1", "A", "01/01/1990", "D")});
    for (const char* field : {"EmpLines", "ServiceDateS", "EmpLabel2L", "EmpFileName"}) {
        sql(R"(Delete from "settings.db")");
        ImportFixture fresh;  // a complete settings record to start from
        QString cols, vals;
        Query q(fresh.dm->MasterDatabase);
        q.add(QStringLiteral("Select * from \"settings.db\""));
        q.open();
        QStringList assignments;
        for (int i = 0; i < q.fieldCount(); ++i)
            if (!q.isNull(q.fieldName(i)))
                assignments << QStringLiteral("%1 = \"%2\"").arg(q.fieldName(i), q.text(i));
        sql(QStringLiteral("Insert into \"settings.db\" (EmpLines) values (0)"));
        sql(QStringLiteral("Update \"settings.db\" Set ") + assignments.join(u", "));
        setting("EmpFileName", QStringLiteral("\"%1\"").arg(employeeFile));
        setting(QString::fromLatin1(field), QStringLiteral("\"\""));
        const std::string error = errorOf([&] { EmployeeImport(*dm).run(); });
        EXPECT_NE(error.find(field), std::string::npos) << error;
        EXPECT_EQ(count("Employee.db"), 0) << field;
    }
}

TEST_F(EmployeeImportTest, RecordWithoutDepartmentIdCreatesNoDepartment)
{
    ASSERT_TRUE(importFile({line("E1", "A", "01/01/1990", "")}));
    EXPECT_EQ(count("Employee.db"), 1);
    EXPECT_EQ(count("Depart.db"), 0);
    EXPECT_FALSE(newDepartments);
}

TEST_F(EmployeeImportTest, FailureAfterACommittedBatchKeepsExactlyTheRecordsBefore)
{
    // More records than one transaction holds, then a bad one.
    QList<QByteArray> lines;
    for (int i = 1; i <= 5300; ++i)
        lines << line(QStringLiteral("E%1").arg(i), QStringLiteral("N%1").arg(i), QStringLiteral("01/01/1990"),
                      QStringLiteral("D%1").arg(i % 3));
    lines << line("E1", "Changed", "01/01/1990", "D9");  // an update and a new department ...
    lines << line("BAD", "B", "31/01/1990", "D10");      // ... then a failing record
    lines << line("E6000", "After", "01/01/1990", "D1");
    write(employeeFile, lines);
    EmployeeImport run(*dm);
    EXPECT_EQ(errorOf([&] { run.run(); }), "'31/01/1990' is not a valid date");
    EXPECT_TRUE(run.NewDepartmentsAdded);
    EXPECT_EQ(count("Employee.db"), 5300);
    EXPECT_EQ(count("EmpAward.db"), 5300);
    EXPECT_EQ(one(R"(Select Name from "Employee.db" where EmployeeID = "E1")"), QString("Changed"));
    EXPECT_EQ(count("Depart.db"), 4);  // D0, D1, D2, D9; not D10
}

TEST(ServiceDate, Normalisation)
{
    EXPECT_EQ(EmployeeImport::normaliseServiceDate("2001-05-14"), QString("05/14/2001"));
    EXPECT_EQ(EmployeeImport::normaliseServiceDate("2001/5/14"), QString("5/14/2001"));
    EXPECT_EQ(EmployeeImport::normaliseServiceDate("5-14-2001"), QString("5/14/2001"));
    EXPECT_EQ(EmployeeImport::normaliseServiceDate("14/05/2001"), QString("14/05/2001"));
    EXPECT_EQ(EmployeeImport::normaliseServiceDate(""), QString(""));
}

// ---------------------------------------------------------------- awards

class AwardImportTest : public ::testing::Test, public ImportFixture {
protected:
    void SetUp() override
    {
        sql(R"(Insert into "award.db" (AwardCode, AwardDesc) values ("OLD", "Old pin"))");
    }
    QString catalogue()
    {
        QStringList out;
        Query q(dm->MasterDatabase);
        q.add(QStringLiteral("Select AwardCode, AwardDesc from \"award.db\" order by AwardCode"));
        q.open();
        for (; !q.eof(); q.next())
            out << q.text(0) + u'=' + q.text(1);
        return out.join(u';');
    }
};

TEST_F(AwardImportTest, ReplacesTheCatalogue)
{
    setting("AwardsLines", "1");
    write(awardFile, {"Code\tDescription", "P5\t\"5 Year Pin\"", " W10 \t Watch ", "C15\tClock"});
    EXPECT_TRUE(AwardImport(*dm).run());
    EXPECT_EQ(catalogue(), QString("C15=Clock;P5=5 Year Pin;W10=Watch"));

    write(awardFile, {"Code\tDescription"});  // header only: the catalogue is emptied
    EXPECT_TRUE(AwardImport(*dm).run());
    EXPECT_EQ(catalogue(), QString());
}

TEST_F(AwardImportTest, FixedWidthPositions)
{
    setting("AwardCodeL", "3");
    setting("AwardDescS", "4");
    setting("AwardDescL", "20");
    write(awardFile, {"P5 5 Year Pin", "W10Watch"});
    EXPECT_TRUE(AwardImport(*dm).run());
    EXPECT_EQ(catalogue(), QString("P5=5 Year Pin;W10=Watch"));
}

TEST_F(AwardImportTest, MissingFileLeavesTheCatalogue)
{
    setting("AwardFileName", QStringLiteral("\"%1\"").arg(tmp.file("none.txt")));
    EXPECT_FALSE(AwardImport(*dm).run());
    EXPECT_EQ(catalogue(), QString("OLD=Old pin"));
}

TEST_F(AwardImportTest, DuplicateCodeStopsWithOldCatalogueGoneAndEarlierRecordsStored)
{
    write(awardFile, {"A\tFirst", "B\tSecond", "A\tAgain", "C\tNever"});
    AwardImport run(*dm);
    const std::string error = errorOf([&] { run.run(); });
    EXPECT_NE(error.find("Key violation"), std::string::npos) << error;
    EXPECT_EQ(catalogue(), QString("A=First;B=Second"));
    EXPECT_EQ(dm->AwardTable.state(), Table::State::Browse);
    EXPECT_EQ(dm->AwardTable.recordCount(), 2);
}

TEST_F(AwardImportTest, BlankSettingStopsBeforeAnythingIsDeleted)
{
    write(awardFile, {"A\tFirst"});
    setting("AwardCodeS", "\"\"");
    const std::string error = errorOf([&] { AwardImport(*dm).run(); });
    EXPECT_NE(error.find("AwardCodeS"), std::string::npos) << error;
    EXPECT_EQ(catalogue(), QString("OLD=Old pin"));
}

}  // namespace
