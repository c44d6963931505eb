#include "awards/period.h"

#include "data/convert.h"
#include "data/error.h"
#include "data/query.h"

namespace orvanta {

const QStringList& monthTexts()
{
    static const QStringList texts = {
        QStringLiteral("Whole Year"), QStringLiteral("January"),  QStringLiteral("Febuary"),
        QStringLiteral("March"),      QStringLiteral("April"),    QStringLiteral("May"),
        QStringLiteral("June"),       QStringLiteral("July"),     QStringLiteral("August"),
        QStringLiteral("September"),  QStringLiteral("October"),  QStringLiteral("November"),
        QStringLiteral("December"),
    };
    return texts;
}

QString MonthNumber(const QString& monthText)
{
    const qsizetype i = monthTexts().indexOf(monthText);  // exact, with case
    return i < 0 ? QString() : QString::number(i);
}

QString MilestoneYears(int awardYear)
{
    QString list;
    for (int years = 5; years <= 40; years += 5) {
        if (!list.isEmpty())
            list += u',';
        list += QString::number(qint64(awardYear) - years);
    }
    return list;
}

QString SortKey(PeriodDialog dialog, SortChoice sort)
{
    if (dialog == PeriodDialog::Export)
        return QString();
    if (sort == SortChoice::Name)
        return QStringLiteral("E.Name");
    return dialog == PeriodDialog::AwardList ? QStringLiteral("YY, E.Name") : QStringLiteral("E.AnvDate");
}

QString locationNotSelectedMessage(PeriodDialog dialog)
{
    switch (dialog) {
    case PeriodDialog::AwardList:
    case PeriodDialog::DepartmentList: return QStringLiteral("Location Type To Print Not Selected");
    case PeriodDialog::MailMerge:
    case PeriodDialog::Export: break;
    }
    return QStringLiteral("Location Type To Export Not Selected");
}

QString PeriodCaption(const AwardPeriod& period)
{
    return period.monthText + u' ' + period.awardYearText;
}

QString AwardPeriod::monthNumber() const
{
    return MonthNumber(monthText);
}

int AwardPeriod::awardYear() const
{
    return readInteger(awardYearText);
}

namespace selection {

QString fromLine()
{
    return QStringLiteral("FROM \"Employee.db\" E, \"Depart.db\" D");
}

QString joinLine()
{
    return QStringLiteral("WHERE (E.LocationCode = D.LocationCode) And");
}

QString locationTypeLine(const QString& locationKey)
{
    return QStringLiteral("(D.LocationType = ") + quotedText(locationKey) + QStringLiteral(") And");
}

QString orderByLine(const QString& sortKey)
{
    return QStringLiteral("ORDER BY ") + sortKey;
}

QStringList periodLines(const QString& dateField, const QString& milestoneYears, const QString& monthNumber,
                        const QString& closing)
{
    const QString years = QStringLiteral("(Extract(YEAR FROM ") + dateField + QStringLiteral(") IN (")
                          + milestoneYears + QStringLiteral("))");
    // Only "0" leaves the month out; an empty month number (a text outside the
    // list) keeps the month line, and the engine rejects it.
    if (monthNumber == u"0")
        return {years + closing};
    return {years + QStringLiteral(" And"),
            QStringLiteral("(Extract(MONTH FROM ") + dateField + QStringLiteral(") = ") + monthNumber + u')'
                + closing};
}

QStringList selectionLines(const QString& locationKey, const QString& milestoneYears, const QString& monthNumber,
                           const QString& sortKey)
{
    QStringList lines{fromLine(), joinLine(), locationTypeLine(locationKey)};
    lines += periodLines(QStringLiteral("E.AnvDate"), milestoneYears, monthNumber);
    if (!sortKey.isEmpty())
        lines += orderByLine(sortKey);
    return lines;
}

}  // namespace selection

PeriodSelection readPeriodSelection(const AwardPeriod& period, PeriodDialog dialog)
{
    if (!period.locationType)
        throw Error(locationNotSelectedMessage(dialog).toStdString());
    PeriodSelection v;
    v.locationKey = *period.locationType;
    v.sortKey = SortKey(dialog, period.sort);
    v.monthNumber = period.monthNumber();
    v.awardYear = period.awardYear();
    v.milestoneYears = MilestoneYears(v.awardYear);
    return v;
}

void openSelection(Query& query, const QString& selectLine, const PeriodSelection& values)
{
    query.close();
    query.clear();
    query.add(selectLine);
    for (const QString& line :
         selection::selectionLines(values.locationKey, values.milestoneYears, values.monthNumber, values.sortKey))
        query.add(line);
    query.open();
}

}  // namespace orvanta
