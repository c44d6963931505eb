#include "data/query.h"

#include "data/convert.h"
#include "data/error.h"


namespace orvanta {

void Query::close()
{
    stmt_.reset();
    open_ = false;
    eof_ = true;
    empty_ = true;
    row_.clear();
}

void Query::open()
{
    close();
    translated_ = translateLocalSql(text());
    if (translated_.kind != TranslatedSql::Kind::Select && translated_.kind != TranslatedSql::Kind::Other)
        throw Error("Open needs a statement that returns rows; use execSQL for this one");
    runSelect();
}

void Query::runSelect()
{
    stmt_ = db_.run(translated_.sql, translated_.params);
    Statement* q = stmt_.get();

    // Result names: the second of two equal names gets "_1", as the program's
    // statements that join a table twice expect (WorkLocCode_1).
    names_.clear();
    isDate_.clear();
    index_.clear();
    for (int i = 0; i < q->columnCount(); ++i) {
        const QString base = q->columnName(i);
        QString name = base;
        for (int n = 1; index_.contains(name.toLower()); ++n)
            name = base + u'_' + QString::number(n);
        index_.insert(name.toLower(), i);
        names_.push_back(name);
        const char* decl = q->columnDecltype(i);
        isDate_.push_back(decl && qstricmp(decl, "DATE") == 0);
    }
    open_ = true;
    readRow();
    empty_ = eof_;
}

void Query::readRow()
{
    Statement* q = stmt_.get();
    if (!q->next()) {
        eof_ = true;
        row_.assign(names_.size(), QVariant());
        return;
    }
    eof_ = false;
    row_.resize(names_.size());
    for (size_t i = 0; i < names_.size(); ++i)
        row_[i] = q->value(int(i));
}

int Query::execSQL()
{
    close();
    return db_.execute(text());
}

void Query::first()
{
    if (!open_)
        throw Error("Cannot perform this operation on a closed dataset");
    stmt_.reset();
    runSelect();
}

void Query::next()
{
    if (!open_)
        throw Error("Cannot perform this operation on a closed dataset");
    if (!eof_)
        readRow();
}

int Query::recordCount()
{
    if (!open_)
        return 0;
    StatementLease c = db_.run(QStringLiteral("SELECT count(*) FROM (") + translated_.sql + u')', translated_.params);
    return c->next() ? c->value(0).toInt() : 0;
}

int Query::fieldIndex(QStringView name) const
{
    return index_.value(name.toString().toLower(), -1);
}

QVariant Query::value(int i) const
{
    if (i < 0 || size_t(i) >= row_.size())
        return QVariant();
    const QVariant& v = row_[size_t(i)];
    if (v.isNull())
        return QVariant();
    if (isDate_[size_t(i)]) {
        if (auto d = fromIsoDate(v.toString()))
            return *d;
        return QVariant();
    }
    return v;
}

QVariant Query::value(QStringView name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw Error(QStringLiteral("Field '%1' not found").arg(name).toStdString());
    return value(i);
}

QString Query::text(int i) const
{
    const QVariant v = value(i);
    if (v.isNull())
        return QString();
    if (v.metaType().id() == QMetaType::QDate)
        return formatAppDate(v.toDate());
    return v.toString();
}

QString Query::text(QStringView name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw Error(QStringLiteral("Field '%1' not found").arg(name).toStdString());
    return text(i);
}

}  // namespace orvanta
