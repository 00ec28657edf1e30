#include "dictionaries/operator_login.h"

#include "core/cp1250.h"
#include "core/user_prompts.h"
#include "dictionaries/operator_list.h"

void OperatorLogin::Succeed(const QByteArray &name)
{
    pending_ = false;
    loggedIn_ = name;
}

bool OperatorLogin::TryCommandLine(OperatorList &list, UserPrompts &prompts)
{
    if (!pending_ || arguments_.size() != 2)
        return false;
    // A name with characters that no cp1250 name can hold matches nobody.
    const std::optional<QByteArray> name = cp1250::Encode(arguments_[0]);
    const int row = name ? list.FindIgnoringCase(*name) : -1;
    if (row < 0) {
        prompts.Error(QStringLiteral("Błędny użytkownik: ") + arguments_[0]);
        return false;
    }
    const OperatorEntry &entry = list.Entries().at(row);
    const std::optional<QByteArray> password = cp1250::Encode(arguments_[1]);
    if (!password || *password != entry.password) {
        prompts.Error(QStringLiteral("Błędne hasło!"));
        return false;
    }
    list.SetCurrent(row);
    Succeed(entry.name);
    return true;
}

bool OperatorLogin::Confirm(OperatorList &list, UserPrompts &prompts)
{
    const std::optional<OperatorEntry> chosen = list.CurrentEntry();
    if (!chosen) {
        prompts.Error(QStringLiteral("Nie wybrano żadnego operatora!"));
        return false;
    }
    if (!pending_)
        return true;
    const std::optional<QString> typed =
        prompts.InputText(QStringLiteral("Hasło"), QStringLiteral("Podaj hasło operatora:"), QString(), true);
    if (!typed)
        return false;
    // Whole and exact: no trimming, no cut to 32 characters.
    const std::optional<QByteArray> password = cp1250::Encode(*typed);
    if (!password || *password != chosen->password) {
        prompts.Error(QStringLiteral("Błędne hasło!"));
        return false;
    }
    Succeed(chosen->name);
    return true;
}
