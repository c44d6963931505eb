#include "awards/addressexport.h"

#include "data/convert.h"
#include "data/datamodule.h"
#include "data/error.h"
#include "data/outputfile.h"
#include "data/progress.h"
#include "data/query.h"
#include "xls/workbook.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace orvanta {

namespace {

std::string toStd(const QString& s) { return s.toStdString(); }

// Column names as the selection's result names them, in ExportColumn order.
constexpr const char16_t* kColumnNames[] = {
    u"WorkLocCode", u"WorkLocCompany", u"WorkLocAttn", u"WorkLocAddress1", u"WorkLocAddress2", u"WorkLocStreet",
    u"WorkLocCity", u"WorkLocState", u"WorkLocZip", u"WorkLocCountry",
    u"WorkLocCode_1", u"WorkLocCompany_1", u"WorkLocAttn_1", u"WorkLocAddress1_1", u"WorkLocAddress2_1",
    u"WorkLocStreet_1", u"WorkLocCity_1", u"WorkLocState_1", u"WorkLocZip_1", u"WorkLocCountry_1",
    u"WorkLocEMail", u"WorkLocPhone", u"WorkLocFax",
    u"EmployeeID", u"Name", u"EmployeeEMail", u"AnvDate", u"Sex", u"SupervisorEMail",
    u"EmpAddress1", u"EmpAddress2", u"EmpStreet", u"EmpCity", u"EmpState", u"EmpZip", u"EmpCountry",
    u"EmpLabel1", u"EmpLabel2", u"Label1", u"label2", u"Description",
};
static_assert(std::size(kColumnNames) == size_t(ExportColumn::Count));

// The last row a sheet holds (rows are counted from 0).
constexpr long long kLastSheetRow = 65535;

// Where the fields go: the three layouts behind WriteField / WriteLastField.
class ExportTarget {
public:
    virtual ~ExportTarget() = default;
    virtual void WriteField(const std::string& text, int width) = 0;
    virtual void WriteLastField(const std::string& text, int width) = 0;
    virtual void close() = 0;
};

class TextTarget : public ExportTarget {
public:
    TextTarget(const QString& fileName, bool append, bool fixedWidth)
        : file_(fileName, append ? OutputFile::Mode::Append : OutputFile::Mode::Replace), fixed_(fixedWidth)
    {
    }
    void WriteField(const std::string& t, int width) override { put(t, width, false); }
    void WriteLastField(const std::string& t, int width) override { put(t, width, true); }
    void close() override { file_.close(); }

private:
    void put(const std::string& t, int width, bool last)
    {
        if (fixed_) {
            // Cut to the width, or padded with spaces on the right to it.
            const size_t n = std::min(t.size(), size_t(width));
            char* p = file_.reserve(size_t(width) + 2);
            std::memcpy(p, t.data(), n);
            std::memset(p + n, ' ', size_t(width) - n);
            p += width;
            if (last) {
                *p++ = '\r';
                *p++ = '\n';
            }
            file_.commit(p);
            return;
        }
        char* p = file_.reserve(t.size() + 2);
        std::memcpy(p, t.data(), t.size());
        p += t.size();
        if (last) {
            *p++ = '\r';
            *p++ = '\n';
        } else {
            *p++ = '\t';
        }
        file_.commit(p);
    }

    OutputFile file_;
    bool fixed_;
};

class WorkbookTarget : public ExportTarget {
public:
    WorkbookTarget(TWorkbook& wb, int firstRow) : wb_(wb), row_(firstRow) {}
    void WriteField(const std::string& t, int) override { wb_.Sheets[0].SetCellText(column_++, row_, t); }
    void WriteLastField(const std::string& t, int width) override
    {
        WriteField(t, width);
        ++row_;
        column_ = 0;
    }
    void close() override { wb_.Write(); }

private:
    TWorkbook& wb_;
    int row_;
    int column_ = 0;
};

// A date as the database holds it (YYYY-MM-DD); invalid when it is not one.
QDate isoDate(const std::string& s)
{
    auto digits = [&](size_t from, size_t n) {
        int v = 0;
        for (size_t i = from; i < from + n; ++i) {
            if (s[i] < '0' || s[i] > '9')
                return -1;
            v = v * 10 + (s[i] - '0');
        }
        return v;
    };
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return QDate();
    return QDate(digits(0, 4), digits(5, 2), digits(8, 2));
}

void assignOrUsa(std::string& field, const ExportRow& r, ExportColumn c)
{
    if (r.isNull(c))
        field.assign("USA");
    else
        field.assign(r[c]);
}

// Resolves the selection's columns once, then reads rows by position.
std::array<int, size_t(ExportColumn::Count)> resolveColumns(const Query& q)
{
    std::array<int, size_t(ExportColumn::Count)> idx{};
    for (size_t i = 0; i < idx.size(); ++i) {
        idx[i] = q.fieldIndex(QStringView(kColumnNames[i]));
        if (idx[i] < 0)
            throw Error(toStd(QStringLiteral("Field '%1' not found").arg(QStringView(kColumnNames[i]))));
    }
    return idx;
}

}  // namespace

const std::array<int, kExportFields> kExportWidths = {
    10, 2,                                       // codes
    15, 35, 35, 35, 35, 35, 35, 3, 10, 3,        // billing address
    15, 35, 35, 35, 35, 35, 35, 3, 10, 3,        // work location or home address
    128, 16, 31,                                 // e-mail, phone, fax
    15, 60, 128, 10, 1, 22, 1, 128,              // employee
    35, 35, 35, 35, 3, 10, 3,                    // home address
    30, 30,                                      // labels
};

ExportLayout exportLayoutFor(const QString& fileName)
{
    // The extension of the file-name part only: a "." in a folder name is not one.
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString ext = dot < 0 ? QString() : name.mid(dot).toLower();
    if (ext == u".prn")
        return ExportLayout::TabDelimited;
    if (ext == u".xls")
        return ExportLayout::Workbook;
    return ExportLayout::FixedWidth;
}

std::string FormatServiceDate(const QDate& date)
{
    return formatAppDate(date).toStdString();
}

std::string YearsOfService(int awardYear, const QDate& date)
{
    return std::to_string(qint64(awardYear) - date.year());
}

std::string ReplacePlaceholder(std::string_view text, std::string_view pattern, std::string_view replacement)
{
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
    const auto at = std::search(text.begin(), text.end(), pattern.begin(), pattern.end(),
                                [&](char a, char b) { return upper(a) == upper(b); });
    std::string out(text);
    if (at != text.end() && !pattern.empty())
        out.replace(size_t(at - text.begin()), pattern.size(), replacement);
    return out;
}

void exportRecord(const ExportRow& r, int awardYear, const ExportCodes& codes, ExportRecord& f)
{
    using C = ExportColumn;
    bool useHomeAddress = false;

    f[0].assign(codes.customerCode);
    f[1].assign(codes.administrativeCode);
    f[2].assign(r[C::WorkLocCode]);
    if (f[2] == "-") {
        f[2].clear();
        useHomeAddress = true;
    }
    f[3].assign(r[C::WorkLocCompany]);
    f[4].assign(r[C::WorkLocAttn]);
    f[5].assign(r[C::WorkLocAddress1]);
    f[6].assign(r[C::WorkLocAddress2]);
    f[7].assign(r[C::WorkLocStreet]);
    f[8].assign(r[C::WorkLocCity]);
    f[9].assign(r[C::WorkLocState]);
    f[10].assign(r[C::WorkLocZip]);
    assignOrUsa(f[11], r, C::WorkLocCountry);
    f[12].assign(r[C::WorkLocCode_1]);
    if (f[12].empty() || f[12] == "-") {
        f[12].clear();
        useHomeAddress = true;
    }
    f[13].assign(r[C::WorkLocCompany_1]);  // the work location's company in any case
    if (useHomeAddress) {
        // The home address takes the work location's place, in the crossed
        // order of fields 34 to 36: address line 2, street, address line 1.
        f[14].assign(r[C::Name]);
        f[15].assign(r[C::EmpAddress2]);
        f[16].assign(r[C::EmpStreet]);
        f[17].assign(r[C::EmpAddress1]);
        f[18].assign(r[C::EmpCity]);
        f[19].assign(r[C::EmpState]);
        f[20].assign(r[C::EmpZip]);
        assignOrUsa(f[21], r, C::EmpCountry);
    } else {
        f[14].assign(r[C::WorkLocAttn_1]);
        f[15].assign(r[C::WorkLocAddress1_1]);
        f[16].assign(r[C::WorkLocAddress2_1]);
        f[17].assign(r[C::WorkLocStreet_1]);
        f[18].assign(r[C::WorkLocCity_1]);
        f[19].assign(r[C::WorkLocState_1]);
        f[20].assign(r[C::WorkLocZip_1]);
        f[21].assign(r[C::WorkLocCountry_1]);
    }
    f[22].assign(r[C::WorkLocEMail]);
    f[23].assign(r[C::WorkLocPhone]);
    f[24].assign(r[C::WorkLocFax]);
    f[25].assign(r[C::EmployeeID]);
    f[26].assign(r[C::Name]);
    f[27].assign(r[C::EmployeeEMail]);
    const QDate anv = isoDate(r[C::AnvDate]);
    if (anv.isValid()) {
        f[28] = FormatServiceDate(anv);
        f[30] = YearsOfService(awardYear, anv);
    } else {
        f[28].clear();
        f[30].clear();
    }
    f[29].assign(r[C::Sex]);
    f[31].assign(" ");
    f[32].assign(r[C::SupervisorEMail]);
    f[33].assign(r[C::EmpAddress2]);
    f[34].assign(r[C::EmpStreet]);
    f[35].assign(r[C::EmpAddress1]);
    f[36].assign(r[C::EmpCity]);
    f[37].assign(r[C::EmpState]);
    f[38].assign(r[C::EmpZip]);
    assignOrUsa(f[39], r, C::EmpCountry);
    static constexpr std::string_view placeholder = "%DEPARTMENT%";
    const std::string& department = r[C::Description];
    if (r.isNull(C::Label1))
        f[40].assign(r[C::EmpLabel1]);
    else
        f[40] = ReplacePlaceholder(r[C::Label1], placeholder, department);
    if (r.isNull(C::Label2))
        f[41].assign(r[C::EmpLabel2]);
    else
        f[41] = ReplacePlaceholder(r[C::Label2], placeholder, department);
}

QStringList exportSelectionLines(const PeriodSelection& v)
{
    const bool wholeYear = v.monthNumber == u"0";
    QStringList lines = {
        QStringLiteral("Select  E.EmployeeID, E.Name, E.EmployeeEMail, E.Sex, E.CampusMail, E.AnvDate, "
                       "Extract(YEAR from E.Anvdate) As YY, E.LocationCode, E.Supervisor, E.SupervisorMail, "
                       "E.SupervisorEMail,"),
        QStringLiteral("E.EmpAddress1, E.EmpAddress2, E.EmpStreet, E.EmpCity, E.EmpState, E.EmpZip, E.EmpCountry, "
                       "E.EmpLabel1, E.EmpLabel2, "),
        QStringLiteral("B.WorkLocCode, B.WorkLocCompany, B.WorkLocAttn, B.WorkLocAddress1, B.WorkLocAddress2, "
                       "B.WorkLocStreet,"),
        QStringLiteral("B.WorkLocCity, B.WorkLocState, B.WorkLocZip, B.WorkLocCountry,"),
        wholeYear ? QStringLiteral("B.Label1, B.label2, D.Description,")
                  : QStringLiteral("B.Label1, B.label2, D.Description, "),
        QStringLiteral("L.WorkLocCode, L.WorkLocCompany, L.WorkLocAttn, L.WorkLocAddress1, L.WorkLocAddress2, "
                       "L.WorkLocStreet,"),
        QStringLiteral("L.WorkLocCity, L.WorkLocState, L.WorkLocZip, L.WorkLocCountry, L.WorkLocEMail, "
                       "L.WorkLocPhone, L.WorkLocFax"),
        QStringLiteral("FROM \"Employee.db\" E, \"Depart.db\" D, \"Billing.DB\" B, \"Billing.DB\" L, "
                       "\"Location.DB\" O"),
        QStringLiteral("WHERE (E.LocationCode = D.LocationCode) And"),
        QStringLiteral("(D.LocationType = O.LocationType) And"),
        QStringLiteral("(D.BillingLocCodeID = B.WorkLocCodeID) And"),
        QStringLiteral("(D.WorkLocCodeID = L.WorkLocCodeID) And"),
        selection::locationTypeLine(v.locationKey),
    };
    lines << selection::periodLines(QStringLiteral("E.AnvDate"), v.milestoneYears, v.monthNumber);
    return lines;
}

ExportResult runExport(const ExportRequest& request, TDataModule2& dm, TWorkbook& workbook,
                       RequestProgress* progress)
{
    ExportResult result;
    result.layout = exportLayoutFor(request.fileName);
    if (!request.period.locationType)
        throw Error(toStd(locationNotSelectedMessage(PeriodDialog::Export)));

    ProgressScope scope(progress, QStringLiteral("Exporting"));

    const PeriodSelection values = readPeriodSelection(request.period, PeriodDialog::Export);
    Query& q = dm.EmployeeQuery;
    q.close();
    q.clear();
    for (const QString& line : exportSelectionLines(values))
        q.add(line);
    q.open();

    // ExportRows: open the target.
    std::unique_ptr<ExportTarget> target;
    if (result.layout == ExportLayout::Workbook) {
        workbook.Filename = QFile::encodeName(request.fileName).toStdString();
        int firstRow = 0;
        if (request.append) {
            workbook.Read();
            firstRow = workbook.Sheets[0].LastRow() + 1;
        } else {
            workbook.Clear();
        }
        // A sheet ends at row 65,535: an export that would pass it stops here,
        // before a cell is set or the file is touched.
        const long long rows = q.isEmpty() ? 0 : q.recordCount();
        if (firstRow + rows - 1 > kLastSheetRow)
            throw Error(toStd(QStringLiteral("The export does not fit into the workbook: %1 records from row %2 on "
                                             "would pass row %3, the last row a sheet holds. Nothing was written.")
                                  .arg(rows)
                                  .arg(firstRow + 1)
                                  .arg(kLastSheetRow + 1)));
        target = std::make_unique<WorkbookTarget>(workbook, firstRow);
    } else {
        target = std::make_unique<TextTarget>(request.fileName, request.append,
                                              result.layout == ExportLayout::FixedWidth);
    }

    const ExportCodes codes{toBytes(dm.DefaultCustomerCode), toBytes(dm.DefaultAdministrativeCode)};
    if (!q.isEmpty()) {
        const auto columns = resolveColumns(q);
        ExportRow row;
        ExportRecord record;
        for (; !q.eof(); q.next()) {
            for (size_t i = 0; i < columns.size(); ++i) {
                const QByteArrayView v = q.utf8(columns[i]);
                row.null[i] = v.isNull();
                utf8ToBytes(v.data(), v.size(), row.value[i]);
            }
            exportRecord(row, values.awardYear, codes, record);
            for (int i = 0; i + 1 < kExportFields; ++i)
                target->WriteField(record[size_t(i)], kExportWidths[size_t(i)]);
            target->WriteLastField(record[kExportFields - 1], kExportWidths[kExportFields - 1]);
            ++result.records;
        }
    }
    target->close();
    return result;
}

}  // namespace orvanta
