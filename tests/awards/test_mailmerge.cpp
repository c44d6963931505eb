#include "awards/mailmerge.h"
#include "awardsdb.h"
#include "data/error.h"
#include "data/fileerror.h"
#include "data/outputfile.h"
#include "data/progress.h"

#include <QDir>
#include <QFile>
#include "support/errorof.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace orvanta;
using namespace orvanta::test;

namespace {

const QLocale kUnitedStates(QLocale::English, QLocale::UnitedStates);

std::string readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll().toStdString();
}

using orvanta::test::errorOf;

const std::string kHeader =
    "Name,Department,DeptShort,Address,ServiceDate,ServiceYears,Supervisor,SuperMail,EmployeeSSN,EmployeeID,"
    "EmployeeSex\r\n";

class MailMergeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.locationType("A", "Alpha");
        db.locationType("B", "Beta");
        db.department("ACCT", "A", "Accounting, Main Office", "ACCT");
        db.department("NOSH", "A", "Shipping", "");  // no short description
        db.department("OTHER", "B", "Elsewhere", "EL");
        db.employee({"1001", "Smith, Jane", QDate(1979, 3, 15), "ACCT", "Box 12", "Brown, Al", "Box 1", "123-45-6789",
                     "F"});
        db.employee({"1002", R"(O"Neil "Red")", QDate(1959, 11, 2), "NOSH", "", "", "", "", "M"});
        db.employee({"1003", "Zed", QDate(1994, 1, 31), "ACCT", "Line one\nLine two", "", "", "", ""});
        db.employee({"1004", "Other, Type", QDate(1979, 3, 15), "OTHER", "", "", "", "", ""});
        db.employee({"1005", "Not A Milestone", QDate(1980, 3, 15), "ACCT", "", "", "", "", ""});
    }

    void setMailExport(const QString& path)
    {
        db.sql(QStringLiteral("Delete from \"settings.db\""));
        db.sql(QStringLiteral("Insert into \"settings.db\" (MailExport) values (%1)").arg(quotedText(path)));
    }

    QString path(const QString& name) const { return db.tmp.file(name); }

    AwardsDb db;
};

TEST_F(MailMergeTest, WritesHeaderAndOneQuotedLinePerEmployee)
{
    setMailExport(path("merge.csv"));
    const MailMergeResult r = runMailMerge(period("Whole Year", "1999", "A"), *db.dm, nullptr, kUnitedStates);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.records, 3);
    EXPECT_EQ(r.fileName, path("merge.csv"));
    // Sorted by name; commas and line breaks stay inside the quotes, a quote is
    // doubled, the empty short description gives "".
    EXPECT_EQ(readFile(path("merge.csv")),
              kHeader
                  + "\"O\"\"Neil \"\"Red\"\"\",\"Shipping\",\"\",\"\",\"11/2/1959\",\"40\",\"\",\"\",\"\",\"1002\",\"M\"\r\n"
                    "\"Smith, Jane\",\"Accounting, Main Office\",\"ACCT\",\"Box 12\",\"3/15/1979\",\"20\",\"Brown, "
                    "Al\",\"Box 1\",\"123-45-6789\",\"1001\",\"F\"\r\n"
                    "\"Zed\",\"Accounting, Main Office\",\"ACCT\",\"Line one\nLine two\",\"1/31/1994\",\"5\",\"\","
                    "\"\",\"\",\"1003\",\"\"\r\n");
    // The selection stays open after its last record.
    EXPECT_TRUE(db.dm->EmployeeQuery.isOpen());
    EXPECT_TRUE(db.dm->EmployeeQuery.eof());
}

TEST_F(MailMergeTest, YearsOfServiceSortAndMonth)
{
    setMailExport(path("merge.csv"));
    runMailMerge(period("Whole Year", "1999", "A", SortChoice::YearsOfService), *db.dm, nullptr, kUnitedStates);
    const QList<QByteArray> lines = QByteArray::fromStdString(readFile(path("merge.csv"))).split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines[1].startsWith("\"O\"\"Neil")) << lines[1].constData();  // 1959 first
    EXPECT_TRUE(lines[2].startsWith("\"Smith, Jane\"")) << lines[2].constData();

    const MailMergeResult march = runMailMerge(period("March", "1999", "A"), *db.dm, nullptr, kUnitedStates);
    EXPECT_EQ(march.records, 1);
    EXPECT_NE(readFile(path("merge.csv")).find("\"Smith, Jane\""), std::string::npos);
}

TEST_F(MailMergeTest, EmptySelectionGivesTheHeaderLineOnly)
{
    setMailExport(path("merge.csv"));
    const MailMergeResult r = runMailMerge(period("April", "1999", "A"), *db.dm, nullptr, kUnitedStates);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.records, 0);
    EXPECT_EQ(readFile(path("merge.csv")), kHeader);
}

TEST_F(MailMergeTest, ReplacesTheFileEachTime)
{
    setMailExport(path("merge.csv"));
    QFile old(path("merge.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();
    runMailMerge(period("Whole Year", "1999", "A"), *db.dm, nullptr, kUnitedStates);
    const std::string first = readFile(path("merge.csv"));
    EXPECT_EQ(first.find("xxxxxxxxxx"), std::string::npos);
    runMailMerge(period("Whole Year", "1999", "A"), *db.dm, nullptr, kUnitedStates);
    EXPECT_EQ(readFile(path("merge.csv")), first);
}

TEST_F(MailMergeTest, EmptyMailExportWritesNothing)
{
    const MailMergeResult r = runMailMerge(period("Whole Year", "1999", "A"), *db.dm, nullptr, kUnitedStates);
    EXPECT_FALSE(r.written);
    EXPECT_TRUE(r.fileName.isEmpty());
    EXPECT_EQ(QDir(db.tmp.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).filter(".csv"), QStringList());
}

TEST_F(MailMergeTest, StopsBeforeTheFileOnBadInput)
{
    setMailExport(path("merge.csv"));
    AwardPeriod noLocation = period("Whole Year", "1999", "A");
    noLocation.locationType.reset();
    const struct {
        AwardPeriod period;
        const char* message;  // the start of the error text
    } cases[] = {
        {noLocation, "Location Type To Export Not Selected"},
        {period("Whole Year", "", "A"), "'' is not a valid integer value"},
        {period("Whole Year", "19x9", "A"), "'19x9' is not a valid integer value"},
        {period("february", "1999", "A"), "near \")\": syntax error"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(errorOf([&] { runMailMerge(c.period, *db.dm, nullptr, kUnitedStates); }).rfind(c.message, 0), 0u)
            << c.message;
        EXPECT_FALSE(QFile::exists(path("merge.csv"))) << c.message;
    }
}

TEST_F(MailMergeTest, FileErrorsReachTheCaller)
{
    QDir(db.tmp.path()).mkdir("folder");
    const struct {
        QString path;
        const char* message;
    } cases[] = {
        {path("no such folder/merge.csv"), "Invalid filename"},
        {path("folder"), "File access denied"},  // a folder, not a file
        {"/dev/full", "Disk full"},              // every write fails with ENOSPC
    };
    for (const auto& c : cases) {
        setMailExport(c.path);
        EXPECT_EQ(errorOf([&] { runMailMerge(period("Whole Year", "1999", "A"), *db.dm, nullptr, kUnitedStates); }),
                  c.message)
            << c.path.toStdString();
    }
}

TEST_F(MailMergeTest, ProgressHearsTheEndAlsoAfterAnError)
{
    struct Recorder : RequestProgress {
        void started(const QString& text) override { events << "started " + text; }
        void finished() override { events << "finished"; }
        QStringList events;
    } progress;
    setMailExport(path("merge.csv"));
    runMailMerge(period("Whole Year", "1999", "A"), *db.dm, &progress, kUnitedStates);
    EXPECT_EQ(progress.events, (QStringList{"started Exporting Data", "finished"}));
    progress.events.clear();
    EXPECT_THROW(runMailMerge(period("Whole Year", "x", "A"), *db.dm, &progress, kUnitedStates), Error);
    EXPECT_EQ(progress.events, (QStringList{"started Exporting Data", "finished"}));
    progress.events.clear();
    AwardPeriod none = period("Whole Year", "1999", "A");
    none.locationType.reset();
    EXPECT_THROW(runMailMerge(none, *db.dm, &progress, kUnitedStates), Error);
    EXPECT_EQ(progress.events, QStringList());  // the check comes before the label
}

TEST_F(MailMergeTest, NullServiceDateAndSingleByteText)
{
    db.employee({"2001", QString::fromUtf8("Mu\xc3\xb1oz \xe2\x82\xac"), QDate(), "ACCT", "", "", "", "", ""});
    Query& q = db.dm->EmployeeQuery;
    q.close();
    q.clear();
    q.add(R"(Select E.*, D.* FROM "Employee.db" E, "Depart.db" D WHERE (E.LocationCode = D.LocationCode) And (E.EmployeeID = "2001"))");
    q.open();
    EXPECT_EQ(writeMailMergeFile(q, 1999, path("one.csv"), kUnitedStates), 1);
    // n with tilde is the single byte 0xF1; the euro sign has none and becomes "?";
    // no service date leaves ServiceDate and ServiceYears empty.
    EXPECT_EQ(readFile(path("one.csv")).substr(kHeader.size()),
              std::string("\"Mu\xf1oz ?\",\"Accounting, Main Office\",\"ACCT\",\"\",\"\",\"\",\"\",\"\",\"\",\"2001\",\"\"\r\n"));
}

TEST(ServiceDate, RegionalShortFormWithFourDigitYear)
{
    const struct {
        QLocale locale;
        QDate date;
        const char* text;
    } cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), QDate(1979, 3, 15), "3/15/1979"},
        {QLocale(QLocale::English, QLocale::UnitedStates), QDate(1959, 1, 2), "1/2/1959"},
        {QLocale(QLocale::English, QLocale::UnitedStates), QDate(2059, 1, 2), "1/2/2059"},
        {QLocale(QLocale::German, QLocale::Germany), QDate(1979, 3, 15), "15.03.1979"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), QDate(1979, 3, 5), "05/03/1979"},
        {QLocale(QLocale::Japanese, QLocale::Japan), QDate(1979, 3, 5), "1979/03/05"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.locale.toString(c.date, serviceDateFormat(c.locale)), QString::fromLatin1(c.text))
            << c.locale.name().toStdString() << " " << c.locale.dateFormat(QLocale::ShortFormat).toStdString();
}

// Values are copied in groups of characters; a quote, a Latin-1 letter or a
// character beyond the single-byte range at any place of a value of any length
// must come out as the plain rule says.
TEST(MailMergeWriter, QuotesValuesOfEveryLengthAndPlace)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("values.csv");
    std::string expected = kHeader;
    {
        MailMergeWriter w(file, 2000, kUnitedStates);
        for (int length = 0; length <= 20; ++length)
            for (const char16_t special : {u'"', u'\u00e9', u'\u20ac', u'x'})
                for (int at = 0; at < std::max(length, 1); ++at) {
                    QString value;
                    std::string written;
                    for (int i = 0; i < length; ++i) {
                        const char16_t c = i == at ? special : char16_t(u'a' + i);
                        value += QChar(c);
                        written += c == u'"' ? std::string("\"\"") : std::string(1, c < 256 ? char(c) : '?');
                    }
                    MailMergeRecord r;
                    r.name = value;
                    r.sex = value;
                    w.write(r);
                    expected += "\"" + written + "\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"" + written + "\"\r\n";
                }
        w.close();
    }
    EXPECT_EQ(readFile(file), expected);
}

// The writer lays numeric date forms out itself; whatever it writes must be
// what QLocale writes for the same form, in every locale Qt knows.
TEST(ServiceDate, WriterAgreesWithQLocaleEverywhere)
{
    QTemporaryDir dir;
    const QDate dates[] = {QDate(1979, 3, 5), QDate(1959, 11, 25), QDate(2059, 1, 2), QDate(999, 12, 31)};
    int numericLocales = 0;
    for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                         QLocale::AnyTerritory)) {
        const QString file = dir.filePath("dates.csv");
        {
            MailMergeWriter w(file, 2000, locale);
            for (const QDate& d : dates)
                w.write(MailMergeRecord{{}, {}, {}, {}, d, {}, {}, {}, {}, {}});
            w.close();
        }
        std::string expected = kHeader;
        for (const QDate& d : dates) {
            std::string text;
            for (const QChar c : locale.toString(d, serviceDateFormat(locale)))
                text += c == u'"' ? std::string("\"\"") : std::string(1, c.unicode() < 256 ? char(c.unicode()) : '?');
            expected += "\"\",\"\",\"\",\"\",\"" + text + "\",\"" + std::to_string(2000 - d.year())
                        + "\",\"\",\"\",\"\",\"\",\"\"\r\n";
        }
        EXPECT_EQ(readFile(file), expected) << locale.name().toStdString() << " "
                                            << locale.dateFormat(QLocale::ShortFormat).toStdString();
        if (locale.zeroDigit() == u"0" && !locale.dateFormat(QLocale::ShortFormat).contains(u"MMM"))
            ++numericLocales;
    }
    EXPECT_GT(numericLocales, 100);  // the hand-made layout was checked, not only the fallback
}

TEST(FileError, MessagesOfTheRuntime)
{
    QTemporaryDir dir;
    const struct {
        int err;
        QString path;
        const char* text;
    } cases[] = {
        {ENOENT, dir.filePath("missing.txt"), "File not found"},
        {ENOENT, dir.filePath("no/such/folder.txt"), "Invalid filename"},
        {ENOENT, QString(), "Invalid filename"},
        {ENOTDIR, dir.filePath("x"), "Invalid filename"},
        {EACCES, dir.filePath("x"), "File access denied"},
        {EISDIR, dir.filePath("x"), "File access denied"},
        {EROFS, dir.filePath("x"), "File access denied"},
        {ENOSPC, dir.filePath("x"), "Disk full"},
        {EDQUOT, dir.filePath("x"), "Disk full"},
        {EIO, dir.filePath("x"), "I/O error 5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fileErrorText(c.err, c.path), QString::fromLatin1(c.text)) << c.err;
}

TEST(OutputFile, AppendNeedsTheFileAndKeepsItsContent)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("log.txt");
    EXPECT_EQ(errorOf([&] { OutputFile f(name, OutputFile::Mode::Append); }), "File not found");
    {
        OutputFile f(name, OutputFile::Mode::Replace);
        f.write("one\r\n");
        f.close();
    }
    {
        OutputFile f(name, OutputFile::Mode::Append);
        // More than one block, so that the buffer is written out on the way.
        for (int i = 0; i < 100000; ++i)
            f.write("0123456789");
        f.close();
    }
    const std::string all = readFile(name);
    EXPECT_EQ(all.size(), 5u + 1000000u);
    EXPECT_EQ(all.substr(0, 15), "one\r\n0123456789");
}

}  // namespace
