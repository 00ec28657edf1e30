#pragma once

// The history of one weighing, from the journal: when it was added (or
// found), each correction with what changed from what to what, its mode 1
// update, its deletion; with the time and the operator of each.

#include <QByteArray>
#include <QList>
#include <QString>

struct HistoryEntry {
    qint64 seq = -1;
    QString time;     // "2024-05-17 14:03:22"
    QString op;       // the operator logged in
    QString what;     // "Korekta: brutto"
    QString details;  // "brutto: 120.50 → 130.00; netto: 118.00 → 127.50"
};

struct WeighingHistory {
    qint64 rowId = -1;     // the weighing in the journal; -1: not found there
    bool present = false;  // still in its table file, by the journal
    QList<HistoryEntry> entries;
};

// The history of the weighing of table `table` whose line is `line`: its
// `occurrence`-th copy in the file (from 0). With `rowId` >= 0, of that
// weighing whatever it holds now (also once deleted).
WeighingHistory HistoryOf(const QString &journalPath, int table, QByteArrayView line, int occurrence,
                          qint64 rowId = -1);
