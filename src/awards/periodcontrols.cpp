#include "awards/periodcontrols.h"

#include "data/convert.h"
#include "data/datamodule.h"

#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <limits>

namespace orvanta {

// ---------------------------------------------------------------- TextSpinEdit

TextSpinEdit::TextSpinEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    setAccelerated(true);
    setValue(1999);  // the stored default; the dialogs set the year when they become active
}

void TextSpinEdit::setValue(int value)
{
    lastValue_ = value;
    lineEdit()->setText(QString::number(value));
}

void TextSpinEdit::setText(const QString& text)
{
    if (const auto v = tryReadInteger(text))
        lastValue_ = *v;
    lineEdit()->setText(text);
}

std::optional<int> TextSpinEdit::value() const
{
    return tryReadInteger(text());
}

void TextSpinEdit::stepBy(int steps)
{
    const qint64 from = value().value_or(lastValue_);
    const qint64 to = std::clamp<qint64>(from + steps, std::numeric_limits<int>::min(),
                                         std::numeric_limits<int>::max());
    setValue(int(to));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled TextSpinEdit::stepEnabled() const
{
    if (isReadOnly())
        return StepNone;
    const qint64 v = value().value_or(lastValue_);
    StepEnabled e = StepNone;
    if (v < std::numeric_limits<int>::max())
        e |= StepUpEnabled;
    if (v > std::numeric_limits<int>::min())
        e |= StepDownEnabled;
    return e;
}

QValidator::State TextSpinEdit::validate(QString& input, int&) const
{
    for (const QChar c : input)
        if (!(c.isDigit() && c.unicode() < 128) && c != u'-' && c != u'+' && c != u' ')
            return QValidator::Invalid;
    return tryReadInteger(input) ? QValidator::Acceptable : QValidator::Intermediate;
}

QSize TextSpinEdit::sizeHint() const
{
    // Room for a year and its sign, like a spin box of the same font.
    const QSize base = QAbstractSpinBox::sizeHint();
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("-00000000")) + 30;
    return {std::max(base.width(), width), base.height()};
}

// ---------------------------------------------------------------- LookupComboBox

LookupComboBox::LookupComboBox(DataSource* source, const QString& keyField, const QString& listField, QWidget* parent)
    : QComboBox(parent), source_(source), keyField_(keyField), listField_(listField)
{
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(22);
    connect(source_, &DataSource::dataChanged, this, [this] { reload(); });
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < keys_.size())
            key_ = keys_[index];
    });
    reload();
}

void LookupComboBox::setKeyValue(const QVariant& key)
{
    key_ = key;
    const qsizetype i = key_.isNull() ? -1 : keys_.indexOf(key_);
    if (i < 0)
        key_ = QVariant();
    setCurrentIndex(int(i));
}

void LookupComboBox::reload()
{
    Table* t = source_->dataSet();
    if (!t || !t->active() || !source_->enabled())
        return;
    const QSignalBlocker block(this);
    clear();
    keys_.clear();
    const int n = t->recordCount();
    for (int i = 0; i < n; ++i) {
        const Record r = t->rowAt(i);
        keys_.append(r.value(keyField_));
        addItem(r.text(listField_));
    }
    setKeyValue(key_);
}

void LookupComboBox::showPopup()
{
    reload();
    QComboBox::showPopup();
}

// ---------------------------------------------------------------- PeriodControls

PeriodControls::PeriodControls(TDataModule2& dm, const PeriodControlsOptions& options, QWidget* parent)
    : QWidget(parent), dm_(dm)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(12);
    grid->setColumnStretch(1, 1);

    Label1 = new QLabel(options.monthLabel, this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);  // a typed text is read, never added to the list
    ComboBox1->addItems(monthTexts());
    ComboBox1->setCurrentIndex(0);
    Label1->setBuddy(ComboBox1);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(ComboBox1, 0, 1);

    Label2 = new QLabel(options.yearLabel, this);
    SpinEdit1 = new TextSpinEdit(this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    Label2->setBuddy(SpinEdit1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(SpinEdit1, 1, 1, Qt::AlignLeft);

    int row = 2;
    if (!options.locationLabel.isEmpty()) {
        Label3 = new QLabel(options.locationLabel, this);
        DBLookupComboBox1 = new LookupComboBox(&dm_.LocationSource, QStringLiteral("LocationType"),
                                               QStringLiteral("Description"), this);
        DBLookupComboBox1->setObjectName(QStringLiteral("DBLookupComboBox1"));
        Label3->setBuddy(DBLookupComboBox1);
        grid->addWidget(Label3, row, 0);
        grid->addWidget(DBLookupComboBox1, row, 1);
        ++row;
    }

    if (options.sortChoice) {
        SortBy = new QGroupBox(QStringLiteral("Sort By"), this);
        SortBy->setObjectName(QStringLiteral("GroupBox2"));
        RadioButton1 = new QRadioButton(QStringLiteral("Name"), SortBy);
        RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
        RadioButton2 = new QRadioButton(QStringLiteral("Years Of Service"), SortBy);
        RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
        RadioButton1->setChecked(true);
        auto* sortLayout = new QHBoxLayout(SortBy);
        sortLayout->addWidget(RadioButton1);
        sortLayout->addWidget(RadioButton2);
        sortLayout->addStretch(1);
        grid->addWidget(SortBy, row, 0, 1, 2);
    }
}

AwardPeriod PeriodControls::period() const
{
    AwardPeriod p;
    p.monthText = ComboBox1->currentText();
    p.awardYearText = SpinEdit1->text();
    if (DBLookupComboBox1 && !DBLookupComboBox1->keyValue().isNull()) {
        p.locationType = DBLookupComboBox1->keyValue().toString();
        p.locationDescription = DBLookupComboBox1->displayText();
    }
    p.sort = RadioButton1 && !RadioButton1->isChecked() ? SortChoice::YearsOfService : SortChoice::Name;
    return p;
}

bool PeriodControls::locationChosen() const
{
    return DBLookupComboBox1 && !DBLookupComboBox1->keyValue().isNull();
}

void PeriodControls::switchLocationFilterOff()
{
    dm_.LocationTable.setFiltered(false);
    if (DBLookupComboBox1)
        DBLookupComboBox1->reload();
}

void PeriodControls::setAwardYearToCurrentYear()
{
    SpinEdit1->setValue(QDate::currentDate().year());
}

void PeriodControls::raiseAwardYearToCurrentYear()
{
    const int year = QDate::currentDate().year();
    const std::optional<int> shown = SpinEdit1->value();
    if (!shown || *shown < year)
        SpinEdit1->setValue(year);
}

}  // namespace orvanta
