#pragma once

// What one copy to the clipboard may hold: the table and dictionary copies
// keep whole lines within their limit of characters and say when rows were
// left out.

#include <QString>

// A dictionary copy.
constexpr qsizetype kClipboardMaxChars = 1000000;

inline QString ClipboardCutMessage(int copied, int total, qsizetype limit = kClipboardMaxChars)
{
    return QStringLiteral("Do schowka skopiowano tylko %1 z %2 wierszy: kopia może mieć najwyżej %3 znaków.")
        .arg(copied)
        .arg(total)
        .arg(limit);
}
