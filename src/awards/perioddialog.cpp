#include "awards/perioddialog.h"

#include "app/messages.h"

namespace orvanta {

TPeriodDialog::TPeriodDialog(TDataModule2& dm, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint),
      dm_(dm)
{
    setModal(true);
}

bool TPeriodDialog::event(QEvent* event)
{
    if (activation_.isFormActivate(event))
        guarded(this, [this] { FormActivate(); });
    return QDialog::event(event);
}

}  // namespace orvanta
