#pragma once

// The common shape of the command/reply families' lines: an identifier of
// capitals and digits, a space, a status character, the rest.

#include <QByteArrayView>

struct ReplyLine {
    QByteArrayView id;
    char status = 0;     // 0 when the line is the identifier alone
    QByteArrayView rest;  // after the status
};

// Drops the line end; false when the line does not have the shape.
bool SplitReplyLine(QByteArrayView line, ReplyLine &out);
