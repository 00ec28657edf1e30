#include "dictionaries/operator_list.h"

#include "core/cp1250.h"
#include "core/text.h"
#include "core/user_prompts.h"

#include <QLocale>
#include <algorithm>

OperatorList::OperatorList(QString path) : path_(std::move(path)), collator_(QLocale(QLocale::Polish, QLocale::Poland))
{
}

void OperatorList::Load(UserPrompts &prompts)
{
    entries_.clear();
    current_ = -1;
    const OperatorFileLoad loaded = LoadOperatorFile(path_, prompts);
    strayBytes_ = loaded.strayBytes;
    for (const OperatorEntry &e : loaded.entries)
        Insert(e);
    current_ = entries_.isEmpty() ? -1 : 0;
}

std::optional<OperatorEntry> OperatorList::CurrentEntry() const
{
    if (current_ < 0)
        return std::nullopt;
    return entries_.at(current_);
}

int OperatorList::FindIgnoringCase(QByteArrayView name) const
{
    // Every letter of cp1250 has its case ignored (Š and š, Ä and ä too), not
    // only those that UpperPolish knows.
    const QString wanted = cp1250::Decode(name);
    for (int i = 0; i < Count(); ++i)
        if (QString::compare(cp1250::Decode(entries_[i].name), wanted, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool OperatorList::Less(const QByteArray &a, const QByteArray &b) const
{
    return collator_.compare(cp1250::Decode(a), cp1250::Decode(b)) < 0;
}

int OperatorList::Insert(OperatorEntry entry)
{
    const auto at =
        std::upper_bound(entries_.begin(), entries_.end(), entry.name,
                         [this](const QByteArray &name, const OperatorEntry &e) { return Less(name, e.name); });
    const int row = int(at - entries_.begin());
    entries_.insert(row, std::move(entry));
    if (current_ >= row)
        ++current_;
    return row;
}

QByteArray OperatorFieldFromInput(const QString &typed)
{
    return cp1250::EncodeLossy(typed).left(kOperatorFieldLength);
}

bool OperatorList::AddOperator(UserPrompts &prompts)
{
    const std::optional<QString> typedName = prompts.InputText(
        QStringLiteral("Nowy operator"), QStringLiteral("Podaj nazwisko operatora:"), QString(), false);
    if (!typedName)
        return false;
    const QByteArray name = OperatorFieldFromInput(*typedName);
    if (StripSpaces(name).isEmpty()) {
        prompts.Error(QStringLiteral("Błędna nazwa operatora!"));
        return false;
    }
    if (FindIgnoringCase(name) >= 0) {
        prompts.Error(QStringLiteral("Operator już istnieje!"));
        return false;
    }
    const std::optional<QString> typedPassword = prompts.InputText(
        QStringLiteral("Hasło"), QStringLiteral("Wprowadź hasło dla nowego operatora:"), QString(), true);
    if (!typedPassword)
        return false;
    const QByteArray password = OperatorFieldFromInput(*typedPassword);
    if (StripSpaces(password).isEmpty()) {
        prompts.Error(QStringLiteral("Hasło nie może być puste!"));
        return false;
    }
    current_ = Insert({name, password});
    Save(prompts);  // a failure is reported; the list keeps the new operator
    return true;
}

bool OperatorList::DeleteOperator(UserPrompts &prompts)
{
    if (current_ < 0) {
        prompts.Error(QStringLiteral("Żaden operator nie został wskazany!"));
        return false;
    }
    const QByteArray name = entries_[current_].name;
    if (!prompts.Question(QStringLiteral("Czy napewno usunąć operatora: \"") + cp1250::Decode(name) +
                          QStringLiteral("\"?")))
        return false;
    if (name == kAdministratorName) {
        prompts.Error(QStringLiteral("Administrator nie może być usunięty!"));
        return false;
    }
    const int row = current_;
    entries_.removeAt(row);
    Save(prompts);
    current_ = entries_.isEmpty() ? -1 : qMin(row, Count() - 1);
    return true;
}

bool OperatorList::ChangePassword(UserPrompts &prompts)
{
    if (current_ < 0) {
        prompts.Error(QStringLiteral("Żaden operator nie został wskazany!"));
        return false;
    }
    const std::optional<QString> typed =
        prompts.InputText(QStringLiteral("Zmiana hasła"), QStringLiteral("Wprowadź nowe hasło:"), QString(), true);
    if (!typed)
        return false;
    const QByteArray password = OperatorFieldFromInput(*typed);
    if (StripSpaces(password).isEmpty()) {
        prompts.Error(QStringLiteral("Hasło nie może być puste!"));
        return false;
    }
    entries_[current_].password = password;
    Save(prompts);
    return true;
}

bool OperatorList::Save(UserPrompts &prompts)
{
    // The stray bytes of a cut file would vanish with the rewrite: keep the
    // old file as it was, next to the new one.
    if (strayBytes_ > 0) {
        if (KeepCopyOfCutFile(path_, prompts).isEmpty())
            return false;
        strayBytes_ = 0;  // they are in the copy now
    }
    return SaveOperatorFile(path_, entries_, prompts);
}
