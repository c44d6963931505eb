#include "awards/addressexport.h"
#include "awardsdb.h"
#include "data/error.h"
#include "xls/workbook.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace orvanta;
using namespace orvanta::test;

namespace {

TEST(ExportLayout, FollowsTheExtension)
{
    struct Case {
        const char* file;
        ExportLayout layout;
    };
    const Case cases[] = {
        {"/tmp/a.prn", ExportLayout::TabDelimited}, {"/tmp/a.PRN", ExportLayout::TabDelimited},
        {"/tmp/a.txt", ExportLayout::FixedWidth},   {"/tmp/a.xls", ExportLayout::Workbook},
        {"/tmp/A.XLS", ExportLayout::Workbook},     {"/tmp/a.csv", ExportLayout::FixedWidth},
        {"/tmp/awards", ExportLayout::FixedWidth},  {"/tmp/x.xls/awards", ExportLayout::FixedWidth},
        {"a.prn.txt", ExportLayout::FixedWidth},    {"a.txt.prn", ExportLayout::TabDelimited},
    };
    for (const Case& c : cases)
        EXPECT_EQ(exportLayoutFor(QString::fromLatin1(c.file)), c.layout) << c.file;
}

TEST(ExportRecord, HelpersAndWidths)
{
    int total = 0;
    for (int w : kExportWidths)
        total += w;
    EXPECT_EQ(total, 1250);
    EXPECT_EQ(FormatServiceDate(QDate(1979, 3, 5)), "03/05/1979");
    EXPECT_EQ(YearsOfService(1999, QDate(1979, 3, 5)), "20");
    EXPECT_EQ(YearsOfService(1970, QDate(1979, 3, 5)), "-9");
    EXPECT_EQ(ReplacePlaceholder("Attn %department%, %DEPARTMENT%", "%DEPARTMENT%", "Chemistry"),
              "Attn Chemistry, %DEPARTMENT%");
    EXPECT_EQ(ReplacePlaceholder("%DePaRtMeNt%", "%DEPARTMENT%", ""), "");
    EXPECT_EQ(ReplacePlaceholder("No placeholder", "%DEPARTMENT%", "Chemistry"), "No placeholder");
}

// A database with one location type and addresses: billing row 1 (null
// country), work location 2, a "-" row 3 and a row 4 without a code.
class ExportTest : public ::testing::Test, public AwardsDb {
protected:
    void SetUp() override
    {
        locationType("A", "Campus");
        sql(R"(Insert into "billing.db" (WorkLocCode, WorkLocCompany, WorkLocAttn, WorkLocAddress1, WorkLocStreet,
               WorkLocCity, WorkLocState, WorkLocZip, Label1, Label2)
               values ("BILL", "Central Billing Office of the University", "Accounts", "Room 1", "1 Main St",
                       "Springfield", "IL", "62701", "Dept: %department% / %department%", ""))");
        sql(R"(Insert into "billing.db" (WorkLocCode, WorkLocCompany, WorkLocAttn, WorkLocAddress1, WorkLocAddress2,
               WorkLocStreet, WorkLocCity, WorkLocState, WorkLocZip, WorkLocCountry, WorkLocEMail, WorkLocPhone)
               values ("WL", "North Mailroom", "Clerk", "Bldg 7", "Dock 2", "7 North Rd", "Riverton", "IL",
                       "62702", "USA", "mail@example.edu", "555-0100"))");
        sql(R"(Insert into "billing.db" (WorkLocCode, WorkLocCompany) values ("-", "Home Delivery"))");
        sql(R"(Insert into "billing.db" (WorkLocCompany) values ("No Code Co"))");
        addDepartment("NORM", 1, 2);
        addDepartment("DASHB", 3, 2);  // billing code "-"
        addDepartment("EMPTYW", 1, 4); // work location without code
        addDepartment("DASHW", 1, 3);  // work location "-"
        addDepartment("NOADDR", 1, 99);
        dm->DefaultCustomerCode = QStringLiteral("CUST000001");
        dm->DefaultAdministrativeCode = QStringLiteral("AD");
    }

    void addDepartment(const QString& code, int billing, int work)
    {
        sql(QStringLiteral("Insert into \"Depart.db\" (LocationCode, Description, LocationType, BillingLocCodeID, "
                           "WorkLocCodeID) values (\"%1\", \"Desc %1\", \"A\", %2, %3)")
                .arg(code)
                .arg(billing)
                .arg(work));
    }

    void person(const QString& id, const QString& dept, const QDate& date = QDate(1979, 3, 5),
                const QString& country = QString())
    {
        sql(QStringLiteral("Insert into \"Employee.db\" (EmployeeID, Name, AnvDate, LocationCode, Sex, EmpAddress1, "
                           "EmpAddress2, EmpStreet, EmpCity, EmpState, EmpZip, EmpCountry, EmpLabel1, EmpLabel2) "
                           "values (\"%1\", \"Name %1\", \"%2\", \"%3\", \"F\", \"A1 %1\", \"A2 %1\", \"St %1\", "
                           "\"City\", \"IL\", \"62703\", \"%4\", \"EL1 %1\", \"EL2 %1\")")
                .arg(id, date.toString("MM/dd/yyyy"), dept, country));
    }

    ExportResult run(const QString& file, bool append = false, const QString& month = QStringLiteral("Whole Year"))
    {
        ExportRequest r;
        r.period = period(month, QStringLiteral("1999"), QStringLiteral("A"));
        r.fileName = file;
        r.append = append;
        return runExport(r, *dm, workbook, nullptr);
    }

    QByteArray read(const QString& file)
    {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

    // The records of a tab-delimited file, by employee ID.
    std::map<QString, QStringList> records(const QString& file)
    {
        std::map<QString, QStringList> out;
        for (const QByteArray& line : read(file).split('\n')) {
            if (line.isEmpty())
                continue;
            const QStringList f = QString::fromLatin1(line.chopped(1)).split(u'\t');
            out[f.value(25)] = f;
        }
        return out;
    }

    TWorkbook workbook;
};

TEST_F(ExportTest, FixedWidthRecordsAreExactly1250CharactersEachFieldCutOrPadded)
{
    person("E1", "NORM");
    const QString file = tmp.file("out.txt");
    EXPECT_EQ(run(file).records, 1);
    const QByteArray bytes = read(file);
    ASSERT_EQ(bytes.size(), 1252);
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    // Field 4 (company, 35 wide) starts at 10 + 2 + 15 = 27: cut to 35 characters.
    EXPECT_EQ(bytes.mid(27, 35), QByteArray("Central Billing Office of the Unive"));
    // Field 25 (fax, 31 wide) is missing: 31 spaces. It starts after fields 1 to 24.
    int start = 0;
    for (int i = 0; i < 24; ++i)
        start += kExportWidths[size_t(i)];
    EXPECT_EQ(bytes.mid(start, 31), QByteArray(31, ' '));
    EXPECT_EQ(bytes.left(12), QByteArray("CUST000001AD"));
}

TEST_F(ExportTest, TabDelimitedFieldsAndRules)
{
    person("E1", "NORM");
    person("E2", "DASHB", QDate(1979, 3, 5), QString());
    person("E3", "EMPTYW");
    person("E4", "DASHW", QDate(1989, 12, 31), "CAN");
    person("E5", "NOADDR");
    person("E6", "NORM", QDate(1980, 1, 1));  // not a milestone year
    const QString file = tmp.file("out.prn");
    EXPECT_EQ(run(file).records, 4);
    const QByteArray bytes = read(file);
    for (const QByteArray& line : bytes.split('\n')) {
        if (!line.isEmpty()) {
            EXPECT_EQ(line.count('\t'), 41);
        }
    }
    const auto recs = records(file);
    ASSERT_EQ(recs.size(), 4u);
    EXPECT_EQ(recs.count("E5"), 0u);  // its department's work location does not exist

    const QStringList& n = recs.at("E1");
    EXPECT_EQ(n[2], QString("BILL"));
    EXPECT_EQ(n[11], QString("USA"));  // billing country null
    EXPECT_EQ(n[12], QString("WL"));
    EXPECT_EQ(n.mid(13, 9).join(u'|'), QString("North Mailroom|Clerk|Bldg 7|Dock 2|7 North Rd|Riverton|IL|62702|USA"));
    EXPECT_EQ(n[22] + u'|' + n[23] + u'|' + n[24], QString("mail@example.edu|555-0100|"));
    EXPECT_EQ(n[28], QString("03/05/1979"));
    EXPECT_EQ(n[30], QString("20"));
    EXPECT_EQ(n[31], QString(" "));
    EXPECT_EQ(n.mid(33, 7).join(u'|'), QString("A2 E1|St E1|A1 E1|City|IL|62703|USA"));
    EXPECT_EQ(n[40], QString("Dept: Desc NORM / %department%"));  // first placeholder only
    EXPECT_EQ(n[41], QString("EL2 E1"));  // blank Label2 is null: the employee's label

    // Billing code "-": field 3 empty, home address in the crossed order, company kept.
    const QStringList& b = recs.at("E2");
    EXPECT_EQ(b[2], QString());
    EXPECT_EQ(b[12], QString("WL"));
    EXPECT_EQ(b[13], QString("North Mailroom"));
    EXPECT_EQ(b.mid(14, 8).join(u'|'), QString("Name E2|A2 E2|St E2|A1 E2|City|IL|62703|USA"));
    EXPECT_EQ(b[39], QString("USA"));

    // Work location without a code, and with "-": field 13 empty, home address.
    for (const char* id : {"E3", "E4"}) {
        const QStringList& w = recs.at(id);
        EXPECT_EQ(w[12], QString()) << id;
        EXPECT_EQ(w[14], QString("Name ") + id) << id;
    }
    EXPECT_EQ(recs.at("E3")[13], QString("No Code Co"));
    EXPECT_EQ(recs.at("E4")[21], QString("CAN"));
    EXPECT_EQ(recs.at("E4")[30], QString("10"));
}

TEST_F(ExportTest, WorkLocationWithNullCountryGivesEmptyFieldWithoutSubstitution)
{
    sql(R"(Update "billing.db" Set WorkLocCountry = "" where WorkLocCode = "WL")");
    person("E1", "NORM");
    const QString file = tmp.file("out.prn");
    run(file);
    const auto recs = records(file);
    EXPECT_EQ(recs.at("E1")[21], QString());
    EXPECT_EQ(recs.at("E1")[39], QString("USA"));
}

TEST_F(ExportTest, MonthFilterAndPeriod)
{
    person("E1", "NORM", QDate(1979, 3, 5));
    person("E2", "NORM", QDate(1979, 4, 5));
    const QString file = tmp.file("out.prn");
    EXPECT_EQ(run(file, false, "March").records, 1);
    EXPECT_EQ(records(file).count("E1"), 1u);
    try {
        run(file, false, "march");
        FAIL() << "a month outside the list was accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("syntax error"), std::string::npos) << e.what();
    }
}

TEST_F(ExportTest, TextAppendAndReplace)
{
    person("E1", "NORM");
    const QString file = tmp.file("out.prn");
    {
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write("old line\r\n");
    }
    run(file, true);
    const QByteArray appended = read(file);
    EXPECT_TRUE(appended.startsWith("old line\r\n"));
    EXPECT_EQ(appended.count('\n'), 2);
    run(file, false);
    EXPECT_EQ(read(file).count('\n'), 1);
    EXPECT_FALSE(read(file).contains("old line"));

    try {
        run(tmp.file("missing.prn"), true);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    EXPECT_FALSE(QFile::exists(tmp.file("missing.prn")));
}

TEST_F(ExportTest, EmptySelection)
{
    const QString file = tmp.file("empty.txt");
    EXPECT_EQ(run(file).records, 0);
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(read(file).size(), 0);

    const QString kept = tmp.file("kept.prn");
    {
        QFile f(kept);
        f.open(QIODevice::WriteOnly);
        f.write("keep\r\n");
    }
    run(kept, true);
    EXPECT_EQ(read(kept), QByteArray("keep\r\n"));

    const QString xls = tmp.file("empty.xls");
    run(xls);
    TWorkbook check;
    check.Filename = xls.toStdString();
    check.Read();
    EXPECT_EQ(check.Sheets[0].LastRow(), -1);
}

TEST_F(ExportTest, WorkbookAppendsAfterItsLastRowAndReplacesWithoutAppend)
{
    for (int i = 0; i < 10; ++i)
        person(QStringLiteral("E%1").arg(i), "NORM");
    const QString xls = tmp.file("out.xls");
    EXPECT_EQ(run(xls).records, 10);
    TWorkbook check;
    check.Filename = xls.toStdString();
    check.Read();
    EXPECT_EQ(check.Sheets[0].LastRow(), 9);
    EXPECT_EQ(check.Sheets[0].LastCol(), 41);

    sql(R"(Delete from "Employee.db")");
    person("NEW1", "NORM");
    person("NEW2", "NORM");
    EXPECT_EQ(run(xls, true).records, 2);
    check.Read();
    EXPECT_EQ(check.Sheets[0].LastRow(), 11);
    EXPECT_EQ(check.Sheets[0].CellText(25, 0).value_or("?"), "E0");
    EXPECT_EQ(check.Sheets[0].CellText(25, 10).value_or("?").substr(0, 3), "NEW");
    EXPECT_EQ(check.Sheets[0].CellText(31, 10).value_or("?"), " ");

    // Without append, a shorter export leaves no row of the one before.
    run(xls, false);
    check.Read();
    EXPECT_EQ(check.Sheets[0].LastRow(), 1);
}

TEST_F(ExportTest, WorkbookThatWouldPassTheLastRowIsNotTouched)
{
    const QString xls = tmp.file("full.xls");
    {
        TWorkbook full;
        full.Filename = xls.toStdString();
        full.Clear();
        full.Sheets[0].SetCellText(0, 65530, "last");
        full.Write();
    }
    const QByteArray before = read(xls);
    for (int i = 0; i < 6; ++i)
        person(QStringLiteral("E%1").arg(i), "NORM");
    try {
        run(xls, true);
        FAIL() << "rows past the end of the sheet were accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("65536"), std::string::npos) << e.what();
    }
    EXPECT_EQ(read(xls), before);
    sql(R"(Delete from "Employee.db" where EmployeeID = "E5")");
    EXPECT_EQ(run(xls, true).records, 5);  // rows 65531 to 65535 fit
}

TEST_F(ExportTest, WorkbookOpensInXlrdWithTheTextsInColumnsAToAP)
{
    person("E1", "NORM");
    person("E2", "DASHB");
    const QString xls = tmp.file("check.xls");
    run(xls);
    const QString script = QStringLiteral(
        "import sys, xlrd\n"
        "book = xlrd.open_workbook(sys.argv[1])\n"
        "sheet = book.sheet_by_index(0)\n"
        "print(book.sheet_names()[0], sheet.nrows, sheet.ncols)\n"
        "for r in range(sheet.nrows):\n"
        "    print('|'.join(sheet.cell_value(r, c) for c in (0, 1, 25, 28, 30, 31, 41)))\n");
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, xls});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QString("Sheet 1 2 42"));
    QStringList rows = lines.mid(1);
    rows.sort();
    EXPECT_EQ(rows[0], QString("CUST000001|AD|E1|03/05/1979|20| |EL2 E1"));
    EXPECT_EQ(rows[1], QString("CUST000001|AD|E2|03/05/1979|20| |EL2 E2"));
}

TEST_F(ExportTest, LocationTypeMustBeChosen)
{
    ExportRequest r;
    r.fileName = tmp.file("x.txt");
    r.period.awardYearText = QStringLiteral("1999");
    try {
        runExport(r, *dm, workbook, nullptr);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Location Type To Export Not Selected");
    }
    EXPECT_FALSE(QFile::exists(r.fileName));
    r.period.locationType = QStringLiteral("A");
    r.period.awardYearText = QString();
    try {
        runExport(r, *dm, workbook, nullptr);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
    EXPECT_FALSE(QFile::exists(r.fileName));
}

}  // namespace
