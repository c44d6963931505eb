#pragma once

#include "awards/period.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QVariant>
#include <QWidget>
#include <optional>

class QGroupBox;
class QLabel;
class QRadioButton;

namespace orvanta {

class DataSource;
class TDataModule2;

// A numeric spin box without bounds whose value is its text. QSpinBox always
// holds a number, but the period dialogs read the award year as the text the
// user left in the box, so that an empty or mistyped box stops the request
// with "'' is not a valid integer value" instead of silently using the last
// number. Typing accepts digits, a sign and spaces; the text is read as an
// integer only when a request asks for it. Up and down step by one from the
// number in the box, or, when the box holds no number, from the last number
// it held; steps stop at the ends of the 32-bit range.
class TextSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit TextSpinEdit(QWidget* parent = nullptr);

    void setValue(int value);
    void setText(const QString& text);
    std::optional<int> value() const;   // the text as an integer, none when it is not one

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    QSize sizeHint() const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int lastValue_ = 0;
};

// A lookup list not bound to any record: the rows of a data source's dataset,
// shown by one field and identified by another. It starts with no choice (its
// key value is null) and keeps a choice once made; when the chosen row leaves
// the list the choice is dropped. The list follows the dataset's changes and
// filter.
class LookupComboBox : public QComboBox {
    Q_OBJECT
public:
    LookupComboBox(DataSource* source, const QString& keyField, const QString& listField, QWidget* parent = nullptr);

    QVariant keyValue() const { return key_; }   // null when nothing is chosen
    void setKeyValue(const QVariant& key);
    QString displayText() const { return currentIndex() >= 0 ? currentText() : QString(); }
    void reload();    // reads the list again from the dataset

    void showPopup() override;

private:
    DataSource* source_;
    QString keyField_;
    QString listField_;
    QVariant key_;
    QVariantList keys_;
};

// Which of the shared controls a dialog has, and their labels.
struct PeriodControlsOptions {
    QString monthLabel = QStringLiteral("Month:");
    QString yearLabel = QStringLiteral("Award Year:");
    QString locationLabel;     // empty: no location type box
    bool sortChoice = true;    // the "Sort By" frame
};

// The award period controls every period dialog shares: month box, award year
// box, location type box over the shared LocationSource (key LocationType,
// list Description) and the "Sort By" frame. period() reads them into an
// AwardPeriod; the activation helpers carry out what the dialogs do each time
// they become active.
class PeriodControls : public QWidget {
    Q_OBJECT
public:
    PeriodControls(TDataModule2& dm, const PeriodControlsOptions& options, QWidget* parent = nullptr);

    AwardPeriod period() const;
    bool locationChosen() const;

    // Switches the LocationTable filter off, so that the location type box
    // lists every location type whatever filter another form left on.
    void switchLocationFilterOff();
    void setAwardYearToCurrentYear();
    // Sets the current year only when the box holds an earlier year (or no
    // year at all); a later year is kept.
    void raiseAwardYearToCurrentYear();

    QLabel* Label1 = nullptr;                          // month
    QComboBox* ComboBox1 = nullptr;
    QLabel* Label2 = nullptr;                          // award year
    TextSpinEdit* SpinEdit1 = nullptr;
    QLabel* Label3 = nullptr;                          // location type (when present)
    LookupComboBox* DBLookupComboBox1 = nullptr;
    QGroupBox* SortBy = nullptr;                       // (when present)
    QRadioButton* RadioButton1 = nullptr;              // "Name"
    QRadioButton* RadioButton2 = nullptr;              // "Years Of Service"

private:
    TDataModule2& dm_;
};

}  // namespace orvanta
