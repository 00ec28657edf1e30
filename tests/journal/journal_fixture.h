#pragma once

// A data folder with its journal, the key kept in the same temporary folder
// (never the user's configuration), and a clock that stands still.

#include "core/clock.h"
#include "journal/journal.h"
#include "journal/journal_check.h"
#include "journal/journal_line.h"
#include "journal/journal_reader.h"
#include "support/temp_dir.h"
#include "tables/table_storage.h"

#include <QDir>
#include <QJsonArray>
#include <gtest/gtest.h>

#include <memory>

// A weighing line: twelve fields, cp1250.
inline QByteArray Row(int nr, const QByteArray &material = "Piasek", const QByteArray &gross = "120.50")
{
    return QByteArray::number(nr) + "\t2024-05-17 14:03\t" + gross + "\t118.00\t2.50\t0.50\t59.00\tWZ1\t" + material +
           "\tBig bag\tJAN\tFirma";
}

class JournalFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        ASSERT_TRUE(QDir().mkpath(DataDir()));
    }

    QString DataDir() const { return tmp.path() + "/dane/"; }
    QString KeyDir() const { return tmp.path() + "/config/pomiary/dziennik/"; }
    QString Working(int n) const { return DataDir() + QString("pomiary%1.txt").arg(n); }
    QString JournalPath() const { return DataDir() + "dziennik.txt"; }

    // A start of the program: the journal opened and hooked to the storage.
    QList<JournalFinding> Start()
    {
        journal_.reset();
        storage.SetWriteHook(nullptr);
        journal_ = std::make_unique<Journal>(storage, JournalOptions{KeyDir(), &clock});
        QList<JournalFinding> findings = journal_->Open();
        storage.SetWriteHook(journal_.get());
        return findings;
    }
    // The program stops at once (as killed): nothing more is written.
    void Kill()
    {
        storage.SetWriteHook(nullptr);
        journal_.reset();
    }
    Journal &J() { return *journal_; }

    QList<journal::Event> Events() const
    {
        journal::JournalLines lines;
        QList<journal::Event> out;
        if (!journal::ReadJournalLines(JournalPath(), lines))
            return out;
        for (size_t i = 0; i < lines.spans.size(); ++i)
            if (auto e = journal::ParseEvent(lines.Line(i)))
                out.append(*e);
        return out;
    }
    journal::Event LastEvent() const { return Events().constLast(); }
    QList<QByteArray> JournalLines() const
    {
        QList<QByteArray> lines = ReadAll(JournalPath()).split('\n');
        if (!lines.isEmpty() && lines.back().isEmpty())
            lines.removeLast();
        return lines;
    }
    void WriteJournalLines(const QList<QByteArray> &lines) const
    {
        QByteArray all;
        for (const QByteArray &l : lines)
            all += l + '\n';
        ASSERT_TRUE(WriteAll(JournalPath(), all));
    }

    JournalCheckReport Check() const { return CheckJournal(DataDir(), KeyDir(), 2); }

    QTemporaryDir tmp;
    ManualClock clock{QDateTime(QDate(2024, 5, 17), QTime(14, 3, 22), Qt::OffsetFromUTC, 7200)};
    TableStorage storage{tmp.path() + "/dane/"};

private:
    std::unique_ptr<Journal> journal_;
};

// An automatic add in mode 1: its row is a load, updated until final.
inline StorageResult AppendLoad(const TableStorage &storage, int table, const QByteArray &line)
{
    ActionInfo add = ActionInfo::Of(TableAction::AddAutomatic);
    add.opensLoad = true;
    const ActionScope s(storage, add);
    return AppendLine(storage, table, line);
}

// The exact bytes a journal text member stands for.
inline QByteArray BytesOf(const QJsonValue &v)
{
    return journal::Bytes(v).value_or("<not cp1250>");
}
