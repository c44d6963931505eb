#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace orvanta {

// The application's short date format is month/day/year with two-digit month
// and day and a four-digit year ("mm/dd/yyyy"), whatever the platform's own date
// order is. These helpers are the one place that writes and reads it.
inline constexpr const char* kAppDateFormat = "mm/dd/yyyy";

QString formatAppDate(const QDate& date);   // 05/14/2001; empty for an invalid date

// Reads month, day and year in that order, separated by "/". Spaces before a
// number are allowed; a year of one or two digits is placed in the hundred years
// that begin fifty years before the reference year; with only month and day the
// reference year is taken; the whole text must be used. A reference year of 0
// stands for this year.
std::optional<QDate> tryReadAppDate(const QString& text, int referenceYear = 0);
// The same with this year as reference; throws "'%s' is not a valid date".
QDate readAppDate(const QString& text);

// Dates are stored as ISO text YYYY-MM-DD.
QString toIsoDate(const QDate& date);
std::optional<QDate> fromIsoDate(const QString& text);

// A decimal integer as typed into a box or stored in a text: optional leading
// spaces, an optional sign and digits, within 32 bits. Throws
// "'%s' is not a valid integer value".
int readInteger(const QString& text);
std::optional<int> tryReadInteger(const QString& text);

// Single-byte text: each byte of a file is one character (code 0 to 255) and
// back. Characters above 255, which no import file can hold, become "?".
QString fromBytes(const std::string& bytes);
std::string toBytes(const QString& text);
// UTF-8 text as the database holds it, into single-byte text (replacing what
// `out` held); characters above 255 and broken sequences become "?".
void utf8ToBytes(const char* utf8, qsizetype size, std::string& out);

}  // namespace orvanta
