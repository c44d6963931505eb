#include "data/convert.h"

#include "data/error.h"

#include <QStringList>

namespace orvanta {

namespace {

// Writes n as at least `width` digits (zero-padded); years may be negative.
void putNumber(QChar*& p, int n, int width)
{
    if (n < 0) {
        *p++ = u'-';
        n = -n;
    }
    char16_t digits[12];
    int k = 0;
    do {
        digits[k++] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n > 0);
    while (k < width)
        digits[k++] = u'0';
    while (k > 0)
        *p++ = QChar(digits[--k]);
}

// Dates are formatted for every value of every imported or exported row, so
// this avoids QString::arg.
QString formatDate(const QDate& date, bool iso)
{
    if (!date.isValid())
        return QString();
    QString out(16, Qt::Uninitialized);
    QChar* p = out.data();
    if (iso) {
        putNumber(p, date.year(), 4);
        *p++ = u'-';
        putNumber(p, date.month(), 2);
        *p++ = u'-';
        putNumber(p, date.day(), 2);
    } else {
        putNumber(p, date.month(), 2);
        *p++ = u'/';
        putNumber(p, date.day(), 2);
        *p++ = u'/';
        putNumber(p, date.year(), 4);
    }
    out.truncate(p - out.data());
    return out;
}

}  // namespace

QString formatAppDate(const QDate& date)
{
    return formatDate(date, false);
}

namespace {

// One number of a date: optional spaces, then one or more digits. Returns the
// value and the digit count; advances pos.
bool readDateNumber(const QString& s, qsizetype& pos, int& value, int& digits)
{
    while (pos < s.size() && s[pos] == u' ')
        ++pos;
    value = 0;
    digits = 0;
    while (pos < s.size() && s[pos] >= u'0' && s[pos] <= u'9') {
        if (digits >= 9)
            return false;
        value = value * 10 + (s[pos].unicode() - u'0');
        ++digits;
        ++pos;
    }
    return digits > 0;
}

}  // namespace

std::optional<QDate> tryReadAppDate(const QString& text, int referenceYear)
{
    // Today's year is looked up only when a short or missing year needs it.
    auto reference = [&] { return referenceYear != 0 ? referenceYear : QDate::currentDate().year(); };
    qsizetype pos = 0;
    int month = 0, day = 0, year = 0, digits = 0, yearDigits = 4;
    if (!readDateNumber(text, pos, month, digits))
        return std::nullopt;
    if (pos >= text.size() || text[pos] != u'/')
        return std::nullopt;
    ++pos;
    if (!readDateNumber(text, pos, day, digits))
        return std::nullopt;
    if (pos < text.size()) {
        if (text[pos] != u'/')
            return std::nullopt;
        ++pos;
        if (!readDateNumber(text, pos, year, yearDigits))
            return std::nullopt;
        if (pos != text.size())
            return std::nullopt;
        if (yearDigits <= 2) {
            // The hundred years that begin fifty years before the reference year.
            const int start = reference() - 50;
            int candidate = (start / 100) * 100 + year;
            if (candidate < start)
                candidate += 100;
            year = candidate;
        }
    } else {
        year = reference();
    }
    // Years of four digits at most: the database keeps dates as YYYY-MM-DD.
    if (year < 1 || year > 9999)
        return std::nullopt;
    const QDate d(year, month, day);
    if (!d.isValid())
        return std::nullopt;
    return d;
}

QDate readAppDate(const QString& text)
{
    if (auto d = tryReadAppDate(text))
        return *d;
    throw Error(QStringLiteral("'%1' is not a valid date").arg(text).toStdString());
}

QString toIsoDate(const QDate& date)
{
    return formatDate(date, true);
}

std::optional<QDate> fromIsoDate(const QString& text)
{
    // YYYY-MM-DD exactly, as the database layer stores dates.
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return std::nullopt;
    bool okY = false, okM = false, okD = false;
    const int y = QStringView(text).mid(0, 4).toInt(&okY);
    const int m = QStringView(text).mid(5, 2).toInt(&okM);
    const int d = QStringView(text).mid(8, 2).toInt(&okD);
    if (!okY || !okM || !okD)
        return std::nullopt;
    const QDate date(y, m, d);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<int> tryReadInteger(const QString& text)
{
    qsizetype pos = 0;
    while (pos < text.size() && text[pos] == u' ')
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    if (pos >= text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > qint64(2147483648LL))
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < -2147483648LL || value > 2147483647LL)
        return std::nullopt;
    return int(value);
}

int readInteger(const QString& text)
{
    if (auto v = tryReadInteger(text))
        return *v;
    throw Error(QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
}

QString fromBytes(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string toBytes(const QString& text)
{
    std::string out;
    out.resize(size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        out[size_t(i)] = c <= 0xFF ? char(c) : '?';
    }
    return out;
}

}  // namespace orvanta

namespace orvanta {

void utf8ToBytes(const char* utf8, qsizetype size, std::string& out)
{
    out.resize(size_t(size));  // never longer than the UTF-8 text
    char* o = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    const auto* end = p + size;
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            *o++ = char(c);
            ++p;
        } else if ((c == 0xC2 || c == 0xC3) && p + 1 < end && (p[1] & 0xC0) == 0x80) {
            *o++ = char(((c & 0x03) << 6) | (p[1] & 0x3F));
            p += 2;
        } else {
            // A character beyond the single-byte range: one "?" for the whole sequence.
            *o++ = '?';
            ++p;
            while (p < end && (*p & 0xC0) == 0x80)
                ++p;
        }
    }
    out.resize(size_t(o - out.data()));
}

}  // namespace orvanta
