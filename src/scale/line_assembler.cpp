#include "scale/line_assembler.h"

QList<QByteArray> LineAssembler::Feed(QByteArrayView bytes)
{
    QList<QByteArray> lines;
    const bool serial = source_ == Source::Serial;
    for (char c : bytes) {
        const bool ends = serial ? (c == '\x02' || c == '\r') : c == '\n';
        const bool dropped = serial ? c == '\n' : c == '\r';
        if (ends) {
            lines.append(buffer_);
            buffer_.clear();
        } else if (!dropped && buffer_.size() < kMaxLine) {
            buffer_.append(c);
        }
    }
    return lines;
}
