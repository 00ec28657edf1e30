#pragma once

// The optional diagnostic trace log.txt: every line received from the scale
// and every weighing added, one line per event. Off unless konfig.ini holds
// the line "log".

#include "core/clock.h"

#include <QByteArray>
#include <QString>

class EventLog {
public:
    EventLog(QString path, const Clock &clock);

    bool enabled = false;
    // 3 after the adding action has run, back to 0 after each weighing record line.
    int lastAddCode = 0;

    // Appends "yyyy-MM-dd hh:mm" + code + TAB + text + CR LF when enabled.
    // A new file starts with the header line. Errors are ignored: the entry
    // is lost, the caller is never disturbed.
    void LogEvent(int code, QByteArrayView text);

    // The adding action ran (button, Insert key or automatic adding).
    void NoteAddAction() { lastAddCode = 3; }
    // The code of a weighing record line; resets it for the next one.
    int TakeAddCodeForRecord()
    {
        const int code = lastAddCode;
        lastAddCode = 0;
        return code;
    }

    const QString &Path() const { return path_; }

private:
    QString path_;
    const Clock &clock_;
};
