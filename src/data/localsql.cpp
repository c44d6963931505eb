#include "data/localsql.h"

#include "data/convert.h"
#include "data/error.h"
#include "data/schema.h"

#include <QHash>
#include <algorithm>
#include <string_view>
#include <vector>

namespace orvanta {
namespace {

// Words of the dialect that the translator acts on, recognised once per token.
enum class Kw : unsigned char {
    None, Select, With, Insert, Replace, Update, Delete, From, Into, Join, Order, Group, By,
    Values, Extract, Year, Month, Day, As, Not, Where, Having, Union, Except, Intersect, Limit,
    Set, On, Inner, Left, Right, Outer, Cross, Natural, Using, Indexed, Default, Returning,
};

struct KeywordInfo {
    std::string_view upper;
    Kw kw;
    bool clause;  // ends a FROM list; never a table alias
};

constexpr KeywordInfo kKeywords[] = {
    {"SELECT", Kw::Select, true},   {"WITH", Kw::With, false},      {"INSERT", Kw::Insert, false},
    {"REPLACE", Kw::Replace, false}, {"UPDATE", Kw::Update, false}, {"DELETE", Kw::Delete, false},
    {"FROM", Kw::From, true},       {"INTO", Kw::Into, false},      {"JOIN", Kw::Join, true},
    {"ORDER", Kw::Order, true},     {"GROUP", Kw::Group, true},     {"BY", Kw::By, false},
    {"VALUES", Kw::Values, true},   {"EXTRACT", Kw::Extract, false}, {"YEAR", Kw::Year, false},
    {"MONTH", Kw::Month, false},    {"DAY", Kw::Day, false},        {"AS", Kw::As, true},
    {"NOT", Kw::Not, true},         {"WHERE", Kw::Where, true},     {"HAVING", Kw::Having, true},
    {"UNION", Kw::Union, true},     {"EXCEPT", Kw::Except, true},   {"INTERSECT", Kw::Intersect, true},
    {"LIMIT", Kw::Limit, true},     {"SET", Kw::Set, true},         {"ON", Kw::On, true},
    {"INNER", Kw::Inner, true},     {"LEFT", Kw::Left, true},       {"RIGHT", Kw::Right, true},
    {"OUTER", Kw::Outer, true},     {"CROSS", Kw::Cross, true},     {"NATURAL", Kw::Natural, true},
    {"USING", Kw::Using, true},     {"INDEXED", Kw::Indexed, true}, {"DEFAULT", Kw::Default, true},
    {"RETURNING", Kw::Returning, true},
};

const KeywordInfo* classify(QStringView word)
{
    if (word.size() > 9)
        return nullptr;
    char upper[10];
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char16_t c = word[i].unicode();
        if (c > 0x7f)
            return nullptr;
        upper[i] = (c >= u'a' && c <= u'z') ? char(c - 32) : char(c);
    }
    // Most words of a statement are field names: the first letter and the
    // length rule nearly all of them out before any comparison.
    const std::string_view w(upper, size_t(word.size()));
    for (const KeywordInfo& k : kKeywords)
        if (k.upper.size() == w.size() && k.upper[0] == w[0] && k.upper == w)
            return &k;
    return nullptr;
}

enum class Tok { Space, Comment, Ident, Number, String, Punct };

struct Token {
    Tok type;
    QStringView text;  // as written, a view into the statement (strings: with quotes)
    QString value;     // strings: the decoded text
    bool doubleQuoted = false;
    Kw kw = Kw::None;  // identifiers: the keyword it is, if any
    bool clause = false;
};

bool isKeyword(const Token& t, Kw kw) { return t.kw == kw; }
bool isClauseWord(const Token& t) { return t.clause; }

bool isIdentStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isIdentPart(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

bool isTwoCharOperator(QChar a, QChar b)
{
    switch (a.unicode()) {
    case u'<': return b == u'=' || b == u'>';
    case u'>': return b == u'=';
    case u'!': return b == u'=';
    case u'=': return b == u'=';
    case u'|': return b == u'|';
    default: return false;
    }
}

// The lexical rules the tokenizer and the shape scan share, so that both find
// the same literals.

// A quoted literal starting at s[i] (the quote): its decoded value, a doubled
// quote inside standing for one. Advances i past the closing quote; false
// when there is none.
bool readQuoted(QStringView s, qsizetype& i, QString& value)
{
    const QChar q = s[i];
    const qsizetype n = s.size();
    ++i;
    bool doubled = false;
    qsizetype run = i;  // copy runs between doubled quotes in one piece
    while (i < n) {
        if (s[i] == q) {
            if (i + 1 < n && s[i + 1] == q) {
                value += s.mid(run, i - run);
                value += q;
                doubled = true;
                i += 2;
                run = i;
                continue;
            }
            if (doubled)
                value += s.mid(run, i - run);
            else
                value = s.mid(run, i - run).toString();
            ++i;
            return true;
        }
        ++i;
    }
    return false;
}

bool startsNumber(QStringView s, qsizetype i)
{
    return s[i].isDigit() || (s[i] == u'.' && i + 1 < s.size() && s[i + 1].isDigit());
}

// The end of a number starting at s[i]: digits, a decimal part, an exponent.
qsizetype numberEnd(QStringView s, qsizetype i)
{
    const qsizetype n = s.size();
    while (i < n && s[i].isDigit())
        ++i;
    if (i < n && s[i] == u'.') {
        ++i;
        while (i < n && s[i].isDigit())
            ++i;
    }
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (s[j] == u'+' || s[j] == u'-'))
            ++j;
        if (j < n && s[j].isDigit()) {
            i = j;
            while (i < n && s[i].isDigit())
                ++i;
        }
    }
    return i;
}

std::vector<Token> tokenize(const QString& source)
{
    const QStringView s(source);
    std::vector<Token> out;
    out.reserve(size_t(s.size() / 3));
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s[i];
        const qsizetype start = i;
        if (c.isSpace()) {
            while (i < n && s[i].isSpace())
                ++i;
            out.push_back({Tok::Space, s.mid(start, i - start), {}});
        } else if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            while (i < n && s[i] != u'\n' && s[i] != u'\r')
                ++i;
            out.push_back({Tok::Comment, s.mid(start, i - start), {}});
        } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            const qsizetype close = s.indexOf(u"*/", i + 2);
            i = close < 0 ? n : close + 2;
            out.push_back({Tok::Comment, s.mid(start, i - start), {}});
        } else if (c == u'"' || c == u'\'') {
            QString value;
            if (!readQuoted(s, i, value))
                throw Error("The statement has a text literal without its closing quote");
            out.push_back({Tok::String, s.mid(start, i - start), value, c == u'"'});
        } else if (startsNumber(s, i)) {
            i = numberEnd(s, i);
            out.push_back({Tok::Number, s.mid(start, i - start), {}});
        } else if (isIdentStart(c)) {
            while (i < n && isIdentPart(s[i]))
                ++i;
            Token t{Tok::Ident, s.mid(start, i - start), {}};
            if (const KeywordInfo* k = classify(t.text)) {
                t.kw = k->kw;
                t.clause = k->clause;
            }
            out.push_back(std::move(t));
        } else {
            qsizetype len = 1;
            if (i + 1 < n && isTwoCharOperator(s[i], s[i + 1]))
                len = 2;
            out.push_back({Tok::Punct, s.mid(i, len), {}});
            i += len;
        }
    }
    return out;
}

bool isComparison(const Token& t)
{
    if (t.type != Tok::Punct)
        return false;
    const QChar c = t.text[0];
    if (t.text.size() == 1)
        return c == u'=' || c == u'<' || c == u'>';
    return c == u'=' || c == u'<' || c == u'>' || c == u'!';
}

// What the translation made of each literal of a statement, in order.
enum class LiteralRole : unsigned char { Table, Text, Date, Number, Inline };

class Translator {
public:
    explicit Translator(const QString& statement) : tokens_(tokenize(statement))
    {
        qsizetype values = 0;
        for (const Token& t : tokens_)
            values += t.type == Tok::String || t.type == Tok::Number;
        result_.params.reserve(values);
    }

    TranslatedSql run()
    {
        size_t end = tokens_.size();
        // One statement only: a ";" may end it, nothing may follow.
        for (size_t i = 0; i < tokens_.size(); ++i) {
            if (tokens_[i].type == Tok::Punct && tokens_[i].text == u';') {
                for (size_t j = i + 1; j < tokens_.size(); ++j)
                    if (tokens_[j].type != Tok::Space && tokens_[j].type != Tok::Comment)
                        throw Error("Only one statement can be run at a time");
                end = i;
                break;
            }
        }
        const size_t first = nextSignificant(0, end);
        if (first < end) {
            const Token& t = tokens_[first];
            if (isKeyword(t, Kw::Select) || isKeyword(t, Kw::With))
                result_.kind = TranslatedSql::Kind::Select;
            else if (isKeyword(t, Kw::Insert) || isKeyword(t, Kw::Replace))
                result_.kind = TranslatedSql::Kind::Insert;
            else if (isKeyword(t, Kw::Update))
                result_.kind = TranslatedSql::Kind::Update;
            else if (isKeyword(t, Kw::Delete))
                result_.kind = TranslatedSql::Kind::Delete;
        }
        result_.sql = translate(0, end, 0);
        return result_;
    }

    const std::vector<LiteralRole>& roles() const { return roles_; }

private:
    enum class Clause { None, FromList, OrderBy, InsertColumns, Values };

    struct Context {
        Clause clause = Clause::None;
        bool expectTable = false;
        bool afterTable = false;     // the next word may be an alias
        bool deleteTarget = false;   // the table of DELETE FROM
        int valueIndex = 0;          // position inside a VALUES list
    };

    size_t nextSignificant(size_t i, size_t end) const
    {
        while (i < end && (tokens_[i].type == Tok::Space || tokens_[i].type == Tok::Comment))
            ++i;
        return i;
    }

    // Index of the significant token before i within [begin, i), or npos.
    size_t prevSignificant(size_t begin, size_t i) const
    {
        while (i > begin) {
            --i;
            if (tokens_[i].type != Tok::Space && tokens_[i].type != Tok::Comment)
                return i;
        }
        return size_t(-1);
    }

    size_t matchingParen(size_t open, size_t end) const
    {
        int depth = 0;
        for (size_t i = open; i < end; ++i) {
            if (tokens_[i].type != Tok::Punct)
                continue;
            if (tokens_[i].text == u'(')
                ++depth;
            else if (tokens_[i].text == u')' && --depth == 0)
                return i;
        }
        return size_t(-1);
    }

    // Whether the literal at i is compared with or assigned to a date field:
    //   AnvDate = "05/14/2001",  E.AnvDate < "1/1/1990",  "1/1/1990" >= AnvDate
    bool isDateContext(size_t begin, size_t end, size_t i) const
    {
        size_t p = prevSignificant(begin, i);
        if (p != size_t(-1) && isComparison(tokens_[p])) {
            const size_t f = prevSignificant(begin, p);
            if (f != size_t(-1) && tokens_[f].type == Tok::Ident && schema::isDateField(tokens_[f].text))
                return true;
        }
        size_t q = nextSignificant(i + 1, end);
        if (q < end && isComparison(tokens_[q])) {
            size_t f = nextSignificant(q + 1, end);
            // Follow a qualified name to its last part: E.AnvDate
            while (f < end && tokens_[f].type == Tok::Ident) {
                const size_t dot = nextSignificant(f + 1, end);
                if (dot < end && tokens_[dot].type == Tok::Punct && tokens_[dot].text == u'.') {
                    f = nextSignificant(dot + 1, end);
                    continue;
                }
                return schema::isDateField(tokens_[f].text);
            }
        }
        return false;
    }

    void addParam(const QVariant& v, QString& out)
    {
        result_.params.append(v);
        out += u'?';
    }

    void addTextParam(const QString& value, bool date, QString& out)
    {
        roles_.push_back(date ? LiteralRole::Date : LiteralRole::Text);
        if (value.isEmpty()) {
            addParam(QVariant(), out);
            return;
        }
        if (!date) {
            addParam(value, out);
            return;
        }
        if (auto iso = fromIsoDate(value)) {
            addParam(toIsoDate(*iso), out);
            return;
        }
        addParam(toIsoDate(readAppDate(value)), out);
    }

    void emitTable(const Token& t, Context& ctx, int depth, QString& out)
    {
        if (t.type == Tok::String)
            roles_.push_back(LiteralRole::Table);
        const QStringView name = t.type == Tok::String ? QStringView(t.value) : t.text;
        QString real;
        if (const TableDef* def = schema::findTable(name)) {
            real = def->name;
            out += u'"';
            out += real;  // schema names hold no quote
            out += u'"';
        } else {
            real = schema::stripDbExtension(name);
            out += u'"' + QString(real).replace(u'"', QStringLiteral("\"\"")) + u'"';
        }
        if (depth == 0 && result_.kind != TranslatedSql::Kind::Select && result_.targetTable.isEmpty())
            result_.targetTable = real;
        ctx.expectTable = false;
        ctx.afterTable = true;
    }

    QString translate(size_t begin, size_t end, int depth)
    {
        QString out;
        if (begin < end)
            out.reserve(tokens_[end - 1].text.data() + tokens_[end - 1].text.size() - tokens_[begin].text.data() + 16);
        // Tokens that stay as written are copied in runs straight from the
        // statement; a run is written out before anything that replaces a token.
        const QChar* runBegin = nullptr;
        const QChar* runEnd = nullptr;
        auto keep = [&](const Token& tok) {
            if (!runBegin)
                runBegin = tok.text.data();
            runEnd = tok.text.data() + tok.text.size();
        };
        auto flush = [&] {
            if (runBegin)
                out.append(QStringView(runBegin, runEnd));
            runBegin = nullptr;
        };
        std::vector<Context> stack(1);
        bool pendingInsertColumns = false;  // INTO "t" ( ... )
        bool pendingValues = false;         // VALUES ( ... )
        bool orderPending = false;          // ORDER / GROUP seen, waiting for BY

        for (size_t i = begin; i < end; ++i) {
            const Token& t = tokens_[i];
            Context& ctx = stack.back();
            if (t.type == Tok::Space) {
                keep(t);
                continue;
            }
            if (t.type == Tok::Comment) {
                flush();
                out += u' ';
                continue;
            }

            const bool wasAfterTable = ctx.afterTable;
            ctx.afterTable = false;

            if (t.type == Tok::Ident) {
                if (ctx.clause == Clause::InsertColumns) {
                    insertColumns_.append(t.text.toString());
                    keep(t);
                    continue;
                }
                if (ctx.expectTable && !isClauseWord(t)) {
                    flush();
                    emitTable(t, ctx, depth, out);
                    continue;
                }
                if (wasAfterTable && !isClauseWord(t)) {
                    // A table alias. SQLite wants AS before the alias of a DELETE target.
                    if (ctx.deleteTarget) {
                        flush();
                        out += QStringLiteral("AS ");
                    }
                    ctx.deleteTarget = false;
                    keep(t);
                    continue;
                }
                ctx.deleteTarget = false;
                if (isKeyword(t, Kw::Extract)) {
                    const size_t open = nextSignificant(i + 1, end);
                    const size_t close = open < end && tokens_[open].text == u'(' ? matchingParen(open, end)
                                                                                 : size_t(-1);
                    if (close != size_t(-1)) {
                        const size_t part = nextSignificant(open + 1, close);
                        const size_t from = nextSignificant(part + 1, close);
                        const char* fmt = nullptr;
                        if (part < close && isKeyword(tokens_[part], Kw::Year))
                            fmt = "%Y";
                        else if (part < close && isKeyword(tokens_[part], Kw::Month))
                            fmt = "%m";
                        else if (part < close && isKeyword(tokens_[part], Kw::Day))
                            fmt = "%d";
                        if (fmt && from < close && isKeyword(tokens_[from], Kw::From)) {
                            flush();
                            out += QStringLiteral("CAST(strftime('%1', ").arg(QLatin1String(fmt));
                            out += translate(from + 1, close, depth + 1).trimmed();
                            out += QStringLiteral(") AS INTEGER)");
                            i = close;
                            continue;
                        }
                    }
                }
                if (isKeyword(t, Kw::From)) {
                    ctx.clause = Clause::FromList;
                    ctx.expectTable = true;
                    const size_t p = prevSignificant(begin, i);
                    ctx.deleteTarget = p != size_t(-1) && isKeyword(tokens_[p], Kw::Delete);
                } else if (isKeyword(t, Kw::Update) || isKeyword(t, Kw::Into) || isKeyword(t, Kw::Join)) {
                    ctx.expectTable = true;
                    if (isKeyword(t, Kw::Into))
                        pendingInsertColumns = true;
                } else if (isKeyword(t, Kw::Order) || isKeyword(t, Kw::Group)) {
                    orderPending = true;
                    ctx.clause = Clause::None;
                } else if (isKeyword(t, Kw::By) && orderPending) {
                    orderPending = false;
                    ctx.clause = Clause::OrderBy;
                } else if (isKeyword(t, Kw::Values)) {
                    pendingValues = true;
                    pendingInsertColumns = false;
                    ctx.clause = Clause::None;
                } else if (isKeyword(t, Kw::Select)) {
                    pendingInsertColumns = false;
                    ctx.clause = Clause::None;
                } else if (isClauseWord(t) && !isKeyword(t, Kw::As) && !isKeyword(t, Kw::Not)) {
                    ctx.clause = Clause::None;
                    ctx.expectTable = false;
                }
                keep(t);
                continue;
            }

            if (t.type == Tok::String) {
                flush();
                if (ctx.expectTable) {
                    emitTable(t, ctx, depth, out);
                    continue;
                }
                bool date = isDateContext(begin, end, i);
                if (ctx.clause == Clause::Values) {
                    const int k = ctx.valueIndex;
                    date = date || (k < int(insertColumns_.size()) && schema::isDateField(insertColumns_[k]));
                }
                addTextParam(t.value, date, out);
                continue;
            }

            if (t.type == Tok::Number) {
                if (ctx.clause == Clause::OrderBy) {
                    roles_.push_back(LiteralRole::Inline);
                    keep(t);
                    continue;
                }
                roles_.push_back(LiteralRole::Number);
                flush();
                if (t.text.contains(u'.') || t.text.contains(u'e') || t.text.contains(u'E')) {
                    addParam(t.text.toDouble(), out);
                } else {
                    bool ok = false;
                    const qlonglong v = t.text.toLongLong(&ok);
                    if (ok)
                        addParam(v, out);
                    else
                        addParam(t.text.toDouble(), out);
                }
                continue;
            }

            // Punctuation
            if (t.text == u'(') {
                Context inner;
                if (pendingInsertColumns && wasAfterTable) {
                    inner.clause = Clause::InsertColumns;
                    insertColumns_.clear();
                } else if (pendingValues) {
                    inner.clause = Clause::Values;
                }
                pendingInsertColumns = false;
                pendingValues = false;
                stack.push_back(inner);
                keep(t);
                continue;
            }
            if (t.text == u')') {
                if (stack.size() > 1)
                    stack.pop_back();
                keep(t);
                continue;
            }
            if (t.text == u',') {
                if (ctx.clause == Clause::FromList)
                    ctx.expectTable = true;
                else if (ctx.clause == Clause::Values)
                    ++ctx.valueIndex;
                keep(t);
                continue;
            }
            keep(t);
        }
        flush();
        return out;
    }

    std::vector<Token> tokens_;
    TranslatedSql result_;
    QStringList insertColumns_;  // the column list of an INSERT, for its VALUES
    std::vector<LiteralRole> roles_;
};

// The shape of a statement: its text with every literal's value left out,
// and the literals in order. Statements of one shape translate alike, so the
// translation of the first is kept and the others only take their values.
// The scan reads literals exactly as the tokenizer does; a statement with a
// comment or an unterminated literal has no shape and is always translated.
struct Literal {
    bool isString;
    QStringView raw;  // numbers: as written
    QString value;    // strings: the decoded text
};

struct Shape {
    bool ok = false;
    QString key;
    std::vector<Literal> literals;
};

Shape scanShape(const QString& source)
{
    Shape shape;
    const QStringView s(source);
    const qsizetype n = s.size();
    shape.key.reserve(n);
    qsizetype i = 0;
    qsizetype runStart = 0;  // text copied to the key as it stands
    auto flushRun = [&](qsizetype upTo) { shape.key.append(s.mid(runStart, upTo - runStart)); };
    while (i < n) {
        const QChar c = s[i];
        if ((c == u'-' && i + 1 < n && s[i + 1] == u'-') || (c == u'/' && i + 1 < n && s[i + 1] == u'*'))
            return Shape();
        if (c == u'"' || c == u'\'') {
            flushRun(i);
            QString value;
            if (!readQuoted(s, i, value))
                return Shape();
            shape.key += c == u'"' ? u'\x01' : u'\x02';
            shape.literals.push_back({true, {}, std::move(value)});
            runStart = i;
        } else if (startsNumber(s, i)) {
            flushRun(i);
            const qsizetype start = i;
            i = numberEnd(s, i);
            shape.key += u'\x03';
            shape.literals.push_back({false, s.mid(start, i - start), {}});
            runStart = i;
        } else if (isIdentStart(c)) {
            while (i < n && isIdentPart(s[i]))
                ++i;  // digits inside a name are not a number
        } else {
            ++i;
        }
    }
    flushRun(n);
    shape.ok = true;
    return shape;
}

// The translation of one shape: its SQL, and what to do with each literal.
struct Template {
    TranslatedSql::Kind kind;
    QString sql;
    QString targetTable;
    std::vector<LiteralRole> roles;
    std::vector<QString> tables;  // the table literals' texts, in order
};

QVariant numberValue(QStringView raw)
{
    if (raw.contains(u'.') || raw.contains(u'e') || raw.contains(u'E'))
        return raw.toDouble();
    bool ok = false;
    const qlonglong v = raw.toLongLong(&ok);
    return ok ? QVariant(v) : QVariant(raw.toDouble());
}

QVariant textValue(const QString& value, bool date)
{
    if (value.isEmpty())
        return QVariant();
    if (!date)
        return value;
    if (auto iso = fromIsoDate(value))
        return toIsoDate(*iso);
    return toIsoDate(readAppDate(value));
}

// Fills `out` from a template; false when the statement names other tables
// than the one the template was made from.
bool fromTemplate(const Template& t, Shape& shape, TranslatedSql& out)
{
    size_t table = 0;
    for (size_t i = 0; i < t.roles.size(); ++i)
        if (t.roles[i] == LiteralRole::Table && shape.literals[i].value != t.tables[table++])
            return false;
    out.kind = t.kind;
    out.sql = t.sql;
    out.targetTable = t.targetTable;
    out.params.reserve(qsizetype(t.roles.size()));
    for (size_t i = 0; i < t.roles.size(); ++i) {
        Literal& l = shape.literals[i];
        switch (t.roles[i]) {
        case LiteralRole::Table:
        case LiteralRole::Inline: break;
        case LiteralRole::Text: out.params.append(textValue(l.value, false)); break;
        case LiteralRole::Date: out.params.append(textValue(l.value, true)); break;
        case LiteralRole::Number: out.params.append(numberValue(l.raw)); break;
        }
    }
    return true;
}

// Translations by shape. Bounded: a program that makes ever new shapes (IN
// lists of every length, say) starts it afresh now and then.
class TemplateCache {
public:
    const Template* find(const QString& key) const
    {
        const auto it = templates_.constFind(key);
        return it == templates_.constEnd() ? nullptr : &*it;
    }
    void add(const QString& key, Template t)
    {
        if (templates_.size() >= kMaxShapes)
            templates_.clear();
        templates_.insert(key, std::move(t));
    }

private:
    static constexpr qsizetype kMaxShapes = 512;
    QHash<QString, Template> templates_;
};

}  // namespace

QString quotedText(const QString& value)
{
    const qsizetype quotes = value.count(u'"');
    QString out;
    out.reserve(value.size() + quotes + 2);
    out += u'"';
    if (quotes == 0) {
        out += value;
    } else {
        qsizetype from = 0;
        for (qsizetype at = value.indexOf(u'"'); at >= 0; at = value.indexOf(u'"', at + 1)) {
            out += QStringView(value).mid(from, at + 1 - from);
            out += u'"';
            from = at + 1;
        }
        out += QStringView(value).mid(from);
    }
    out += u'"';
    return out;
}

TranslatedSql translateLocalSql(const QString& statement)
{
    thread_local TemplateCache cache;
    Shape shape = scanShape(statement);
    TranslatedSql result;
    if (shape.ok) {
        if (const Template* t = cache.find(shape.key); t && fromTemplate(*t, shape, result))
            return result;
    }
    Translator translator(statement);
    result = translator.run();
    const std::vector<LiteralRole>& roles = translator.roles();
    // A shape is kept only when the scan and the translation agree on its
    // literals and every literal's place in the SQL does not depend on its
    // value (an ORDER BY number is written into the SQL).
    if (shape.ok && roles.size() == shape.literals.size()
        && std::find(roles.begin(), roles.end(), LiteralRole::Inline) == roles.end()) {
        Template t{result.kind, result.sql, result.targetTable, roles, {}};
        for (size_t i = 0; i < roles.size(); ++i)
            if (roles[i] == LiteralRole::Table)
                t.tables.push_back(shape.literals[i].value);
        cache.add(shape.key, std::move(t));
    }
    return result;
}

}  // namespace orvanta
