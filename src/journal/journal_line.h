#pragma once

// One journal line: its text members, its signature and its parsing
// (journal_format.h describes the format).

#include "core/sha256.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <array>
#include <optional>
#include <vector>

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

// HMAC-SHA-256 with the key's pads hashed once, for checking a long journal:
// the same values as QMessageAuthenticationCode, which hashes the pads again
// for every message.
class MacChecker {
public:
    explicit MacChecker(const QByteArray &key);
    // The mac (hex) of `previousMac` followed by `content`.
    QByteArray Mac(QByteArrayView previousMac, QByteArrayView content) const;
    // True when `line` carries the mac of its content chained to `previousMac`.
    bool Verify(QByteArrayView previousMac, QByteArrayView line) const;

private:
    Sha256 inner_, outer_;
};

enum class Eol : quint8 { CrLf, Lf, Cr, None };

// An event as read from a line: what the replay and the reports need, and
// the line itself for anything else (Body()).
struct Event {
    struct Change {
        int column = -1;
        QByteArray from, to;
    };
    struct Row {
        qint64 at = 0;
        QByteArray line;
        bool del = false;
        std::vector<Change> diff;
    };

    qint64 seq = -1;
    QString kind;
    int table = 0;  // 0: not an event of one table
    // "t": kept in the event itself when it is the usual 25 characters, as
    // reading a long journal makes a million of them.
    std::array<char, 25> timeText{};
    QString timeOther;
    QString Time() const;
    QByteArray op;
    qint64 at = -1, n = -1, ref = -1, from = -1, drop = -1, differ = -1, count = -1;
    qint64 expectedSeq = -1, foundSeq = -1;
    int field = -1;
    bool range = false, recovered = false;
    bool load = false;  // add: a mode 1 load, updated in the file until final
    // "sha": 64 hex digits in the event itself; any other text (a changed
    // journal) in shaOther.
    std::array<char, 64> shaText{};
    bool hasShaText = false;
    QByteArray shaOther;
    QByteArray line;
    bool hasLines = false;
    std::vector<QByteArray> lines;
    std::vector<std::pair<qint64, Eol>> eol;  // position from 1, line end
    bool hasRows = false;
    std::vector<Row> rows;
    bool hasRemoved = false;
    std::vector<qint64> removed;
    QString via, file, mode, station;
    bool hasPrevious = false;
    QString previousStation;
    qint64 previousSeq = -1;
    QByteArray raw;

    bool ChangesTable() const { return table > 0 && (hasShaText || !shaOther.isEmpty()); }
    qint64 Lines() const { return n; }
    QByteArray Sha() const { return hasShaText ? QByteArray(shaText.data(), qsizetype(shaText.size())) : shaOther; }
    // Every member, as the JSON object it was written as.
    QJsonObject Body() const;
};

// nullopt when the line is no JSON object with a "seq" and a "kind", or a
// member has a type or a text the format does not allow.
// Without `keepLine` the event keeps no copy of its line (Body() is empty):
// for reading a long journal once.
std::optional<Event> ParseEvent(QByteArrayView line, bool keepLine = true);

}  // namespace journal
