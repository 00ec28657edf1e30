#pragma once

// Members of journal events as the journal writes them, shared by the
// recording of changes and the comparison at start-up.

#include "journal/table_replay.h"
#include "tables/table_write_hook.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <vector>

namespace journal {

// How a weighing was added ("via"); empty when not known.
QString Via(TableAction action);
// "diff": [[column, old text, new text], ...] of the columns that differ.
QJsonArray Diff(QByteArrayView oldLine, QByteArrayView newLine);
// "lines" and "eol" of lines [from, to) from outside the program.
void PutLines(QJsonObject &c, const std::vector<ReplayLine> &lines, size_t from, size_t to);

}  // namespace journal
