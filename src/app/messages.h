#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <vector>

class QWidget;

namespace orvanta {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

struct MessageRequest {
    QString text;
    QString title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

// Every message box of the program goes through the installed service: the
// desktop program shows a QMessageBox; tests install a recorder that answers
// and remembers the boxes, so no display is needed.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MsgResult show(QWidget* parent, const MessageRequest& request) = 0;

    static MessageService& current();
    // Installs a service (not owned); nullptr goes back to the message boxes.
    static void install(MessageService* service);
};

MsgResult showMessage(QWidget* parent, const QString& text, const QString& title, MsgIcon icon,
                      MsgButtons buttons = MsgButtons::Ok);

// For tests: answers boxes from a queue (OK, or the first button, when the
// queue is empty) and keeps what was shown.
class RecordingMessageService : public MessageService {
public:
    RecordingMessageService() { install(this); }
    ~RecordingMessageService() override { install(nullptr); }

    MsgResult show(QWidget* parent, const MessageRequest& request) override;

    std::vector<MessageRequest> shown;
    std::deque<MsgResult> answers;
    std::function<void(const MessageRequest&)> onShow;
};

// The application's general error handler: runs a handler and shows the text
// of any error it throws in a message box titled "Orvanta". The request stops
// where it failed; the window it came from stays as it is. Returns whether the
// handler ran to its end.
bool guarded(QWidget* parent, const std::function<void()>& handler);

}  // namespace orvanta
