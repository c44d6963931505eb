#include "data/convert.h"
#include "data/error.h"

#include <gtest/gtest.h>

using namespace orvanta;

namespace {

TEST(AppDate, ReadsMonthDayYearStrictly)
{
    struct Case {
        const char* text;
        QDate expected;  // invalid: not a date
    };
    const int ref = 2026;  // short years fall in 1976..2075
    const Case cases[] = {
        {"05/14/2001", QDate(2001, 5, 14)},
        {"5/14/2001", QDate(2001, 5, 14)},
        {" 5/ 14/ 2001", QDate(2001, 5, 14)},  // spaces before a number
        {"3/15/79", QDate(1979, 3, 15)},
        {"3/15/75", QDate(2075, 3, 15)},
        {"3/15/76", QDate(1976, 3, 15)},
        {"1/2/0", QDate(2000, 1, 2)},
        {"12/31", QDate(2026, 12, 31)},        // the reference year
        {"2/29/2000", QDate(2000, 2, 29)},
        {"14/05/2001", QDate()},
        {"2/29/2001", QDate()},
        {"05/14/2001 ", QDate()},              // the whole text must be used
        {"05-14-2001", QDate()},
        {"2001-05-14", QDate()},
        {"", QDate()},
        {"05/14/", QDate()},
        {"/14/2001", QDate()},
        {"1/1/10000", QDate()},                // no year beyond four digits
        {"1/1/0000", QDate()},
    };
    for (const Case& c : cases) {
        const auto got = tryReadAppDate(QString::fromLatin1(c.text), ref);
        if (c.expected.isValid()) {
            ASSERT_TRUE(got.has_value()) << c.text;
            EXPECT_EQ(*got, c.expected) << c.text;
        } else {
            EXPECT_FALSE(got.has_value()) << c.text << " read as " << got->toString().toStdString();
        }
    }
}

TEST(AppDate, FormatsWithLeadingZerosAndNamesBadText)
{
    EXPECT_EQ(formatAppDate(QDate(2001, 5, 14)), QString("05/14/2001"));
    EXPECT_EQ(formatAppDate(QDate(987, 1, 2)), QString("01/02/0987"));
    EXPECT_EQ(formatAppDate(QDate()), QString());
    try {
        readAppDate(QStringLiteral("14/05/2001"));
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'14/05/2001' is not a valid date");
    }
    EXPECT_EQ(fromIsoDate(toIsoDate(QDate(1959, 1, 10))), QDate(1959, 1, 10));
    EXPECT_FALSE(fromIsoDate(QStringLiteral("1959-02-30")).has_value());
}

TEST(Integers, ReadAsTypedOrNamed)
{
    EXPECT_EQ(tryReadInteger(QStringLiteral("1999")), 1999);
    EXPECT_EQ(tryReadInteger(QStringLiteral(" -3")), -3);
    EXPECT_EQ(tryReadInteger(QStringLiteral("+7")), 7);
    EXPECT_EQ(tryReadInteger(QStringLiteral("2147483647")), 2147483647);
    EXPECT_EQ(tryReadInteger(QStringLiteral("-2147483648")), -2147483647 - 1);
    for (const char* bad : {"", " ", "12x", "1 ", "2147483648", "-", "1.5", "0x10"})
        EXPECT_FALSE(tryReadInteger(QString::fromLatin1(bad)).has_value()) << bad;
    try {
        readInteger(QString());
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
}

TEST(SingleByteText, EveryByteIsOneCharacter)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(char(b));
    const QString text = fromBytes(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text[0xE9].unicode(), 0xE9);
    EXPECT_EQ(toBytes(text), all);
    EXPECT_EQ(toBytes(QString::fromUtf8("\xe2\x82\xac")), std::string("?"));  // no byte for the euro sign
}

}  // namespace
