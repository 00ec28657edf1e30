#include "core/ui/limited_field.h"

#include "core/cp1250.h"

#include <QLineEdit>
#include <QVariant>
#include <algorithm>

namespace {

// Kept on the field itself, so a window needs no bookkeeping of its own.
constexpr const char *kLimit = "limitedField.limit";
constexpr const char *kShown = "limitedField.shown";
constexpr const char *kBytes = "limitedField.bytes";

int LimitOf(const QLineEdit *field)
{
    return field->property(kLimit).toInt();
}

// maxLength is what QLineEdit cuts typing at. An over-long preset raises it;
// as the user shortens the text it comes back down, never below the text.
void FitMaxLength(QLineEdit *field)
{
    const int ceiling = std::max(LimitOf(field), int(field->text().size()));
    if (field->maxLength() <= ceiling)
        return;
    // setMaxLength sets the text again, which moves the cursor to the end and
    // clears the modified flag.
    const int cursor = field->cursorPosition();
    const bool modified = field->isModified();
    field->setMaxLength(ceiling);
    field->setCursorPosition(cursor);
    field->setModified(modified);
}

}  // namespace

void LimitTyping(QLineEdit *field, int limit)
{
    const bool first = !field->property(kLimit).isValid();
    field->setProperty(kLimit, limit);
    if (first)
        QObject::connect(field, &QLineEdit::textChanged, field, [field] { FitMaxLength(field); });
    field->setMaxLength(std::max(limit, int(field->text().size())));
}

void PresetText(QLineEdit *field, const QString &text)
{
    if (!field->property(kLimit).isValid())
        LimitTyping(field, field->maxLength());
    field->setMaxLength(std::max(LimitOf(field), int(text.size())));
    field->setText(text);
    // What is shown: a validator may have replaced characters on the way in.
    field->setProperty(kShown, field->text());
    field->setProperty(kBytes, QVariant());
}

void PresetBytes(QLineEdit *field, const QByteArray &bytes)
{
    PresetText(field, cp1250::Decode(bytes));
    field->setProperty(kBytes, bytes);
}

bool ShowsPreset(const QLineEdit *field)
{
    // Text alone is not enough: retyping the shown text is still the user's
    // value; the modified flag alone neither, since setText (a picker) clears it.
    const QVariant shown = field->property(kShown);
    return shown.isValid() && !field->isModified() && field->text() == shown.toString();
}

QByteArray TakeBytes(const QLineEdit *field)
{
    if (ShowsPreset(field)) {
        const QVariant bytes = field->property(kBytes);
        if (bytes.isValid())
            return bytes.toByteArray();
    }
    return cp1250::EncodeLossy(field->text());
}
