#include "tables/archive_actions.h"

#include "core/clock.h"
#include "core/user_prompts.h"
#include "tables/measurement_table.h"
#include "tables/table_storage.h"

#include <QDir>

namespace {

bool MakeArchiveDir(const QString &archiveDir)
{
    return archiveDir.isEmpty() || QDir().mkpath(archiveDir);
}

}  // namespace

QString ArchiveSavedMessage(const QString &path)
{
    return QStringLiteral("Pomiary z tabeli zostały zapisane w archiwum w pliku:\n") + path;
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
    if (!ReportFailure(WriteRowsTo(path, ctx.table), ctx.prompts))
        return false;
    ctx.prompts.Information(ArchiveSavedMessage(path));
    return true;
}

bool ReadTableFromArchive(ArchiveContext &ctx)
{
    if (!ctx.table.IsEmpty()) {
        const bool archive = ctx.prompts.Question(
            QStringLiteral("Dane w bieżącej tabeli zostaną nadpisane danymi odczytanymi z archiwum.\n"
                           "Czy przed odczytem zapisać bieżące dane do archiwum?"));
        if (archive) {
            const QString path = ArchiveFileName(ctx.archiveDir, ctx.table.number(), ctx.clock.Now());
            // The whole working file goes to the archive, rows hidden by the
            // filter included. It is copied rather than moved, so the working
            // file stays in place until the rewrite below replaces it whole.
            // If the copy fails nothing else happens.
            if (!MakeArchiveDir(ctx.archiveDir)) {
                ctx.prompts.Error(WriteErrorMessage(path));
                return false;
            }
            if (!ReportFailure(ArchiveWorkingFile(ctx.storage, ctx.table.number(), path), ctx.prompts))
                return false;
            ctx.prompts.Information(ArchiveSavedMessage(path));
        }
        if (!ReportFailure(RewriteWorkingFile(ctx.storage, ctx.table), ctx.prompts))
            return false;
    }
    const auto chosen = ctx.prompts.OpenFileName(QDir(ctx.archiveDir).absolutePath(), ArchiveFileFilter());
    if (!chosen || chosen->isEmpty())
        return false;
    // Rows read before an invalid line stay and become the working file. A
    // file that cannot be read at all changes nothing.
    LoadResult loaded;
    StorageResult rewritten;
    const auto work = [&] {
        loaded = LoadTable(*chosen, ctx.table, ctx.filter);
        if (!loaded.readFailed)
            rewritten = RewriteWorkingFile(ctx.storage, ctx.table);
    };
    if (ctx.whileBusy)
        ctx.whileBusy(work);
    else
        work();
    ReportFailure(loaded, ctx.prompts);
    if (loaded.readFailed)
        return false;
    ReportFailure(rewritten, ctx.prompts);
    return true;
}

bool DeleteTableData(ArchiveContext &ctx, const DeleteChoice &choice)
{
    if (choice.archiveFirst) {
        const QString path = ArchiveFileName(ctx.archiveDir, ctx.table.number(), ctx.clock.Now());
        MakeArchiveDir(ctx.archiveDir);
        if (!ReportFailure(WriteRowsTo(path, ctx.table), ctx.prompts))
            return false;
        ctx.prompts.Information(ArchiveSavedMessage(path));
    }
    const int number = ctx.table.number();
    switch (choice.mode) {
    case DeleteChoice::Shown:
        if (!ReportFailure(PurgeByFilter(ctx.storage, number, ctx.filter, false), ctx.prompts))
            return false;
        ctx.table.Clear();
        return true;
    case DeleteChoice::AllButShown:
        return ReportFailure(PurgeByFilter(ctx.storage, number, ctx.filter, true), ctx.prompts);
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
