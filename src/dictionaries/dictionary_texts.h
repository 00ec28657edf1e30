#pragma once

// The texts, captions and column widths that set the three dictionaries apart.

#include "dictionaries/dictionary.h"

#include <QList>
#include <QString>

struct DictionaryColumn {
    QString caption;
    int width; // pixels (the widths are given in screen points, one pixel each)
    bool rightAligned;
};

struct DictionaryTexts {
    QString formName; // objectName of the window
    QString title;
    QList<DictionaryColumn> columns;
    QString addHint, deleteHint, renameHint; // renameHint empty for customers
    QString noneHighlighted;                 // "OK" or a command with no highlighted row
    QString noneDoubleClicked;               // double click with no highlighted row
    QString deleteQuestion;                  // followed by "name"?
    QString renameQuestion;                  // followed by "old name"?
    QByteArray copyHeader;                   // cp1250, without its CR LF

    static const DictionaryTexts &Of(DictionaryKind kind);
};

// Question text: prefix + '"' + name + '"' + '?'.
QString QuotedQuestion(const QString &prefix, const QByteArray &name);
