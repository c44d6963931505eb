#include "awards/deleteform.h"

#include "app/messages.h"
#include "app/pictures.h"
#include "awards/deleteperiod.h"
#include "awards/periodcontrols.h"
#include "data/datamodule.h"
#include "data/progress.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvanta {

namespace {

// The delete animation as the request's progress: shown and started when the
// statements begin, stopped and hidden when the request ends, also at an error.
class AnimationProgress : public RequestProgress {
public:
    explicit AnimationProgress(MovingPicture* picture) : picture_(picture) {}
    void started(const QString&) override
    {
        picture_->show();
        picture_->start();
        picture_->repaint();
    }
    void finished() override
    {
        picture_->stop();
        picture_->hide();
    }

private:
    MovingPicture* picture_;
};

}  // namespace

TDeleteForm::TDeleteForm(TDataModule2& dm, QWidget* parent)
    : TPeriodDialog(dm, parent)
{
    setObjectName(QStringLiteral("DeleteForm"));
    setWindowTitle(QStringLiteral("Delete Orvanta Data"));

    PeriodControlsOptions options;
    options.monthLabel = QStringLiteral("Orvanta Month to Delete:");
    options.yearLabel = QStringLiteral("Orvanta Year To Delete:");
    options.sortChoice = false;
    Period = new PeriodControls(dm_, options, this);

    CheckBox1 = new QCheckBox(QStringLiteral("Delete All Data"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));

    Animate1 = new MovingPicture(MovingPicture::Kind::FileDelete, 24, this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    QSizePolicy keep = Animate1->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    Animate1->setSizePolicy(keep);
    Animate1->setFixedSize(Animate1->sizeHint());
    Animate1->hide();

    CancelB = new QPushButton(QStringLiteral("Cancel"), this);
    CancelB->setObjectName(QStringLiteral("CancelB"));
    DeleteB = new QPushButton(QStringLiteral("Delete"), this);
    DeleteB->setObjectName(QStringLiteral("DeleteB"));
    // Delete asks no question, so Enter in a box must not start it.
    DeleteB->setAutoDefault(false);
    CancelB->setDefault(true);
    connect(DeleteB, &QPushButton::clicked, this, [this] { DeleteBClick(); });
    connect(CancelB, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CheckBox1);
    buttons->addStretch(1);
    buttons->addWidget(DeleteB);
    buttons->addWidget(CancelB);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Period);
    layout->addWidget(Animate1, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(Period->ComboBox1, Period->SpinEdit1);
    setTabOrder(Period->SpinEdit1, CancelB);
    setTabOrder(CancelB, DeleteB);
    setTabOrder(DeleteB, CheckBox1);
}

void TDeleteForm::FormActivate()
{
    Period->setAwardYearToCurrentYear();
}

void TDeleteForm::DeleteBClick()
{
    guarded(this, [this] {
        DeleteRequest request;
        request.monthText = Period->ComboBox1->currentText();
        request.awardYearText = Period->SpinEdit1->text();
        request.deleteAllData = CheckBox1->isChecked();
        AnimationProgress progress(Animate1);
        runDelete(request, dm_, &progress);
        accept();
    });
}

}  // namespace orvanta
