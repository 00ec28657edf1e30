#pragma once

// Helpers shared by the window "Ustawienia dodatkowe" and its two pages.

#include <QLabel>
#include <QList>
#include <QString>
#include <algorithm>

namespace advanced_settings_ui {

template <typename W> W *Named(W *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}

// What a screen reader says for a control: its caption without the colon.
inline QString Spoken(const QString &caption)
{
    QString s = caption.trimmed();
    if (s.endsWith(u':'))
        s.chop(1);
    return s;
}

// Groups standing one above the other read as one form: their caption
// columns get the width of the widest caption.
inline void AlignCaptions(const QList<QLabel *> &captions)
{
    int width = 0;
    for (QLabel *l : captions)
        width = std::max(width, l->sizeHint().width());
    for (QLabel *l : captions)
        l->setMinimumWidth(width);
}

} // namespace advanced_settings_ui
