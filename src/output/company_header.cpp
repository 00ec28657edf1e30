#include "output/company_header.h"

#include "core/cp1250.h"
#include "core/safe_file.h"

#include <QDir>
#include <QFileInfo>

QString CompanyHeaderFile(const QString &dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("naglowek.txt"));
}

CompanyHeader DefaultCompanyHeader()
{
    return {QStringLiteral("Stanowisko ważenia"), QStringLiteral("Program do archiwizacji pomiarów"), QString(),
            QString()};
}

CompanyHeader ReadCompanyHeader(const QString &dataDir)
{
    // An existing file, even an empty one, is the installer's word.
    const QString path = CompanyHeaderFile(dataDir);
    QList<QByteArray> lines;
    if (!QFileInfo::exists(path) || !ReadLines(path, lines))
        return DefaultCompanyHeader();
    CompanyHeader header;
    for (size_t i = 0; i < header.size() && qsizetype(i) < lines.size(); ++i)
        header[i] = cp1250::Decode(lines[qsizetype(i)]);
    return header;
}
