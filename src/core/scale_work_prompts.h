#pragma once

// UserPrompts in front of the program's dialogs, for work that a scale line
// starts (automatic adding, bringing the newest row up to date, the scale's
// own records). That work runs inside the port's receive handling: a modal
// box opened there would hold the port's data until it is closed, and each
// OK would let the next line open the next box. Its messages are therefore
// shown later, from the event loop, and one at a time: while one waits,
// another text is added to it; while one is open, others are held back, and
// once it is closed one box says how many there were and shows the last.
// The scale's lines go on being handled (and shown) while a box is open.
// Everything outside such work passes straight through.

#include "core/user_prompts.h"

#include <QObject>
#include <QStringList>

class ScaleWorkPrompts : public QObject, public UserPrompts {
public:
    explicit ScaleWorkPrompts(UserPrompts &target, QObject *parent = nullptr);

    // Marks the work of one scale line while alive.
    class Scope {
    public:
        explicit Scope(ScaleWorkPrompts &prompts) : prompts_(prompts) { ++prompts_.depth_; }
        ~Scope() { --prompts_.depth_; }
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        ScaleWorkPrompts &prompts_;
    };

    void Message(Icon icon, const QString &text) override;
    bool Question(const QString &text) override { return target_.Question(text); }
    std::optional<QString> InputText(const QString &title, const QString &prompt, const QString &initial,
                                     bool masked) override
    {
        return target_.InputText(title, prompt, initial, masked);
    }
    std::optional<QString> OpenFileName(const QString &directory, const QString &filter) override
    {
        return target_.OpenFileName(directory, filter);
    }
    std::optional<QString> SaveFileName(const SaveDialog &dialog) override { return target_.SaveFileName(dialog); }

    // A box of scale work is waiting to be shown, or open.
    bool Waiting() const { return !waitingTexts_.isEmpty(); }
    bool Open() const { return open_; }
    // Messages left out because a box was already open or the waiting one was full.
    int Dropped() const { return dropped_; }

    // The box after one that held messages back.
    static QString HeldBackMessage(int count, const QString &last);

private:
    void ShowWaiting();
    void Wait(Icon icon, const QString &text);

    // More than a few different texts in one box would not be read.
    static constexpr int kMaxTexts = 3;

    UserPrompts &target_;
    int depth_ = 0;
    bool open_ = false;
    Icon waitingIcon_ = Icon::Error;
    QStringList waitingTexts_;
    int dropped_ = 0;
    int heldBack_ = 0;  // while the box is open
    Icon heldBackIcon_ = Icon::Error;
    QString lastHeldBack_;
};
