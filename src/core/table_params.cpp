#include "core/table_params.h"

#include "core/text.h"

TableParams TableParams::Defaults(int n)
{
    TableParams p;
    p.fields[Name] = "Tabela " + QByteArray::number(n);
    p.fields[PanelColour] = kDefaultPanelColour;
    p.fields[PanelFontColour] = kDefaultPanelFontColour;
    return p;
}

QByteArray TableParams::Joined() const
{
    return JoinWithTabs(fields);
}

TableParams TableParams::FromJoined(QByteArrayView value)
{
    TableParams p;
    qsizetype start = 0;
    for (int i = 0; i < FieldCount; ++i) {
        const qsizetype tab = value.indexOf('\t', start);
        if (tab < 0) {
            p.fields[i] = value.sliced(start).toByteArray();
            break;
        }
        p.fields[i] = value.sliced(start, tab - start).toByteArray();
        start = tab + 1;
    }
    return p;
}
