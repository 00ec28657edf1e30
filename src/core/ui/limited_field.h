#pragma once

// Length limits on text fields that bind only what the user types. A value
// handed to the field (from konfig.ini, say) is shown whole even past the
// limit, and comes back byte for byte while the user leaves it alone; a bare
// QLineEdit::setMaxLength would cut it on display and the cut text would be
// stored on OK.

#include <QByteArray>
#include <QString>

class QLineEdit;

// In place of setMaxLength: typing and pasting stop at `limit` characters,
// or at what the field holds when that is more, so an edit never cuts what is
// already there.
void LimitTyping(QLineEdit *field, int limit);

// Shows `text` whole and remembers it as the field's preset. A field not
// given LimitTyping keeps its maxLength as the typing limit.
void PresetText(QLineEdit *field, const QString &text);
// Shows cp1250 data bytes whole; TakeBytes returns them unchanged while the
// field still shows them.
void PresetBytes(QLineEdit *field, const QByteArray &bytes);

// Whether the field still shows what it was last preset with, untouched by
// the user (edits undone count as untouched).
bool ShowsPreset(const QLineEdit *field);

// The field as cp1250 bytes: the preset bytes themselves while the text is
// unchanged, else the text encoded (a character cp1250 lacks becomes '?').
QByteArray TakeBytes(const QLineEdit *field);
