#pragma once

// The operators in memory: kept sorted by name for Polish, with the row the
// operator window highlights, and the three management actions (add, delete,
// change password). Every change is written to operatorzy.txt at once.

#include "dictionaries/operator_file.h"

#include <QCollator>
#include <optional>

class UserPrompts;

class OperatorList {
public:
    explicit OperatorList(QString path);

    // Reads the file (creating it with the administrator when missing) and
    // highlights the first row. The file itself is not rewritten here.
    void Load(UserPrompts &prompts);

    const QString &Path() const { return path_; }
    const QList<OperatorEntry> &Entries() const { return entries_; }
    int Count() const { return int(entries_.size()); }

    // The highlighted row, -1 when none.
    int Current() const { return current_; }
    void SetCurrent(int row) { current_ = (row >= 0 && row < Count()) ? row : -1; }
    std::optional<OperatorEntry> CurrentEntry() const;

    // The row whose name equals `name` ignoring letter case (of every letter
    // cp1250 holds), or -1.
    int FindIgnoringCase(QByteArrayView name) const;

    // Puts `entry` at its place in the order and returns its row; equal names
    // keep the order they came in. Nothing is saved.
    int Insert(OperatorEntry entry);

    // "dodaj operatora": asks for the name and the password; the new
    // operator is highlighted. True when the list changed.
    bool AddOperator(UserPrompts &prompts);
    // "usuń operatora (del)": asks, refuses the administrator, then
    // highlights the row that took the removed one's place (or the last).
    bool DeleteOperator(UserPrompts &prompts);
    // "zmień hasło": the highlighted operator's new password (the old one is not asked).
    bool ChangePassword(UserPrompts &prompts);

    // Rewrites the file from the list. A file that was cut (a partial pair at
    // its end) is first copied aside, so its stray bytes are never lost
    // without a trace. False (reported) when the file keeps its old content.
    bool Save(UserPrompts &prompts);

    // Bytes after the last whole pair of the loaded file, until the next save.
    qint64 StrayBytes() const { return strayBytes_; }

private:
    bool Less(const QByteArray &a, const QByteArray &b) const;

    QString path_;
    QList<OperatorEntry> entries_;
    int current_ = -1;
    qint64 strayBytes_ = 0;
    QCollator collator_;
};

// The first 32 characters of a typed name or password, as cp1250.
QByteArray OperatorFieldFromInput(const QString &typed);
