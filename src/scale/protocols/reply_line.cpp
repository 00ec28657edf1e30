#include "scale/protocols/reply_line.h"

bool SplitReplyLine(QByteArrayView line, ReplyLine &out)
{
    while (!line.isEmpty() && (line.back() == '\r' || line.back() == '\n'))
        line.chop(1);
    constexpr qsizetype kMaxId = 5;
    qsizetype i = 0;
    while (i < line.size() && i <= kMaxId && ((line[i] >= 'A' && line[i] <= 'Z') || (line[i] >= '0' && line[i] <= '9')))
        ++i;
    if (i == 0 || i > kMaxId || line[0] < 'A')
        return false;
    out.id = line.first(i);
    out.status = 0;
    out.rest = {};
    if (i == line.size())
        return true;
    if (line[i] != ' ' || i + 1 == line.size())
        return false;
    out.status = line[i + 1];
    out.rest = line.sliced(i + 2);
    return true;
}
