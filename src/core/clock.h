#pragma once

// "Now" comes from here, so times in tests are exact.

#include <QDateTime>

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime Now() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
};

// A clock that stands still until told otherwise (tests, demos).
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime now) : now_(std::move(now)) {}
    QDateTime Now() const override { return now_; }
    void Set(QDateTime now) { now_ = std::move(now); }
    void AdvanceMs(qint64 ms) { now_ = now_.addMSecs(ms); }

private:
    QDateTime now_;
};

// The table's time form: yyyy-MM-dd hh:mm (16 characters, no seconds).
inline QByteArray TableTime(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm")).toLatin1();
}
