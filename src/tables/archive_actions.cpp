#include "tables/archive_actions.h"

#include "core/clock.h"
#include "core/user_prompts.h"
#include "tables/data_filter.h"
#include "tables/measurement_table.h"
#include "tables/table_storage.h"

#include <QDir>
#include <QFileInfo>
#include <QList>

namespace {

bool MakeArchiveDir(const QString &archiveDir)
{
    return archiveDir.isEmpty() || QDir().mkpath(archiveDir);
}

struct PendingMessage {
    UserPrompts::Icon icon;
    QString text;
};

// Copies the working file's lines chosen by `which` into the new archive
// `path`. A table whose working file has gone (removed by hand) is archived
// from its rows shown, so they are not lost either.
StorageResult ArchiveBeforeChange(ArchiveContext &ctx, const QString &path, LineSelection which,
                                  const ShownLines &alsoShown = {})
{
    const int number = ctx.table.number();
    if (!MakeArchiveDir(ctx.archiveDir))
        return StorageResult::Failed(CreateErrorMessage(path));
    if (RecoverInterruptedAppend(ctx.storage, number) && !QFileInfo::exists(ctx.storage.WorkingFile(number)))
        return WriteRowsTo(ctx.storage, path, ctx.table);
    return ArchiveWorkingFile(ctx.storage, number, path, which, ctx.filter, alsoShown);
}

}  // namespace

QString ArchiveSavedMessage(const QString &path)
{
    return QStringLiteral("Pomiary z tabeli zostały zapisane w archiwum w pliku:\n") + path;
}

QString InvalidLinesGoText(int count)
{
    return QStringLiteral("Z pliku tabeli zostaną też usunięte nieprawidłowe linie: %1.").arg(count);
}

QString ArchiveFileFilter()
{
    return QStringLiteral("Pliki tekstowe (*.txt);;Wszystkie pliki (*.*)");
}

bool SaveTableToArchive(ArchiveContext &ctx)
{
    if (!ctx.prompts.Question(QStringLiteral("Czy napewno zapisać w archiwum pomiary z bieżącej tabeli?")))
        return false;
    const QString path = ArchiveFileName(ctx.archiveDir, ctx.table.number(), ctx.clock.Now());
    if (!ReportFailure(WriteRowsTo(ctx.storage, path, ctx.table), ctx.prompts))
        return false;
    ctx.prompts.Information(ArchiveSavedMessage(path));
    return true;
}

bool ReadTableFromArchive(ArchiveContext &ctx)
{
    // Hidden rows count too: they are replaced as well.
    bool archiveFirst = false;
    if (!ctx.table.IsEmpty() || HoldsAnyLine(ctx.storage, ctx.table.number())) {
        QString question = QStringLiteral("Dane w bieżącej tabeli zostaną nadpisane danymi odczytanymi z archiwum.\n");
        // Lines the table never showed go too; the archive copy would keep them.
        if (const int invalid = InvalidLineCount(ctx.storage, ctx.table.number()); invalid > 0)
            question += InvalidLinesGoText(invalid) + QLatin1Char('\n');
        archiveFirst =
            ctx.prompts.Question(question + QStringLiteral("Czy przed odczytem zapisać bieżące dane do archiwum?"));
    }
    const auto chosen = ctx.prompts.OpenFileName(QDir(ctx.archiveDir).absolutePath(), ArchiveFileFilter());
    if (!chosen || chosen->isEmpty())
        return false;

    // Nothing changes before the chosen file has been read, into a table of
    // its own. The old working file is archived whole (hidden rows included)
    // only then, and the new rows replace table and file together. Messages
    // wait until the busy cursor is gone.
    QList<PendingMessage> messages;
    bool changed = false;
    const auto work = [&] {
        MeasurementTable read(ctx.table.number());
        const LoadResult loaded = LoadTable(*chosen, read, ctx.filter);
        if (!loaded)
            messages.append({UserPrompts::Icon::Error, loaded.message});
        // Unreadable, or without a single valid line: not a table file.
        // Otherwise its valid rows become the table; invalid lines are skipped.
        if (loaded.readFailed || (loaded.validLines == 0 && !loaded.invalid.isEmpty()))
            return;
        if (archiveFirst) {
            const QString path = ArchiveFileName(ctx.archiveDir, ctx.table.number(), ctx.clock.Now());
            if (StorageResult r = ArchiveBeforeChange(ctx, path, LineSelection::All); !r) {
                messages.append({UserPrompts::Icon::Error, r.message});
                return;
            }
            messages.append({UserPrompts::Icon::Information, ArchiveSavedMessage(path)});
        }
        const ActionScope scope(ctx.storage, ActionInfo::ArchiveRead(*chosen));
        if (StorageResult r = RewriteWorkingFile(ctx.storage, read); !r) {
            messages.append({UserPrompts::Icon::Error, r.message});
            return;
        }
        ctx.table.TakeRows(read);
        changed = true;
    };
    if (ctx.whileBusy)
        ctx.whileBusy(work);
    else
        work();
    for (const PendingMessage &m : messages)
        ctx.prompts.Message(m.icon, m.text);
    return changed;
}

bool DeleteTableData(ArchiveContext &ctx, const DeleteChoice &choice)
{
    // Only emptying the whole file takes the invalid lines with it; the
    // filtered deletions leave them where they are.
    if (choice.mode == DeleteChoice::All)
        if (const int invalid = InvalidLineCount(ctx.storage, ctx.table.number()); invalid > 0)
            if (!ctx.prompts.Question(InvalidLinesGoText(invalid) + QStringLiteral("\nCzy usunąć dane z tabeli?")))
                return false;
    // What the screen shows counts as shown, also rows the filter does not
    // match (added or corrected while it was on): "wyświetlone" are deleted
    // with the others, and kept by "z wyjątkiem wyświetlonych".
    const ShownLines alsoShown =
        choice.mode == DeleteChoice::All ? ShownLines() : ShownButNotMatching(ctx.table, ctx.filter);
    if (choice.archiveFirst) {
        // The archive holds exactly the lines the deletion removes, hidden ones included.
        const LineSelection which = choice.mode == DeleteChoice::Shown         ? LineSelection::Matching
                                    : choice.mode == DeleteChoice::AllButShown ? LineSelection::NotMatching
                                                                               : LineSelection::All;
        const QString path = ArchiveFileName(ctx.archiveDir, ctx.table.number(), ctx.clock.Now());
        if (!ReportFailure(ArchiveBeforeChange(ctx, path, which, alsoShown), ctx.prompts))
            return false;
        ctx.prompts.Information(ArchiveSavedMessage(path));
    }
    const int number = ctx.table.number();
    const ActionScope scope(ctx.storage, ActionInfo::DeleteRange(choice.mode));
    switch (choice.mode) {
    case DeleteChoice::Shown:
        if (!ReportFailure(PurgeByFilter(ctx.storage, number, ctx.filter, false, alsoShown), ctx.prompts))
            return false;
        ctx.table.Clear();
        return true;
    case DeleteChoice::AllButShown:
        return ReportFailure(PurgeByFilter(ctx.storage, number, ctx.filter, true, alsoShown), ctx.prompts);
    default: {
        // The empty file is written first; the rows go only when it is in place.
        MeasurementTable empty(number);
        if (!ReportFailure(RewriteWorkingFile(ctx.storage, empty), ctx.prompts))
            return false;
        ctx.table.Clear();
        return true;
    }
    }
}
