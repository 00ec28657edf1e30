#include "scale/line_assembler.h"

#include <algorithm>

QList<QByteArray> LineAssembler::Feed(QByteArrayView bytes)
{
    QList<QByteArray> lines;
    const bool serial = source_ == Source::Serial;
    for (char c : bytes) {
        const bool ends = serial ? (c == '\x02' || c == '\r') : c == '\n';
        const bool dropped = serial ? c == '\n' : c == '\r';
        if (ends) {
            QByteArray line(std::min(leadingSpaces_, kMaxLine), ' ');
            line.append(buffer_);
            lines.append(line);
            Clear();
        } else if (dropped) {
            continue;
        } else if (c == ' ' && buffer_.isEmpty()) {
            ++leadingSpaces_;
        } else if (buffer_.size() < kMaxLine) {
            buffer_.append(c);
        }
    }
    return lines;
}
