#pragma once

// "pomiary --biuro [connection string]": the office's summaries alone, over
// the central database, without the station's tables, scale or journal.

#include <QByteArray>
#include <QString>

// True for "--biuro" as the first argument, with at most a connection string after it.
bool IsOfficeCommand(int argc, char *argv[]);

struct OfficeStart {
    QByteArray conninfo; // what to connect by
    QString problem;     // why it cannot start, in Polish; empty when it can
};

// The connection string given after "--biuro", else the one of
// `dataDir`biuro.ini ("dane/" in the working folder).
OfficeStart OfficeStartFor(int argc, char *argv[], const QString &dataDir);
