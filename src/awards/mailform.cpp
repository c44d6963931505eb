#include "awards/mailform.h"

#include "app/messages.h"
#include "awards/mailmerge.h"
#include "awards/periodcontrols.h"
#include "data/datamodule.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvanta {

TMailForm::TMailForm(TDataModule2& dm, QWidget* parent)
    : TPeriodDialog(dm, parent)
{
    setObjectName(QStringLiteral("MailForm"));
    setWindowTitle(QStringLiteral("Print Mail Merge File"));

    GroupBox1 = new QGroupBox(QStringLiteral("Mail Merge Options"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    PeriodControlsOptions options;
    options.locationLabel = QStringLiteral("Location Type To Export:");
    Period = new PeriodControls(dm_, options, GroupBox1);
    (new QVBoxLayout(GroupBox1))->addWidget(Period);

    Label4 = new QLabel(QStringLiteral("Exporting Data"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(QFont(QStringLiteral("MS Sans Serif"), 24));
    Label4->setAlignment(Qt::AlignCenter);
    // Hidden until an export runs, but its room is kept so the dialog does
    // not change size when it appears.
    QSizePolicy keep = Label4->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    Label4->setSizePolicy(keep);
    Label4->hide();

    ExportB = new QPushButton(QStringLiteral("Export"), this);
    ExportB->setObjectName(QStringLiteral("ExportB"));
    ExportB->setDefault(true);
    CancelB = new QPushButton(QStringLiteral("Cancel"), this);
    CancelB->setObjectName(QStringLiteral("CancelB"));
    connect(ExportB, &QPushButton::clicked, this, [this] { ExportBClick(); });
    connect(CancelB, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ExportB);
    buttons->addWidget(CancelB);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(Label4);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TMailForm::FormActivate()
{
    Period->switchLocationFilterOff();
    Period->setAwardYearToCurrentYear();
}

void TMailForm::ExportBClick()
{
    guarded(this, [this] {
        if (!Period->locationChosen()) {
            showMessage(this, QStringLiteral("Location Type To Export Not Selected"), QStringLiteral("Error"),
                        MsgIcon::Error);
            return;
        }
        const AwardPeriod period = Period->period();
        // The label shows while the request runs and goes again when it ends,
        // also when it ends at an error.
        struct LabelShown {
            QLabel* label;
            ~LabelShown() { label->hide(); }
        } shown{Label4};
        Label4->show();
        Label4->repaint();
        AwardYear = openMailMergeSelection(period, dm_);
        ExportFile();
        accept();
    });
}

void TMailForm::ExportFile()
{
    exportMailMergeFile(dm_, AwardYear, nullptr);
}

}  // namespace orvanta
