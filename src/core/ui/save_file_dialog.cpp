#include "core/ui/save_file_dialog.h"

#include "core/ui/dialog_prompts.h"

#include <QDir>
#include <QFileInfo>

SaveFileDialog::SaveFileDialog(QWidget *parent, const QString &caption, const QString &directory,
                               const QString &filter)
    : QFileDialog(parent, caption, directory, filter)
{
    // A desktop's dialog would close without asking accept().
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
}

QString SaveFileDialog::MissingFolderMessage(const QString &folder)
{
    return QStringLiteral("Folder nie istnieje:\n") + QDir::toNativeSeparators(folder);
}

void SaveFileDialog::accept()
{
    const QStringList files = selectedFiles();
    if (!files.isEmpty()) {
        const QFileInfo chosen(files.first());
        // A folder typed in is opened by the dialog itself.
        if (!chosen.isDir() && !QFileInfo(chosen.absolutePath()).isDir()) {
            DialogPrompts(this, {}).Error(MissingFolderMessage(chosen.absolutePath()));
            return;
        }
    }
    QFileDialog::accept();
}
