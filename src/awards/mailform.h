#pragma once

#include "awards/perioddialog.h"


class QGroupBox;
class QLabel;
class QPushButton;

namespace orvanta {

class PeriodControls;

// "Print Mail Merge File": writes the mail merge file of an award period to
// the path in the settings field MailExport. Created once and hidden, never
// destroyed, so its choices last for the run.
class TMailForm : public TPeriodDialog {
    Q_OBJECT
public:
    explicit TMailForm(TDataModule2& dm, QWidget* parent = nullptr);

    // The "Export" button: location type check, selection, ExportFile, close.
    void ExportBClick();
    // Writes the file from the open EmployeeQuery for AwardYear.
    void ExportFile();
    // Each time the dialog is opened and becomes active: location filter off, award year
    // box set to the current year.
    void FormActivate() override;

    QGroupBox* GroupBox1 = nullptr;   // "Mail Merge Options"
    PeriodControls* Period = nullptr;
    QPushButton* ExportB = nullptr;
    QPushButton* CancelB = nullptr;
    QLabel* Label4 = nullptr;         // "Exporting Data", shown while an export runs
    int AwardYear = 0;                // the award year of the last request


};

}  // namespace orvanta
