#include "data/error.h"
#include "data/localsql.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace orvanta;

namespace {

struct Case {
    const char* name;
    const char* dialect;
    const char* sqlite;
    QVariantList params;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class TranslateTest : public ::testing::TestWithParam<Case> {};

TEST_P(TranslateTest, GivesSqliteTextAndBoundValues)
{
    const Case& c = GetParam();
    // The second translation of a statement comes from the translations kept
    // by shape; both must be the same.
    for (int pass = 0; pass < 2; ++pass) {
        const TranslatedSql t = translateLocalSql(QString::fromUtf8(c.dialect));
        EXPECT_EQ(t.sql.toStdString(), std::string(c.sqlite)) << "pass " << pass;
        ASSERT_EQ(t.params.size(), c.params.size()) << "pass " << pass;
        for (int i = 0; i < c.params.size(); ++i) {
            EXPECT_EQ(t.params[i].isNull(), c.params[i].isNull()) << "param " << i << ", pass " << pass;
            EXPECT_EQ(t.params[i].toString().toStdString(), c.params[i].toString().toStdString())
                << "param " << i << ", pass " << pass;
        }
    }
}

TEST(Translate, StatementsOfOneShapeTakeTheirOwnValues)
{
    struct Shaped {
        const char* dialect;
        const char* sqlite;
        QVariantList params;
    };
    // Statements in a row that share a shape: each takes the kept translation
    // with its own values, or is translated afresh where the shape does not
    // decide the SQL (another table, another ORDER BY column).
    const Shaped cases[] = {
        {R"(Update "Employee.db" Set AnvDate = "5/14/2001", Name = "" where EmployeeID = "1")",
         R"(Update "Employee" Set AnvDate = ?, Name = ? where EmployeeID = ?)",
         {QString("2001-05-14"), QVariant(), QString("1")}},
        {R"(Update "Employee.db" Set AnvDate = "", Name = "A ""b""" where EmployeeID = "2")",
         R"(Update "Employee" Set AnvDate = ?, Name = ? where EmployeeID = ?)",
         {QVariant(), QString("A \"b\""), QString("2")}},
        {R"(Select * from "award" where AwardCode = "X")", R"(Select * from "award" where AwardCode = ?)",
         {QString("X")}},
        {R"(Select * from "Depart" where AwardCode = "Y")", R"(Select * from "Depart" where AwardCode = ?)",
         {QString("Y")}},
        {R"(Select * from "award.db" order by 1)", R"(Select * from "award" order by 1)", {}},
        {R"(Select * from "award.db" order by 2)", R"(Select * from "award" order by 2)", {}},
        {R"(Select * from "Employee.db" where EmployeeID IN (1.5, 2e3, 12))",
         R"(Select * from "Employee" where EmployeeID IN (?, ?, ?))", {1.5, 2000.0, qlonglong(12)}},
        {R"(Select * from "Employee.db" where EmployeeID IN (7, 8, 9))",
         R"(Select * from "Employee" where EmployeeID IN (?, ?, ?))", {qlonglong(7), qlonglong(8), qlonglong(9)}},
    };
    for (const Shaped& c : cases) {
        const TranslatedSql t = translateLocalSql(QString::fromUtf8(c.dialect));
        EXPECT_EQ(t.sql.toStdString(), std::string(c.sqlite)) << c.dialect;
        ASSERT_EQ(t.params.size(), c.params.size()) << c.dialect;
        for (int i = 0; i < c.params.size(); ++i) {
            EXPECT_EQ(t.params[i].isNull(), c.params[i].isNull()) << c.dialect << " param " << i;
            EXPECT_EQ(t.params[i].toString().toStdString(), c.params[i].toString().toStdString())
                << c.dialect << " param " << i;
        }
    }
    // A bad date in a statement of a known shape fails as it does the first time.
    translateLocalSql(R"(Update "Employee.db" Set AnvDate = "1/2/2003" where EmployeeID = "9")");
    try {
        translateLocalSql(R"(Update "Employee.db" Set AnvDate = "13/2/2003" where EmployeeID = "9")");
        FAIL() << "a bad date was taken";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'13/2/2003' is not a valid date");
    }
}

const Case kCases[] = {
    {"table_name_any_case", R"(Select * from "employee.DB")", R"(Select * from "Employee")", {}},
    {"table_name_upper", R"(Select * from "EMPLOYEE.db")", R"(Select * from "Employee")", {}},
    {"text_literal_is_parameter",
     R"(Select * from "Depart.db" where LocationCode = "AC-1")",
     R"(Select * from "Depart" where LocationCode = ?)", {QString("AC-1")}},
    {"doubled_quote_is_one_quote",
     R"(Select * from "Employee.db" where Name = "O""Neil; --x")",
     R"(Select * from "Employee" where Name = ?)", {QString("O\"Neil; --x")}},
    {"single_quote_inside_text", R"(Update "Employee.db" Set Name = "it's" where EmployeeID = "7")",
     R"(Update "Employee" Set Name = ? where EmployeeID = ?)", {QString("it's"), QString("7")}},
    {"empty_text_binds_null", R"(Update "Employee.db" Set SSN = "" where EmployeeID = "7")",
     R"(Update "Employee" Set SSN = ? where EmployeeID = ?)", {QVariant(), QString("7")}},
    {"extract_year_and_month_with_as_and_order",
     "Select Extract(YEAR from E.Anvdate) As YY, Extract(MONTH FROM E.AnvDate) AS MM\n"
     "FROM \"Employee.db\" E\nORDER BY YY, 2",
     "Select CAST(strftime('%Y', E.Anvdate) AS INTEGER) As YY, CAST(strftime('%m', E.AnvDate) AS INTEGER) AS MM\n"
     "FROM \"Employee\" E\nORDER BY YY, 2",
     {}},
    {"in_list_numbers_are_parameters",
     "Select * FROM \"Employee.db\" E WHERE (Extract(YEAR FROM E.AnvDate) IN (1994,-2))",
     "Select * FROM \"Employee\" E WHERE (CAST(strftime('%Y', E.AnvDate) AS INTEGER) IN (?,-?))",
     {qlonglong(1994), qlonglong(2)}},
    {"join_list_tables",
     "Select E.*, D.*\nFROM \"Employee.db\" E, \"Depart.db\" D\nWHERE (E.LocationCode = D.LocationCode) And\n"
     "(D.LocationType = \"A\") And",
     "Select E.*, D.*\nFROM \"Employee\" E, \"Depart\" D\nWHERE (E.LocationCode = D.LocationCode) And\n"
     "(D.LocationType = ?) And",
     {QString("A")}},
    {"billing_twice_and_location",
     R"(FROM "Employee.db" E, "Depart.db" D, "Billing.DB" B, "Billing.DB" L, "Location.DB" O)",
     R"(FROM "Employee" E, "Depart" D, "billing" B, "billing" L, "Location" O)", {}},
    {"delete_with_alias_and_subselect",
     "DELETE\nFROM \"EmpAward.db\" A\nWHERE EmployeeID IN(Select EmployeeID from \"Employee.db\" E\nWHERE\n"
     "(Extract(YEAR FROM E.AnvDate) IN (1994)))",
     "DELETE\nFROM \"EmpAward\" AS A\nWHERE EmployeeID IN(Select EmployeeID from \"Employee\" E\nWHERE\n"
     "(CAST(strftime('%Y', E.AnvDate) AS INTEGER) IN (?)))",
     {qlonglong(1994)}},
    {"delete_all", "DELETE\nFROM \"Employee.db\"", "DELETE\nFROM \"Employee\"", {}},
    {"is_null", R"(Update "Depart.db" Set WorkLocCodeID = 3 where WorkLocCodeID IS NULL)",
     R"(Update "Depart" Set WorkLocCodeID = ? where WorkLocCodeID IS NULL)", {qlonglong(3)}},
    {"date_assigned_month_day_year", R"(Update "Employee.db" Set AnvDate = "05/14/2001" where EmployeeID = "1")",
     R"(Update "Employee" Set AnvDate = ? where EmployeeID = ?)", {QString("2001-05-14"), QString("1")}},
    {"date_compared_literal_first", R"(Select * from "Employee.db" E where "1/2/1990" <= E.AnvDate)",
     R"(Select * from "Employee" E where ? <= E.AnvDate)", {QString("1990-01-02")}},
    {"date_in_insert_values",
     R"(Insert into "Employee.db" (EmployeeID, AnvDate, Name) values ("1", "3/15/1979", "x"))",
     R"(Insert into "Employee" (EmployeeID, AnvDate, Name) values (?, ?, ?))",
     {QString("1"), QString("1979-03-15"), QString("x")}},
    {"text_compared_with_non_date_stays", R"(Select * from "Employee.db" where Name = "3/15/1979")",
     R"(Select * from "Employee" where Name = ?)", {QString("3/15/1979")}},
    {"trailing_semicolon_dropped", R"(Delete from "award.db";)", R"(Delete from "award")", {}},
    {"empty_month_number_left_for_engine", "(Extract(MONTH FROM E.AnvDate) = )",
     "(CAST(strftime('%m', E.AnvDate) AS INTEGER) = )", {}},
};

INSTANTIATE_TEST_SUITE_P(Dialect, TranslateTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Translate, KindAndTargetTable)
{
    EXPECT_EQ(translateLocalSql(R"(Update "employee.db" Set Name = "x")").targetTable, QString("Employee"));
    EXPECT_EQ(translateLocalSql(R"(DELETE FROM "EmpAward.db" A WHERE EmployeeID IN(Select EmployeeID from "Employee.db"))")
                  .targetTable,
              QString("EmpAward"));
    EXPECT_EQ(translateLocalSql(R"(Select * from "award.db")").kind, TranslatedSql::Kind::Select);
    EXPECT_TRUE(translateLocalSql(R"(Select * from "award.db")").targetTable.isEmpty());
}

TEST(Translate, RejectsWhatCouldChangeTheStatement)
{
    struct Bad {
        const char* sql;
        const char* message;
    };
    const Bad bad[] = {
        {R"(Select * from "award.db" where AwardCode = "open)", "closing quote"},
        {R"(Delete from "award.db"; Delete from "Employee.db")", "one statement"},
        {R"(Update "Employee.db" Set AnvDate = "14/05/2001")", "'14/05/2001' is not a valid date"},
    };
    for (const Bad& b : bad) {
        try {
            translateLocalSql(QString::fromUtf8(b.sql));
            ADD_FAILURE() << "accepted: " << b.sql;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(b.message), std::string::npos) << e.what();
        }
    }
}

TEST(Translate, SameShapeGivesSameTextForCaching)
{
    const auto a = translateLocalSql(R"(Select * from "Employee.db" where EmployeeID = "1")");
    const auto b = translateLocalSql(R"(Select * from "Employee.db" where EmployeeID = "a much longer value")");
    EXPECT_EQ(a.sql, b.sql);
}

}  // namespace

namespace {

TEST(Translate, QuotedTextDoublesEmbeddedQuotes)
{
    EXPECT_EQ(quotedText(""), QString(R"("")"));
    EXPECT_EQ(quotedText("plain"), QString(R"("plain")"));
    EXPECT_EQ(quotedText(R"(say "hi")"), QString(R"("say ""hi""")"));
    EXPECT_EQ(quotedText(R"(")"), QString(R"("""")"));
    // What it makes reads back as the value it was made from.
    for (const char* v : {"", "a", "\"", "\"\"", "x\"y", "\"lead", "trail\"", "; --"}) {
        const TranslatedSql t = translateLocalSql("Select * from \"award.db\" where AwardCode = "
                                                  + quotedText(QString::fromLatin1(v)));
        ASSERT_EQ(t.params.size(), 1);
        EXPECT_EQ(t.params[0].toString(), QString::fromLatin1(v)) << v;
    }
}

}  // namespace
