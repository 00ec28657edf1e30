#pragma once

// One journal line: its text members, its signature and its parsing
// (journal_format.h describes the format).

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace journal {

// 64 '0': what line 0 is chained to.
QByteArray InitialMac();

// "2024-05-17T14:03:22+02:00" (local time, seconds, UTC offset).
QString TimeText(const QDateTime &t);

// Windows-1250 bytes as the JSON string of their characters, and back
// (nullopt: not a string, or a character no byte stands for).
QJsonValue Text(QByteArrayView bytes);
std::optional<QByteArray> Bytes(const QJsonValue &text);

// HMAC-SHA-256 (hex) of `previousMac` followed by `content`.
QByteArray Mac(const QByteArray &key, QByteArrayView previousMac, QByteArrayView content);

// The line (without its line end) of `content` signed and chained to
// `previousMac`; its mac goes to `mac`.
QByteArray SignedLine(const QJsonObject &content, const QByteArray &key, const QByteArray &previousMac,
                      QByteArray *mac);

// The signed part of a line (the object without its "mac" member, as it was
// signed) and the mac it carries; false when the line does not end in a mac.
bool SplitSigned(QByteArrayView line, QByteArray &content, QByteArrayView &mac);
// Just the mac a line carries; empty when it has none.
QByteArrayView MacOf(QByteArrayView line);

// True when `line` carries the mac of its content chained to `previousMac`.
bool Verify(const QByteArray &key, QByteArrayView previousMac, QByteArrayView line);

// An event as read from a line: the members a reader needs first, and all of them.
struct Event {
    qint64 seq = -1;
    QString kind;
    int table = 0;  // 0: not an event of one table
    QJsonObject body;

    bool ChangesTable() const;  // carries "n" and "sha"
    qint64 Lines() const { return body.value(QLatin1String("n")).toInteger(-1); }
    QByteArray Sha() const { return body.value(QLatin1String("sha")).toString().toLatin1(); }
};

// nullopt when the line is no JSON object with a "seq" and a "kind".
std::optional<Event> ParseEvent(QByteArrayView line);

}  // namespace journal
