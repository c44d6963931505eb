#include "data/query.h"

#include "data/convert.h"
#include "data/error.h"


namespace orvanta {

void Query::close()
{
    stmt_.reset();
    cols_ = nullptr;
    open_ = false;
    eof_ = true;
    empty_ = true;
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

    cols_ = &q->columns();
    open_ = true;
    readRow();
    empty_ = eof_;
    atFirst_ = true;
}

void Query::readRow()
{
    // The values stay in the statement's current row and are converted only
    // when asked for.
    eof_ = !stmt_->next();
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
    if (atFirst_)
        return;  // still on the first row: no need to run the statement again
    stmt_.reset();
    runSelect();
}

void Query::next()
{
    if (!open_)
        throw Error("Cannot perform this operation on a closed dataset");
    if (!eof_) {
        readRow();
        atFirst_ = false;
    }
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
    return cols_ ? cols_->indexOf(name) : -1;
}

QVariant Query::value(int i) const
{
    if (!open_ || eof_ || i < 0 || size_t(i) >= cols_->names.size())
        return QVariant();
    const QVariant v = stmt_->value(i);
    if (v.isNull())
        return QVariant();
    if (cols_->isDate[size_t(i)]) {
        if (auto d = fromIsoDate(v.toString()))
            return *d;
        return QVariant();
    }
    return v;
}

QByteArrayView Query::utf8(int i) const
{
    if (!open_ || eof_ || i < 0 || size_t(i) >= cols_->names.size())
        return QByteArrayView();
    return stmt_->utf8(i);
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
