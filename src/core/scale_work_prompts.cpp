#include "core/scale_work_prompts.h"

#include <QMetaObject>

#include <utility>

ScaleWorkPrompts::ScaleWorkPrompts(UserPrompts &target, QObject *parent) : QObject(parent), target_(target) {}

void ScaleWorkPrompts::Message(Icon icon, const QString &text)
{
    if (depth_ == 0) {
        target_.Message(icon, text);
        return;
    }
    if (open_) {
        ++dropped_;
        ++heldBack_;
        heldBackIcon_ = icon;
        lastHeldBack_ = text;
        return;
    }
    Wait(icon, text);
}

void ScaleWorkPrompts::Wait(Icon icon, const QString &text)
{
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

QString ScaleWorkPrompts::HeldBackMessage(int count, const QString &last)
{
    return QStringLiteral("W czasie wyświetlania poprzedniego komunikatu wystąpiły kolejne (%1). Ostatni z nich:\n\n")
               .arg(count) +
           last;
}

void ScaleWorkPrompts::ShowWaiting()
{
    if (waitingTexts_.isEmpty())
        return;
    const QString text = waitingTexts_.join(QStringLiteral("\n\n"));
    open_ = true;
    // Cleared before the box opens: what comes while it is open is held back.
    waitingTexts_.clear();
    target_.Message(waitingIcon_, text);
    open_ = false;
    // What the box held back is told in one box of its own, not lost.
    if (heldBack_ > 0) {
        const int count = std::exchange(heldBack_, 0);
        Wait(heldBackIcon_, HeldBackMessage(count, std::exchange(lastHeldBack_, {})));
    }
}
