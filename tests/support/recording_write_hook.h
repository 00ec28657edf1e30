#pragma once

// A TableWriteHook that records what each storage write said it was, for
// tests of the actions that name their writes.

#include "tables/table_storage.h"

#include <QStringList>

class RecordingWriteHook : public TableWriteHook {
public:
    bool WantsDigest(const ActionInfo &) const override { return false; }
    StorageResult Record(const TableChange &change, const ActionInfo &action) override
    {
        static const char *const ops[] = {"append", "replace", "rewrite", "purge", "archive"};
        QString text = QString::fromLatin1(ops[int(change.op)]) + " " + Kind(action.kind);
        if (action.kind == TableAction::Correction)
            text += QStringLiteral(" field %1%2").arg(action.field).arg(action.range ? " range" : "");
        if (action.kind == TableAction::DeleteRange)
            text += QStringLiteral(" mode %1").arg(action.deleteMode);
        if (action.opensLoad)
            text += " load";
        if (!action.file.isEmpty())
            text += " " + action.file;
        writes << text;
        return {};
    }
    void Written(const TableChange &, bool applied) override
    {
        if (!applied)
            writes.last() += " (not applied)";
    }
    bool EndLoadUpdates() override
    {
        writes << "end of load";
        return true;
    }

    static QString Kind(TableAction a)
    {
        static const char *const names[] = {"none",        "button", "insert", "auto",   "record",      "correction",
                                            "load update", "delete", "series", "reading", "delete range"};
        return QString::fromLatin1(names[int(a)]);
    }

    QStringList writes;
};
