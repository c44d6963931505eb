#include "awards/period.h"
#include "awardsdb.h"
#include "data/error.h"

#include <gtest/gtest.h>
#include <limits>

using namespace orvanta;
using namespace orvanta::test;

namespace {

TEST(MonthNumber, MatchesTheThirteenTextsExactly)
{
    const struct {
        const char* text;
        const char* number;
    } cases[] = {
        {"Whole Year", "0"}, {"January", "1"},    {"Febuary", "2"},  {"March", "3"},     {"April", "4"},
        {"May", "5"},        {"June", "6"},       {"July", "7"},     {"August", "8"},    {"September", "9"},
        {"October", "10"},   {"November", "11"},  {"December", "12"},
        // Anything else is no month: the right spelling, small letters, spaces, empty.
        {"February", ""},    {"january", ""},     {"WHOLE YEAR", ""}, {" March", ""},    {"March ", ""},
        {"", ""},            {"13", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MonthNumber(QString::fromLatin1(c.text)), QString::fromLatin1(c.number)) << c.text;
    EXPECT_EQ(monthTexts().size(), 13);
    EXPECT_EQ(monthTexts().at(2), QString("Febuary"));
}

TEST(MilestoneYears, ListsTheEightYearsLatestFirst)
{
    const struct {
        int year;
        const char* list;
    } cases[] = {
        {1999, "1994,1989,1984,1979,1974,1969,1964,1959"},
        {3, "-2,-7,-12,-17,-22,-27,-32,-37"},
        {0, "-5,-10,-15,-20,-25,-30,-35,-40"},
        // The ends of the award year box: exact, never wrapped round.
        {std::numeric_limits<int>::min(),
         "-2147483653,-2147483658,-2147483663,-2147483668,-2147483673,-2147483678,-2147483683,-2147483688"},
        {std::numeric_limits<int>::max(),
         "2147483642,2147483637,2147483632,2147483627,2147483622,2147483617,2147483612,2147483607"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MilestoneYears(c.year), QString::fromLatin1(c.list)) << c.year;
}

TEST(SortKey, DependsOnTheDialog)
{
    const struct {
        PeriodDialog dialog;
        SortChoice sort;
        const char* key;
    } cases[] = {
        {PeriodDialog::AwardList, SortChoice::Name, "E.Name"},
        {PeriodDialog::AwardList, SortChoice::YearsOfService, "YY, E.Name"},
        {PeriodDialog::DepartmentList, SortChoice::Name, "E.Name"},
        {PeriodDialog::DepartmentList, SortChoice::YearsOfService, "E.AnvDate"},
        {PeriodDialog::MailMerge, SortChoice::Name, "E.Name"},
        {PeriodDialog::MailMerge, SortChoice::YearsOfService, "E.AnvDate"},
        {PeriodDialog::Export, SortChoice::Name, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SortKey(c.dialog, c.sort), QString::fromLatin1(c.key)) << int(c.dialog) << int(c.sort);
    EXPECT_EQ(locationNotSelectedMessage(PeriodDialog::AwardList), QString("Location Type To Print Not Selected"));
    EXPECT_EQ(locationNotSelectedMessage(PeriodDialog::MailMerge), QString("Location Type To Export Not Selected"));
}

TEST(SelectionLines, WholeYearHasNoMonthLine)
{
    EXPECT_EQ(selection::selectionLines("A", MilestoneYears(1999), MonthNumber("Whole Year"), "E.Name"),
              (QStringList{
                  R"(FROM "Employee.db" E, "Depart.db" D)",
                  "WHERE (E.LocationCode = D.LocationCode) And",
                  R"((D.LocationType = "A") And)",
                  "(Extract(YEAR FROM E.AnvDate) IN (1994,1989,1984,1979,1974,1969,1964,1959))",
                  "ORDER BY E.Name",
              }));
}

TEST(SelectionLines, AMonthOrAnUnknownTextAddsTheMonthLine)
{
    const QStringList febuary = selection::selectionLines("A", MilestoneYears(1999), MonthNumber("Febuary"), "E.AnvDate");
    EXPECT_EQ(febuary.mid(3), (QStringList{
                                  "(Extract(YEAR FROM E.AnvDate) IN (1994,1989,1984,1979,1974,1969,1964,1959)) And",
                                  "(Extract(MONTH FROM E.AnvDate) = 2)",
                                  "ORDER BY E.AnvDate",
                              }));
    const QStringList february = selection::selectionLines("A", MilestoneYears(1999), MonthNumber("February"), "E.Name");
    EXPECT_EQ(february.at(4), QString("(Extract(MONTH FROM E.AnvDate) = )"));
}

TEST(SelectionLines, LocationKeyQuoteIsDoubledAndExportHasNoOrder)
{
    EXPECT_EQ(selection::locationTypeLine(R"(North "Campus")"), QString(R"((D.LocationType = "North ""Campus""") And)"));
    const QStringList lines = selection::selectionLines("A", MilestoneYears(1999), "0", QString());
    EXPECT_FALSE(lines.last().startsWith("ORDER BY")) << lines.last().toStdString();
    EXPECT_EQ(selection::periodLines("AnvDate", "1994", "3", ")"),
              (QStringList{"(Extract(YEAR FROM AnvDate) IN (1994)) And", "(Extract(MONTH FROM AnvDate) = 3))"}));
}

TEST(AwardPeriod, CaptionAndYearAreTheBoxTexts)
{
    AwardPeriod p = period("Febuary", "1999", "A");
    EXPECT_EQ(PeriodCaption(p), QString("Febuary 1999"));
    EXPECT_EQ(p.awardYear(), 1999);
    EXPECT_EQ(p.monthNumber(), QString("2"));
    for (const char* bad : {"", "abc", "19 99", "1999.0", "99999999999", "-"}) {
        p.awardYearText = QString::fromLatin1(bad);
        try {
            p.awardYear();
            ADD_FAILURE() << "no error for '" << bad << "'";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST(ReadPeriodSelection, ChecksTheLocationTypeBeforeTheYear)
{
    AwardPeriod p = period("Whole Year", "not a year", "A");
    p.locationType.reset();
    try {
        readPeriodSelection(p, PeriodDialog::MailMerge);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Location Type To Export Not Selected");
    }
    p.locationType = QString();  // an empty key is a choice, not the lack of one
    EXPECT_THROW(readPeriodSelection(p, PeriodDialog::MailMerge), Error);  // now the year fails
    p.awardYearText = "2000";
    const PeriodSelection v = readPeriodSelection(p, PeriodDialog::AwardList);
    EXPECT_EQ(v.milestoneYears, QString("1995,1990,1985,1980,1975,1970,1965,1960"));
    EXPECT_EQ(v.sortKey, QString("E.Name"));
}

// The selection run on the database.
class SelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.locationType("A", "Alpha");
        db.locationType("B", "Beta");
        db.locationType(R"(Q"uote)", "Quoted");
        db.department("D1", "A");
        db.department("D2", "A");
        db.department("D3", "B");
        db.department("D4", R"(Q"uote)");
    }

    QStringList select(const AwardPeriod& p, PeriodDialog dialog = PeriodDialog::MailMerge)
    {
        openSelection(db.dm->EmployeeQuery, "Select E.*, D.*", readPeriodSelection(p, dialog));
        QStringList names;
        for (Query& q = db.dm->EmployeeQuery; !q.eof(); q.next())
            names << q.text(u"Name");
        return names;
    }

    AwardsDb db;
};

TEST_F(SelectionTest, SelectsExactlyTheMilestoneYears)
{
    // Service dates 3 to 45 years before the award year 1999, in both departments of A.
    for (int years : {3, 5, 10, 15, 20, 25, 30, 35, 40, 45, 41, 4})
        db.employee(QStringLiteral("Y%1").arg(years, 2, 10, QChar('0')), QDate(1999 - years, 7, 1),
                    years % 2 ? "D1" : "D2");
    db.employee("NoDate", QDate(), "D1");
    db.employee("OtherType", QDate(1979, 7, 1), "D3");
    db.employee("NoDepartment", QDate(1979, 7, 1), "D9");
    EXPECT_EQ(select(period("Whole Year", "1999", "A")).join(u' '), QString("Y05 Y10 Y15 Y20 Y25 Y30 Y35 Y40"));
    EXPECT_EQ(select(period("Whole Year", "1999", "B")).join(u' '), QString("OtherType"));
    EXPECT_EQ(select(period("Whole Year", "1994", "A")).join(u' '), QString("Y10 Y15 Y20 Y25 Y30 Y35 Y40 Y45"));
    EXPECT_EQ(select(period("Whole Year", "3", "A")), QStringList());  // still built and run
}

TEST_F(SelectionTest, MonthLineKeepsOnlyThatMonth)
{
    db.employee("March79", QDate(1979, 3, 15), "D1");
    db.employee("March80", QDate(1980, 3, 15), "D1");  // not a milestone year
    db.employee("June79", QDate(1979, 6, 1), "D1");
    db.employee("Febuary89", QDate(1989, 2, 28), "D2");
    db.employee("December94", QDate(1994, 12, 31), "D1");
    const struct {
        const char* month;
        const char* names;
    } cases[] = {
        {"Whole Year", "December94 Febuary89 June79 March79"},
        {"March", "March79"},
        {"Febuary", "Febuary89"},
        {"December", "December94"},
        {"January", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(select(period(c.month, "1999", "A")).join(u' '), QString::fromLatin1(c.names)) << c.month;
}

TEST_F(SelectionTest, UnknownMonthTextIsRejectedByTheEngine)
{
    db.employee("March79", QDate(1979, 3, 15), "D1");
    for (const char* month : {"February", "january"}) {
        try {
            select(period(QString::fromLatin1(month), "1999", "A"));
            ADD_FAILURE() << "statement accepted for " << month;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("syntax error"), std::string::npos) << e.what();
        }
        EXPECT_FALSE(db.dm->EmployeeQuery.isOpen());
        EXPECT_TRUE(db.dm->EmployeeQuery.text().endsWith("(Extract(MONTH FROM E.AnvDate) = )\nORDER BY E.Name"));
    }
}

TEST_F(SelectionTest, BothSortOrders)
{
    db.employee("Baker", QDate(1959, 5, 1), "D1");
    db.employee("Adams", QDate(1994, 1, 1), "D1");
    db.employee("Carter", QDate(1959, 2, 1), "D2");
    db.employee("Davis", QDate(1979, 3, 1), "D1");
    EXPECT_EQ(select(period("Whole Year", "1999", "A", SortChoice::Name)).join(u' '),
              QString("Adams Baker Carter Davis"));
    // Earliest service date first, in the mail merge and the department list.
    EXPECT_EQ(select(period("Whole Year", "1999", "A", SortChoice::YearsOfService)).join(u' '),
              QString("Carter Baker Davis Adams"));
    // The award list sorts by year, then name, with its own select line naming YY.
    openSelection(db.dm->EmployeeQuery,
                  "Select  E.Name, E.EmployeeID, E.CampusMail, E.AnvDate, Extract(YEAR from E.Anvdate) As YY, "
                  "E.LocationCode, E.Supervisor, E.SupervisorMail",
                  readPeriodSelection(period("Whole Year", "1999", "A", SortChoice::YearsOfService),
                                      PeriodDialog::AwardList));
    QStringList names;
    for (Query& q = db.dm->EmployeeQuery; !q.eof(); q.next())
        names << q.text(u"Name");
    EXPECT_EQ(names.join(u' '), QString("Baker Carter Davis Adams"));
}

TEST_F(SelectionTest, LocationKeyWithAQuoteSelectsItsOwnDepartmentsOnly)
{
    db.employee("Quoted", QDate(1979, 3, 15), "D4");
    db.employee("Alpha", QDate(1979, 3, 15), "D1");
    EXPECT_EQ(select(period("Whole Year", "1999", R"(Q"uote)")).join(u' '), QString("Quoted"));
    // A key written to break out of its literal matches nothing.
    EXPECT_EQ(select(period("Whole Year", "1999", R"(A") Or ("1" = "1)")), QStringList());
}

}  // namespace
