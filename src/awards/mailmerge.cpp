#include "awards/mailmerge.h"

#include "data/datamodule.h"
#include "data/error.h"
#include "data/outputfile.h"
#include "data/progress.h"
#include "data/query.h"

#include <charconv>
#include <cstring>
#include <unordered_map>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvanta {

namespace {

// Writes a value between double quotes at p, an embedded double quote doubled,
// as single-byte text the way the tables keep it (a character above 255
// becomes "?", as toBytes does); p has room for 2 * size + 2 bytes. Returns
// the end. Most values hold neither a quote nor such a character: those of
// eight characters or more are narrowed eight at a time (SSE2), the last
// group overlapping the one before, the shorter ones in one pass that only
// notes whether anything needs the careful way.
char* putQuoted(char* p, QStringView text)
{
    const char16_t* s = text.utf16();
    const size_t n = size_t(text.size());
    *p++ = '"';
    bool plain = false;
#if defined(__SSE2__)
    if (n >= 8) {
        const __m128i quote = _mm_set1_epi16(u'"');
        const __m128i high = _mm_set1_epi16(short(0xFF00));
        const __m128i zero = _mm_setzero_si128();
        auto group = [&](size_t at) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
            const __m128i narrow = _mm_cmpeq_epi16(_mm_and_si128(v, high), zero);
            const __m128i ok = _mm_andnot_si128(_mm_cmpeq_epi16(v, quote), narrow);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(p + at), _mm_packus_epi16(v, v));
            return _mm_movemask_epi8(ok) == 0xFFFF;
        };
        plain = true;
        size_t i = 0;
        for (; plain && i + 8 <= n; i += 8)
            plain = group(i);
        if (plain && i < n)
            plain = group(n - 8);
    } else
#endif
    {
        unsigned special = 0;
        for (size_t i = 0; i < n; ++i) {
            const char16_t u = s[i];
            special |= unsigned(u >> 8) | unsigned(u == u'"');
            p[i] = char(u);
        }
        plain = special == 0;
    }
    if (plain) {
        p += n;
        *p++ = '"';
        return p;
    }
    // Bytes written above for this value are overwritten from its start.
    for (size_t i = 0; i < n; ++i) {
        const char16_t u = s[i];
        if (u == u'"') {
            *p++ = '"';
            *p++ = '"';
        } else {
            *p++ = u < 256 ? char(u) : '?';
        }
    }
    *p++ = '"';
    return p;
}

void writeQuoted(OutputFile& file, QStringView text)
{
    file.commit(putQuoted(file.reserve(size_t(text.size()) * 2 + 2), text));
}

// The ServiceDate texts. A numeric short form (day, month and year as numbers
// with literal separators, the locale writing its digits as 0 to 9) is laid out
// here directly, which is what nearly every locale's short form is; any other
// form (month names, other digits) goes through QLocale, each date once.
class ServiceDates {
public:
    explicit ServiceDates(const QLocale& locale) : locale_(locale), format_(serviceDateFormat(locale))
    {
        numeric_ = compile();
    }

    // Appends the quoted date text; year, month and day are those of `date`.
    void write(OutputFile& file, const QDate& date, int y, int m, int d)
    {
        if (numeric_) {
            char* p = file.reserve(literalBytes_ + tokens_.size() * 13 + 2);
            *p++ = '"';
            for (const Token& t : tokens_)
                p = put(p, t, y, m, d);
            *p++ = '"';
            file.commit(p);
            return;
        }
        auto it = texts_.find(date.toJulianDay());
        if (it == texts_.end())
            it = texts_.emplace(date.toJulianDay(), locale_.toString(date, format_)).first;
        writeQuoted(file, it->second);
    }

private:
    enum class Kind { Literal, Day, Day2, Month, Month2, Year };
    struct Token {
        Kind kind;
        std::string literal;
    };

    // Day and month: one or two digits, or always two.
    static char* small(char* p, int value, bool twoDigits)
    {
        if (twoDigits || value >= 10)
            *p++ = char('0' + value / 10);
        *p++ = char('0' + value % 10);
        return p;
    }

    // The year in at least four digits, with a minus sign before the common era.
    static char* year(char* p, int value)
    {
        if (value >= 0 && value <= 9999) {
            p[0] = char('0' + value / 1000);
            p[1] = char('0' + value / 100 % 10);
            p[2] = char('0' + value / 10 % 10);
            p[3] = char('0' + value % 10);
            return p + 4;
        }
        if (value < 0)
            *p++ = '-';
        char digits[12];
        const auto r = std::to_chars(digits, digits + sizeof digits, value < 0 ? -qint64(value) : qint64(value));
        for (auto n = r.ptr - digits; n < 4; ++n)
            *p++ = '0';
        for (const char* d = digits; d < r.ptr; ++d)
            *p++ = *d;
        return p;
    }

    static char* put(char* p, const Token& t, int y, int m, int d)
    {
        switch (t.kind) {
        case Kind::Literal:
            for (const char c : t.literal)
                *p++ = c;
            return p;
        case Kind::Day: return small(p, d, false);
        case Kind::Day2: return small(p, d, true);
        case Kind::Month: return small(p, m, false);
        case Kind::Month2: return small(p, m, true);
        case Kind::Year: return year(p, y);
        }
        return p;
    }

    void literal(QChar c)
    {
        if (tokens_.empty() || tokens_.back().kind != Kind::Literal)
            tokens_.push_back({Kind::Literal, {}});
        const char16_t u = c.unicode();
        tokens_.back().literal.push_back(u < 256 ? char(u) : '?');
        if (u == u'"')
            tokens_.back().literal.push_back('"');
    }

    // Splits the format into tokens; false when it is not a numeric form.
    bool compile()
    {
        if (locale_.zeroDigit() != QStringLiteral("0"))
            return false;
        const QString& f = format_;
        for (qsizetype i = 0; i < f.size();) {
            const QChar c = f[i];
            if (c == u'\'') {
                // A quoted literal; '' inside it, or on its own, is one quote.
                qsizetype j = i + 1;
                if (j < f.size() && f[j] == u'\'') {
                    literal(u'\'');
                    i = j + 1;
                    continue;
                }
                for (; j < f.size(); ++j) {
                    if (f[j] == u'\'') {
                        if (j + 1 < f.size() && f[j + 1] == u'\'') {
                            literal(u'\'');
                            ++j;
                            continue;
                        }
                        break;
                    }
                    literal(f[j]);
                }
                i = j + 1;
                continue;
            }
            qsizetype run = 1;
            while (i + run < f.size() && f[i + run] == c)
                ++run;
            if (c == u'd' && run <= 2)
                tokens_.push_back({run == 1 ? Kind::Day : Kind::Day2, {}});
            else if (c == u'M' && run <= 2)
                tokens_.push_back({run == 1 ? Kind::Month : Kind::Month2, {}});
            else if (c == u'y' && run == 4)
                tokens_.push_back({Kind::Year, {}});
            else if (c.isLetter())
                return false;  // names of days or months, eras, ...
            else
                for (qsizetype k = 0; k < run; ++k)
                    literal(c);
            i += run;
        }
        for (const Token& t : tokens_)
            literalBytes_ += t.literal.size();
        return true;
    }

    QLocale locale_;
    QString format_;
    bool numeric_ = false;
    std::vector<Token> tokens_;
    size_t literalBytes_ = 0;
    std::unordered_map<qint64, QString> texts_;
};

}  // namespace

QString serviceDateFormat(const QLocale& locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString out;
    out.reserve(format.size() + 2);
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == u'y') {
            // Any run of y (yy, yyyy, a lone y) becomes the four-digit year.
            while (i + 1 < format.size() && format[i + 1] == u'y')
                ++i;
            out += QStringLiteral("yyyy");
        } else {
            out += c;
        }
    }
    return out;
}

struct MailMergeWriter::Impl {
    Impl(const QString& fileName, int year, const QLocale& locale)
        : file(fileName, OutputFile::Mode::Replace), awardYear(year), dates(locale)
    {
    }
    OutputFile file;
    int awardYear;
    ServiceDates dates;
};

MailMergeWriter::MailMergeWriter(const QString& fileName, int awardYear, const QLocale& dateLocale)
    : d_(std::make_unique<Impl>(fileName, awardYear, dateLocale))
{
    d_->file.write(kMailMergeHeader);
    d_->file.write("\r\n");
}

MailMergeWriter::~MailMergeWriter() = default;

void MailMergeWriter::write(const MailMergeRecord& r)
{
    OutputFile& f = d_->file;
    auto room = [](std::initializer_list<const QString*> texts) {
        size_t bytes = 8;  // quotes are counted with the texts; commas and the line end
        for (const QString* t : texts)
            bytes += size_t(t->size()) * 2 + 3;
        return bytes;
    };

    char* p = f.reserve(room({&r.name, &r.department, &r.deptShort, &r.address}));
    p = putQuoted(p, r.name);
    *p++ = ',';
    p = putQuoted(p, r.department);
    *p++ = ',';
    p = putQuoted(p, r.deptShort);
    *p++ = ',';
    p = putQuoted(p, r.address);
    *p++ = ',';
    f.commit(p);

    if (r.serviceDate.isValid()) {
        int year = 0, month = 0, day = 0;
        r.serviceDate.getDate(&year, &month, &day);
        d_->dates.write(f, r.serviceDate, year, month, day);
        p = f.reserve(24);
        *p++ = ',';
        *p++ = '"';
        p = std::to_chars(p, p + 20, qint64(d_->awardYear) - year).ptr;
        *p++ = '"';
        *p++ = ',';
        f.commit(p);
    } else {
        f.write("\"\",\"\",");  // no service date: ServiceDate and ServiceYears empty
    }

    p = f.reserve(room({&r.supervisor, &r.superMail, &r.ssn, &r.employeeId, &r.sex}));
    p = putQuoted(p, r.supervisor);
    *p++ = ',';
    p = putQuoted(p, r.superMail);
    *p++ = ',';
    p = putQuoted(p, r.ssn);
    *p++ = ',';
    p = putQuoted(p, r.employeeId);
    *p++ = ',';
    p = putQuoted(p, r.sex);
    *p++ = '\r';
    *p++ = '\n';
    f.commit(p);
    ++records_;
}

void MailMergeWriter::close()
{
    d_->file.close();
}

long long writeMailMergeFile(Query& selection, int awardYear, const QString& fileName, const QLocale& dateLocale,
                             RequestProgress* progress)
{
    // Fields by name, looked up once; a missing one stops before the file is touched.
    const char* const names[] = {"Name",       "Description",    "ShortDescription", "CampusMail", "AnvDate",
                                 "Supervisor", "SupervisorMail", "SSN",              "EmployeeID", "Sex"};
    int column[10];
    for (int i = 0; i < 10; ++i) {
        column[i] = selection.fieldIndex(QString::fromLatin1(names[i]));
        if (column[i] < 0)
            throw Error(QStringLiteral("Field '%1' not found").arg(QLatin1String(names[i])).toStdString());
    }

    MailMergeWriter writer(fileName, awardYear, dateLocale);
    MailMergeRecord r;
    // The selection is read from its current record, which right after it was
    // opened is its first one. Query::first() would run the statement again.
    for (; !selection.eof(); selection.next()) {
        r.name = selection.value(column[0]).toString();
        r.department = selection.value(column[1]).toString();
        r.deptShort = selection.value(column[2]).toString();
        r.address = selection.value(column[3]).toString();
        r.serviceDate = selection.value(column[4]).toDate();
        r.supervisor = selection.value(column[5]).toString();
        r.superMail = selection.value(column[6]).toString();
        r.ssn = selection.value(column[7]).toString();
        r.employeeId = selection.value(column[8]).toString();
        r.sex = selection.value(column[9]).toString();
        writer.write(r);
        if (progress && writer.records() % 1000 == 0)
            progress->progressed(QStringLiteral("Records Exported = %1").arg(writer.records()), writer.records());
    }
    writer.close();
    return writer.records();
}

int openMailMergeSelection(const AwardPeriod& period, TDataModule2& dm)
{
    const PeriodSelection values = readPeriodSelection(period, PeriodDialog::MailMerge);
    openSelection(dm.EmployeeQuery, QString::fromLatin1(kMailMergeSelectLine), values);
    return values.awardYear;
}

MailMergeResult exportMailMergeFile(TDataModule2& dm, int awardYear, RequestProgress* progress,
                                    const QLocale& dateLocale)
{
    MailMergeResult result;
    // The settings table stays on its one record; reading does not move it.
    result.fileName = dm.SettingsTable.text(u"MailExport");
    if (result.fileName.isEmpty())
        return result;
    result.records = writeMailMergeFile(dm.EmployeeQuery, awardYear, result.fileName, dateLocale, progress);
    result.written = true;
    return result;
}

MailMergeResult runMailMerge(const AwardPeriod& period, TDataModule2& dm, RequestProgress* progress,
                             const QLocale& dateLocale)
{
    if (!period.locationType)
        throw Error(locationNotSelectedMessage(PeriodDialog::MailMerge).toStdString());
    ProgressScope scope(progress, QStringLiteral("Exporting Data"));
    const int awardYear = openMailMergeSelection(period, dm);
    return exportMailMergeFile(dm, awardYear, progress, dateLocale);
}

}  // namespace orvanta
