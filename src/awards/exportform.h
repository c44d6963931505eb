#pragma once

#include "awards/perioddialog.h"
#include "awards/addressexport.h"
#include "xls/workbook.h"

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace orvanta {

class PeriodControls;

// "Export Form": writes the address records of an award period to a
// tab-delimited (".prn"), fixed-width (".txt" and any other) or workbook
// (".xls") file, replacing it or appending to it. Created once and hidden,
// never destroyed: its choices and its workbook last for the run.
class TExportForm : public TPeriodDialog {
    Q_OBJECT
public:
    explicit TExportForm(TDataModule2& dm, QWidget* parent = nullptr);

    // Each time the dialog is opened and becomes active: location filter off,
    // award year raised to the current year when it is earlier.
    void FormActivate() override;
    // The file button: the save dialog, started at the text of ExportFile.
    void FileBtnClick();
    // The "&Export" button.
    void ExportBtnClick();

    // The save dialog: given the initial name, returns the chosen path, or an
    // empty text when the user cancels. Replaceable, so that tests need no
    // display.
    std::function<QString(QWidget* parent, const QString& initial)> SaveDialog1;

    // The first file name offered: awards.xls in the user's documents folder.
    static QString initialFileName();

    QGroupBox* GroupBox1 = nullptr;      // "Export Options"
    PeriodControls* Period = nullptr;    // ComboBox1, SpinEdit1, DBLookupComboBox1
    QLabel* Label4 = nullptr;            // "Export To File:"
    QLineEdit* ExportFile = nullptr;
    QToolButton* FileBtn = nullptr;
    QCheckBox* AppendFile = nullptr;     // "Append to File"
    QPushButton* ExportBtn = nullptr;    // "&Export"
    QPushButton* BitBtn1 = nullptr;      // Cancel
    QLabel* Label5 = nullptr;            // "Exporting", shown while an export runs
    TWorkbook Workbook;


};

}  // namespace orvanta
