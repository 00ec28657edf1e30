#include "journal/event_members.h"

#include "journal/journal_line.h"
#include "tables/measurement_record.h"

namespace journal {

QString Via(TableAction action)
{
    switch (action) {
    case TableAction::AddButton:
        return QStringLiteral("button");
    case TableAction::AddInsert:
        return QStringLiteral("insert");
    case TableAction::AddAutomatic:
        return QStringLiteral("auto");
    case TableAction::AddRecord:
        return QStringLiteral("record");
    default:
        return {};
    }
}

QJsonArray Diff(QByteArrayView oldLine, QByteArrayView newLine)
{
    QJsonArray diff;
    for (int col : ChangedColumns(oldLine, newLine))
        diff.append(QJsonArray{col, Text(FieldView(oldLine, col)), Text(FieldView(newLine, col))});
    return diff;
}

void PutLines(QJsonObject &c, const std::vector<ReplayLine> &lines, size_t from, size_t to)
{
    QJsonArray array;
    QJsonObject eol;
    for (size_t i = from; i < to; ++i) {
        array.append(Text(lines[i].text));
        if (lines[i].eol != Eol::CrLf)
            eol.insert(QString::number(i - from + 1), QString::fromLatin1(EolBytes(lines[i].eol)));
    }
    c.insert(QStringLiteral("lines"), array);
    if (!eol.isEmpty())
        c.insert(QStringLiteral("eol"), eol);
}

}  // namespace journal
