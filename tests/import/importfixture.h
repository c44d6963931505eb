#pragma once

// A database with a settings record for a tab-separated employee file whose
// fields stand in the order of the import's field table (field n of the line
// is import field n), and a writer for such files.

#include "data/datamodule.h"
#include "import/fields.h"
#include "support/tempdb.h"

#include <QFile>
#include <QStringList>

namespace orvanta::test {

struct ImportFixture {
    TempDb tmp;
    std::unique_ptr<TDataModule2> dm = tmp.module();
    QString employeeFile = tmp.file(QStringLiteral("employees.txt"));
    QString awardFile = tmp.file(QStringLiteral("awards.txt"));

    ImportFixture()
    {
        QString cols = QStringLiteral("EmpFileName, EmpLines, AwardFileName, AwardsLines, AwardCodeS, AwardCodeL, "
                                      "AwardDescS, AwardDescL, DefaultLocation, WorkLocCodeID");
        QString vals = QStringLiteral("\"%1\", 0, \"%2\", 0, 1, 0, 2, 0, \"MAIN\", 7").arg(employeeFile, awardFile);
        for (size_t i = 0; i < kEmployeeFieldCount; ++i) {
            cols += QStringLiteral(", %1, %2").arg(QLatin1String(kEmployeeFields[i].settings.start),
                                                   QLatin1String(kEmployeeFields[i].settings.length));
            vals += QStringLiteral(", %1, 0").arg(i + 1);
        }
        sql(QStringLiteral("Insert into \"settings.db\" (%1) values (%2)").arg(cols, vals));
        dm->LoadDefaults();
    }

    void sql(const QString& s) { dm->MasterDatabase.execute(s); }

    void setting(const QString& field, const QString& value)
    {
        sql(QStringLiteral("Update \"settings.db\" Set %1 = %2").arg(field, value));
    }

    // One tab-separated employee line; fields not given are empty.
    static QByteArray line(const QString& id, const QString& name, const QString& date, const QString& dept,
                           const QStringList& more = {})
    {
        QStringList f;
        f.resize(qsizetype(kEmployeeFieldCount));
        f[0] = id;
        f[1] = name;
        f[3] = date;
        f[6] = dept;
        f[7] = QStringLiteral("Dept ") + dept;
        f[9] = dept.left(3);
        for (int i = 0; i + 1 < more.size(); i += 2)
            f[more[i].toInt() - 1] = more[i + 1];
        return f.join(u'\t').toLatin1();
    }

    static void write(const QString& path, const QList<QByteArray>& lines, const QByteArray& end = "\r\n")
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        for (const QByteArray& l : lines)
            file.write(l + end);
    }

    QString one(const QString& select)
    {
        Query q(dm->MasterDatabase);
        q.add(select);
        q.open();
        return q.eof() ? QStringLiteral("<none>") : q.text(0);
    }

    int count(const QString& table) { return one(QStringLiteral("Select count(*) from \"%1\"").arg(table)).toInt(); }
};

}  // namespace orvanta::test
