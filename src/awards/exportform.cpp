#include "awards/exportform.h"

#include "app/messages.h"
#include "awards/periodcontrols.h"
#include "data/datamodule.h"
#include "data/progress.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace orvanta {

namespace {

// The "Exporting" label as the request's progress: shown and painted at once
// when the records start, hidden when the request ends, also at an error.
class LabelProgress : public RequestProgress {
public:
    LabelProgress(QLabel* label, QWidget* dialog) : label_(label), dialog_(dialog) {}
    void started(const QString&) override
    {
        label_->show();
        dialog_->repaint();
    }
    void finished() override { label_->hide(); }

private:
    QLabel* label_;
    QWidget* dialog_;
};

QString defaultSaveDialog(QWidget* parent, const QString& initial)
{
    QFileDialog dialog(parent, QStringLiteral("Export To File"), initial, QStringLiteral("Text File (*.txt)"));
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);  // asks before replacing a file
    dialog.selectFile(initial);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

}  // namespace

QString TExportForm::initialFileName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("awards.xls"));
}

TExportForm::TExportForm(TDataModule2& dm, QWidget* parent)
    : TPeriodDialog(dm, parent),
      SaveDialog1(defaultSaveDialog)
{
    setObjectName(QStringLiteral("ExportForm"));
    setWindowTitle(QStringLiteral("Export Form"));

    GroupBox1 = new QGroupBox(QStringLiteral("Export Options"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    PeriodControlsOptions options;
    options.locationLabel = QStringLiteral("Location Type To Export");
    options.sortChoice = false;
    Period = new PeriodControls(dm_, options, GroupBox1);

    Label4 = new QLabel(QStringLiteral("Export To File:"), GroupBox1);
    Label4->setObjectName(QStringLiteral("Label4"));
    ExportFile = new QLineEdit(initialFileName(), GroupBox1);
    ExportFile->setObjectName(QStringLiteral("ExportFile"));
    ExportFile->setMinimumWidth(280);
    Label4->setBuddy(ExportFile);
    FileBtn = new QToolButton(GroupBox1);
    FileBtn->setObjectName(QStringLiteral("FileBtn"));
    FileBtn->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    FileBtn->setToolTip(QStringLiteral("Choose the file to export to"));
    AppendFile = new QCheckBox(QStringLiteral("Append to File"), GroupBox1);
    AppendFile->setObjectName(QStringLiteral("AppendFile"));

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(Label4);
    fileRow->addWidget(ExportFile, 1);
    fileRow->addWidget(FileBtn);
    fileRow->addWidget(AppendFile);
    auto* group = new QVBoxLayout(GroupBox1);
    group->addWidget(Period);
    group->addLayout(fileRow);

    Label5 = new QLabel(QStringLiteral("Exporting"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setFont(QFont(QStringLiteral("MS Sans Serif"), 24));
    QSizePolicy keep = Label5->sizePolicy();
    keep.setRetainSizeWhenHidden(true);  // the dialog keeps its size when the label shows
    Label5->setSizePolicy(keep);
    Label5->hide();

    ExportBtn = new QPushButton(QStringLiteral("&Export"), this);
    ExportBtn->setObjectName(QStringLiteral("ExportBtn"));
    ExportBtn->setDefault(true);
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Cancel"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    connect(ExportBtn, &QPushButton::clicked, this, [this] { ExportBtnClick(); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    connect(FileBtn, &QToolButton::clicked, this, [this] { guarded(this, [this] { FileBtnClick(); }); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label5);
    bottom->addStretch(1);
    bottom->addWidget(ExportBtn);
    bottom->addWidget(BitBtn1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(Period, ExportFile);
    setTabOrder(ExportFile, FileBtn);
    setTabOrder(FileBtn, AppendFile);
    setTabOrder(AppendFile, ExportBtn);
    setTabOrder(ExportBtn, BitBtn1);
}

void TExportForm::FormActivate()
{
    Period->switchLocationFilterOff();
    Period->raiseAwardYearToCurrentYear();
}

void TExportForm::FileBtnClick()
{
    const QString chosen = SaveDialog1(this, ExportFile->text());
    if (!chosen.isEmpty())
        ExportFile->setText(chosen);
}

void TExportForm::ExportBtnClick()
{
    guarded(this, [this] {
        if (!Period->locationChosen()) {
            showMessage(this, QStringLiteral("Location Type To Export Not Selected"), QStringLiteral("Error"),
                        MsgIcon::Error);
            return;
        }
        ExportRequest request;
        request.period = Period->period();
        request.fileName = ExportFile->text();
        request.append = AppendFile->isChecked();
        LabelProgress progress(Label5, this);
        runExport(request, dm_, Workbook, &progress);
        accept();
    });
}

}  // namespace orvanta
