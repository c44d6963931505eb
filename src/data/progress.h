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

// Tells a progress sink (if any) that a request started, and that it finished
// when the scope ends, whether the request ran through or failed.
class ProgressScope {
public:
    ProgressScope(RequestProgress* p, const QString& text) : p_(p)
    {
        if (p_)
            p_->started(text);
    }
    ~ProgressScope()
    {
        if (p_)
            p_->finished();
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    void progressed(const QString& text, long long count)
    {
        if (p_)
            p_->progressed(text, count);
    }
    bool active() const { return p_ != nullptr; }

private:
    RequestProgress* p_;
};

}  // namespace orvanta
