#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace orvanta {

class TAboutBox;
class TDeleteForm;
class TExportForm;
class TMailForm;
class TDataModule2;
class TMainScreen;

// Every window of the program, created once at start in a fixed order and kept
// until the program ends (dialogs are hidden, never destroyed, so they keep
// their choices from one opening to the next).
struct ProgramWindows {
    std::unique_ptr<TMainScreen> MainScreen;
    std::unique_ptr<TDataModule2> DataModule2;
    std::unique_ptr<TAboutBox> AboutBox;
    std::unique_ptr<TDeleteForm> DeleteForm;
    std::unique_ptr<TMailForm> MailForm;
    std::unique_ptr<TExportForm> ExportForm;

    QStringList creationOrder;  // class names, in the order they were made

    ProgramWindows();
    ~ProgramWindows();
};

// Creates the windows: the main window first (it registers the alias Awards),
// the data module second (it opens the database of that alias, or of
// `databaseDirectory` when one is given), then the dialogs, and wires the
// main menu. Throws orvanta::Error when the database can't be opened.
std::unique_ptr<ProgramWindows> createProgramWindows(const QString& databaseDirectory = QString());

// The whole start-up of the desktop program; returns the exit status.
int runProgram(int argc, char** argv);

}  // namespace orvanta
