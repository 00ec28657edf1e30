// The archive buttons of the table pages: they run the archive actions on
// the ActiveTable and refresh the pages afterwards.

#include "tables/ui/table_pages.h"

#include "core/program_config.h"
#include "tables/table_set.h"
#include "tables/ui/delete_mode_dialog.h"

#include <QDir>

QString TablePages::ArchiveDir() const
{
    const QString dir = ArchiveDirFromSetting(env_.config->archiveDir);
    if (env_.workDir.isEmpty() || dir.isEmpty() || !QDir::isRelativePath(dir))
        return dir;
    return QDir(env_.workDir).filePath(dir) + (dir.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/"));
}

ArchiveContext TablePages::MakeContext()
{
    return ArchiveContext{ActiveTable(), storage_, ArchiveDir(), *env_.filter, *env_.clock, Prompts(),
                          [this](const std::function<void()> &work) { WhileBusy(work); }};
}

void TablePages::AfterArchiveAction(bool changed)
{
    RefreshTableCaptions();
    RefreshTotals();
    if (changed)
        emit tableDataChanged(ActiveTableNumber());
}

void TablePages::SaveTableToArchive()
{
    ArchiveContext ctx = MakeContext();
    ::SaveTableToArchive(ctx);
}

void TablePages::ReadTableFromArchive()
{
    ArchiveContext ctx = MakeContext();
    AfterArchiveAction(::ReadTableFromArchive(ctx));
}

DeleteModeDialog *TablePages::DeleteModeWindow()
{
    if (!deleteMode_)
        deleteMode_ = new DeleteModeDialog(this);
    return deleteMode_;
}

void TablePages::SetDeleteChooser(std::function<std::optional<DeleteChoice>()> chooser)
{
    deleteChooser_ = std::move(chooser);
}

void TablePages::DeleteTableData()
{
    const std::optional<DeleteChoice> choice = deleteChooser_ ? deleteChooser_() : DeleteModeWindow()->Ask();
    if (!choice)
        return;
    ArchiveContext ctx = MakeContext();
    AfterArchiveAction(::DeleteTableData(ctx, *choice));
}
