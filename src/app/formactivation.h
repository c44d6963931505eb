#pragma once

#include <QEvent>

namespace orvanta {

// When a dialog "becomes active" in the sense of its FormActivate handler:
// the first time it is activated after being shown. Activations that follow
// within the same showing come back from the dialog's own message boxes, from
// a file dialog or from another program; treating those as FormActivate would
// overwrite what the user just typed (the award year box is reset there), and
// the next request would silently run on other values.
class FormActivation {
public:
    // True for the event that should run FormActivate.
    bool isFormActivate(const QEvent* event)
    {
        if (event->type() == QEvent::Show)
            pending_ = true;
        if (event->type() == QEvent::WindowActivate && pending_) {
            pending_ = false;
            return true;
        }
        return false;
    }

private:
    bool pending_ = false;
};

}  // namespace orvanta
