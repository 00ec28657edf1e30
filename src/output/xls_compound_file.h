#pragma once

// The compound document file (version 3, 512-byte sectors) that holds the
// one "Workbook" stream of an .xls file.

#include <QByteArray>

namespace xls {

constexpr quint64 kMaxStreamSize = 0x7FFFFFFF; // what a version 3 file and BIFF offsets allow

// The compound file around one stream ("Workbook") of `size` bytes: the
// header before it, and after it, in sector order, the allocation tables
// and the directory. The stream itself takes the sectors from 0, padded to
// whole sectors; a stream below the mini stream cutoff is stored as the
// mini stream, with its mini sectors chained in a mini FAT.
struct Container {
    QByteArray header;
    QByteArray trailer;
    quint64 paddedStream = 0;
};

Container BuildContainer(quint64 size);

} // namespace xls
