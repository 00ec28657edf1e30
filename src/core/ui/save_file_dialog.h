#pragma once

// The program's file-save dialog: Qt's own dialog rather than the desktop's,
// so that it refuses a file in a folder that does not exist and stays open,
// instead of the write failing once the dialog is gone.

#include <QFileDialog>

class SaveFileDialog : public QFileDialog {
    Q_OBJECT

public:
    SaveFileDialog(QWidget *parent, const QString &caption, const QString &directory, const QString &filter);

    // "Folder nie istnieje:" and the folder on the next line.
    static QString MissingFolderMessage(const QString &folder);

public slots:
    void accept() override;
};
