#pragma once

#include <QString>

namespace orvanta {

// How a long request on the user-interface thread tells its caller how far it
// got: the main window repaints its progress label and moving picture, a
// dialog shows or hides its busy label, the command-line front end writes to
// stderr. Every function has an empty default, so a caller overrides only what
// it shows.
class RequestProgress {
public:
    virtual ~RequestProgress() = default;
    virtual void started(const QString& text) { (void)text; }
    // `count` is the number of the record being handled (from 1).
    virtual void progressed(const QString& text, long long count)
    {
        (void)text;
        (void)count;
    }
    virtual void finished() {}
};

}  // namespace orvanta
