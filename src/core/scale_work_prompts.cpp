#include "core/scale_work_prompts.h"

#include <QMetaObject>

ScaleWorkPrompts::ScaleWorkPrompts(UserPrompts &target, QObject *parent) : QObject(parent), target_(target) {}

void ScaleWorkPrompts::Message(Icon icon, const QString &text)
{
    if (depth_ == 0) {
        target_.Message(icon, text);
        return;
    }
    if (open_) {
        ++dropped_;
        return;
    }
    if (waitingTexts_.isEmpty()) {
        waitingIcon_ = icon;
        waitingTexts_.append(text);
        QMetaObject::invokeMethod(this, &ScaleWorkPrompts::ShowWaiting, Qt::QueuedConnection);
        return;
    }
    if (waitingTexts_.contains(text) || waitingTexts_.size() >= kMaxTexts) {
        ++dropped_;
        return;
    }
    waitingTexts_.append(text);
}

void ScaleWorkPrompts::ShowWaiting()
{
    if (waitingTexts_.isEmpty())
        return;
    const QString text = waitingTexts_.join(QStringLiteral("\n\n"));
    open_ = true;
    // Cleared before the box opens: what comes while it is open is dropped, not queued.
    waitingTexts_.clear();
    target_.Message(waitingIcon_, text);
    open_ = false;
}
