#include "app/messages.h"

#include "data/error.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

namespace orvanta {

namespace {

class BoxService : public MessageService {
public:
    MsgResult show(QWidget* parent, const MessageRequest& r) override
    {
        QMessageBox box(parent);
        box.setText(r.text);
        box.setWindowTitle(r.title);
        switch (r.icon) {
        case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        }
        switch (r.buttons) {
        case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        }
        switch (box.exec()) {
        case QMessageBox::Cancel: return MsgResult::Cancel;
        case QMessageBox::Yes: return MsgResult::Yes;
        case QMessageBox::No: return MsgResult::No;
        default: return MsgResult::Ok;
        }
    }
};

MessageService* installed = nullptr;

}  // namespace

MessageService& MessageService::current()
{
    static BoxService boxes;
    return installed ? *installed : boxes;
}

void MessageService::install(MessageService* service)
{
    installed = service;
}

MsgResult showMessage(QWidget* parent, const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons)
{
    return MessageService::current().show(parent, {text, title, icon, buttons});
}

MsgResult RecordingMessageService::show(QWidget*, const MessageRequest& request)
{
    shown.push_back(request);
    if (onShow)
        onShow(request);
    if (!answers.empty()) {
        const MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    switch (request.buttons) {
    case MsgButtons::YesNo: return MsgResult::Yes;
    default: return MsgResult::Ok;
    }
}

bool guarded(QWidget* parent, const std::function<void()>& handler)
{
    QString message;
    try {
        handler();
        return true;
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("An unexpected error occurred");
    }
    showMessage(parent, message, QStringLiteral("Orvanta"), MsgIcon::Error);
    return false;
}

}  // namespace orvanta
