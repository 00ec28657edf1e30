#include "core/event_log.h"

#include <QFile>

EventLog::EventLog(QString path, const Clock &clock) : path_(std::move(path)), clock_(clock) {}

void EventLog::LogEvent(int code, QByteArrayView text)
{
    if (!enabled)
        return;
    QFile file(path_);
    const bool isNew = !file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    QByteArray bytes;
    bytes.reserve(text.size() + 64);
    if (isNew)
        bytes.append("hh:mm;ss,sss;gprotocol;strdisp\r\n");
    bytes.append(TableTime(clock_.Now()));
    bytes.append(QByteArray::number(code));
    bytes.append('\t');
    bytes.append(text);
    bytes.append("\r\n");
    // One write per entry, so an entry is never split by another program's append.
    file.write(bytes);
}
