#pragma once

#include "app/formactivation.h"

#include <QDialog>

namespace orvanta {

class TDataModule2;

// What the award period dialogs share: a modal dialog with a fixed border
// over the shared data module, created once and hidden, never destroyed, whose
// FormActivate runs each time it is opened and becomes active, inside the
// general error handler.
class TPeriodDialog : public QDialog {
    Q_OBJECT
public:
    TPeriodDialog(TDataModule2& dm, QWidget* parent);

    virtual void FormActivate() = 0;

protected:
    bool event(QEvent* event) override;

    TDataModule2& dm_;

private:
    FormActivation activation_;
};

}  // namespace orvanta
