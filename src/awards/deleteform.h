#pragma once

#include "awards/perioddialog.h"


class QCheckBox;
class QPushButton;

namespace orvanta {

class MovingPicture;
class PeriodControls;

// "Delete Orvanta Data": removes the employees of an award period, of every
// location type, with their award records, or with "Delete All Data" every row
// of both tables. No question before, no message after. Created once and
// hidden, never destroyed: the month and the "Delete All Data" tick last for
// the run.
class TDeleteForm : public TPeriodDialog {
    Q_OBJECT
public:
    explicit TDeleteForm(TDataModule2& dm, QWidget* parent = nullptr);

    void DeleteBClick();
    // Each time the dialog is opened and becomes active: award year box set to the current
    // year (the location filter is not touched; the dialog has no location box).
    void FormActivate() override;

    PeriodControls* Period = nullptr;   // ComboBox1, SpinEdit1
    QPushButton* CancelB = nullptr;
    QPushButton* DeleteB = nullptr;
    QCheckBox* CheckBox1 = nullptr;     // "Delete All Data"
    MovingPicture* Animate1 = nullptr;  // runs while the statements run


};

}  // namespace orvanta
