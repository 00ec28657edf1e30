#pragma once

// The start-up login: which operator runs the program, chosen in the
// operator window with a password or given on the command line.

#include <QByteArray>
#include <QStringList>

class OperatorList;
class UserPrompts;

// How the operator window is shown: the login and pickers (checking "OK",
// "Anuluj"), or the administrator's management (tool bar, closing "OK").
// The mode last set stays for every later opening.
enum class OperatorWindowMode { Selection, Management };

class OperatorLogin {
public:
    // `arguments`: the command line after the program's name; exactly two
    // (name, password) log in without the password window.
    explicit OperatorLogin(QStringList arguments = {}) : arguments_(std::move(arguments)) {}

    // True until a login has succeeded; while true, choosing an operator asks for the password.
    bool Pending() const { return pending_; }
    // The stored name of the operator who logged in; empty before.
    const QByteArray &LoggedIn() const { return loggedIn_; }

    // Ends the login for `name` (also for tests that start logged in).
    void Succeed(const QByteArray &name);

    // At each showing of the window while the login is pending: tries the two
    // arguments (name ignoring letter case, password exactly). True when they
    // logged in; the matched row is then highlighted and the window closes by
    // itself with OK. Otherwise the window stays open for a manual choice.
    bool TryCommandLine(OperatorList &list, UserPrompts &prompts);

    // The checking "OK" or a double click on a row. True when the window
    // closes with OK: at once for a picker, after the right password for the
    // login.
    bool Confirm(OperatorList &list, UserPrompts &prompts);

private:
    QStringList arguments_;
    bool pending_ = true;
    QByteArray loggedIn_;
};
