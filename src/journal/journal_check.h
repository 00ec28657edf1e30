#pragma once

// "pomiary --sprawdz-dziennik": checks the journal of a data folder (the
// chain and the key, events missing, added, moved or cut off at the end),
// replays it and compares the result with the five working files. Reads
// only; changes nothing.

#include <QString>
#include <QStringList>

struct JournalCheckReport {
    qint64 events = 0;
    QStringList problems;  // each a line of the report
    QStringList notes;     // what a stop left unfinished: no problem
    QString failure;       // the journal or its key cannot be read (exit 2)

    // 0: journal and files agree; 1: something differs; 2: cannot read.
    int ExitCode() const { return !failure.isEmpty() ? 2 : problems.isEmpty() ? 0 : 1; }
    // The printed report (Polish), at most `maxProblems` problems listed.
    QString Text(int maxProblems = 200) const;
};

// `dataDir`: the folder of the tables and the journal ("…/dane/").
// `keyDir` empty: KeyStore::DefaultDir(). `threads` 0: the machine's cores.
JournalCheckReport CheckJournal(const QString &dataDir, const QString &keyDir = {}, int threads = 0);
