#include "output/xls_compound_file.h"

#include "output/xls_bytes.h"

#include <QStringView>

#include <algorithm>
#include <vector>

namespace xls {
namespace {

constexpr quint32 kSectorSize = 512;
constexpr quint32 kMiniSectorSize = 64;
constexpr quint32 kMiniStreamCutoff = 4096; // smaller streams live in the mini stream
constexpr quint32 kIdsPerSector = kSectorSize / 4;
constexpr quint32 kHeaderDifat = 109;
constexpr quint32 kFreeSect = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSect = 0xFFFFFFFD;
constexpr quint32 kDifSect = 0xFFFFFFFC;
constexpr quint32 kNoStream = 0xFFFFFFFF;

void PutSectorIds(QByteArray &b, const std::vector<quint32> &ids)
{
    for (const quint32 id : ids)
        Put32(b, id);
}

void PutDirectoryEntry(QByteArray &b, QStringView name, quint8 type, quint32 child, quint32 start, quint64 size,
                       bool excelClass)
{
    const qsizetype at = b.size();
    b.append(128, '\0');
    char *e = b.data() + at;
    for (qsizetype i = 0; i < name.size(); ++i)
        qToLittleEndian(name[i].unicode(), e + 2 * i);
    qToLittleEndian(quint16(type == 0 ? 0 : (name.size() + 1) * 2), e + 64);
    e[66] = char(type);
    e[67] = 1; // black
    qToLittleEndian(kNoStream, e + 68);
    qToLittleEndian(kNoStream, e + 72);
    qToLittleEndian(child, e + 76);
    if (excelClass) {
        // {00020820-0000-0000-C000-000000000046}, an Excel 97-2003 workbook
        static const char kClsid[16] = {0x20, 0x08, 0x02, 0, 0, 0, 0, 0, char(0xC0), 0, 0, 0, 0, 0, 0, 0x46};
        std::copy(kClsid, kClsid + 16, e + 80);
    }
    if (type != 0) {
        qToLittleEndian(start, e + 116);
        qToLittleEndian(size, e + 120);
    }
}

} // namespace

Container BuildContainer(quint64 size)
{
    const bool small = size < kMiniStreamCutoff;
    const quint64 miniSectors = small ? CeilDiv(size, kMiniSectorSize) : 0;
    const quint64 dataSectors = CeilDiv(small ? miniSectors * kMiniSectorSize : size, kSectorSize);
    const quint64 fixedSectors = small ? 2 : 1; // (mini FAT and) directory
    // The FAT maps every sector, its own and the DIFAT's included.
    quint64 fat = 1, difat = 0;
    for (;;) {
        const quint64 total = dataSectors + fixedSectors + fat + difat;
        const quint64 needFat = CeilDiv(total, kIdsPerSector);
        const quint64 needDifat = needFat > kHeaderDifat ? CeilDiv(needFat - kHeaderDifat, kIdsPerSector - 1) : 0;
        if (needFat == fat && needDifat == difat)
            break;
        fat = std::max(fat, needFat);
        difat = std::max(difat, needDifat);
    }
    const quint32 s = quint32(dataSectors);
    const quint32 miniFatSector = small ? s : kEndOfChain;
    const quint32 dirSector = small ? s + 1 : s + quint32(fat + difat);
    const quint32 fatStart = small ? s + 2 : s;
    const quint32 difatStart = fatStart + quint32(fat);

    std::vector<quint32> table(fat * kIdsPerSector, kFreeSect);
    for (quint32 i = 0; i < s; ++i)
        table[i] = i + 1 < s ? i + 1 : kEndOfChain;
    for (quint32 i = 0; i < fat; ++i)
        table[fatStart + i] = kFatSect;
    for (quint32 i = 0; i < difat; ++i)
        table[difatStart + i] = kDifSect;
    table[dirSector] = kEndOfChain;
    if (small)
        table[miniFatSector] = kEndOfChain;

    Container c;
    c.paddedStream = quint64(s) * kSectorSize;
    QByteArray &h = c.header;
    h.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    h.append(16, '\0');
    Put16(h, 0x003E); // minor version
    Put16(h, 0x0003); // major version 3: 512-byte sectors
    Put16(h, 0xFFFE); // little-endian
    Put16(h, 9);      // sector size 2^9
    Put16(h, 6);      // mini sector size 2^6
    h.append(6, '\0');
    Put32(h, 0); // directory sectors: always 0 in version 3
    Put32(h, quint32(fat));
    Put32(h, dirSector);
    Put32(h, 0); // transactions: none
    Put32(h, kMiniStreamCutoff);
    Put32(h, miniFatSector);
    Put32(h, small ? 1 : 0);
    Put32(h, difat ? difatStart : kEndOfChain);
    Put32(h, quint32(difat));
    std::vector<quint32> difatIds; // FAT sectors listed past the header's 109
    for (quint32 i = 0; i < fat; ++i) {
        if (i < kHeaderDifat)
            Put32(h, fatStart + i);
        else
            difatIds.push_back(fatStart + i);
    }
    for (quint32 i = quint32(fat); i < kHeaderDifat; ++i)
        Put32(h, kFreeSect);
    Q_ASSERT(h.size() == qsizetype(kSectorSize));

    QByteArray fatBytes;
    PutSectorIds(fatBytes, table);
    QByteArray difatBytes;
    for (quint32 d = 0; d < difat; ++d) {
        std::vector<quint32> ids(kIdsPerSector, kFreeSect);
        for (quint32 i = 0; i + 1 < kIdsPerSector; ++i) {
            const quint64 k = quint64(d) * (kIdsPerSector - 1) + i;
            if (k < difatIds.size())
                ids[i] = difatIds[k];
        }
        ids.back() = d + 1 < difat ? difatStart + d + 1 : kEndOfChain;
        PutSectorIds(difatBytes, ids);
    }
    QByteArray dir;
    PutDirectoryEntry(dir, u"Root Entry", 5, 1, small ? 0 : kEndOfChain, miniSectors * kMiniSectorSize, true);
    PutDirectoryEntry(dir, u"Workbook", 2, kNoStream, 0, size, false);
    PutDirectoryEntry(dir, u"", 0, kNoStream, 0, 0, false);
    PutDirectoryEntry(dir, u"", 0, kNoStream, 0, 0, false);

    if (small) {
        std::vector<quint32> miniFat(kIdsPerSector, kFreeSect);
        for (quint32 i = 0; i < miniSectors; ++i)
            miniFat[i] = i + 1 < miniSectors ? i + 1 : kEndOfChain;
        PutSectorIds(c.trailer, miniFat);
        c.trailer += dir;
        c.trailer += fatBytes;
    } else {
        c.trailer = fatBytes + difatBytes + dir;
    }
    return c;
}

} // namespace xls
