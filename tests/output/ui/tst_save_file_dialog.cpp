// The save dialog the spreadsheet export asks through (DialogPrompts): a
// file in a folder that does not exist is refused and the dialog stays open.

#include "core/ui/dialog_prompts.h"
#include "core/ui/save_file_dialog.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs `step` once a modal window of type T is open (from within its loop).
template <typename T>
void WhenModal(std::function<void(T *)> step)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        if (auto *w = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            step(w);
        }
    });
    timer->start();
}

}  // namespace

class TestSaveFileDialog : public QObject {
    Q_OBJECT

private slots:
    void aMissingFolderIsRefusedAndTheDialogStaysOpen()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("jest");
        UserPrompts::SaveDialog request{"SD1", "Zapisz pomiary...", dir.path(), "tab_1.xlsx", "*.xlsx (*.xlsx)", "xlsx"};

        QStringList refusals;
        QStringList stillOpenAfter;
        WhenModal<SaveFileDialog>([&](SaveFileDialog *d) {
            auto *name = d->findChild<QLineEdit *>("fileNameEdit");
            // A missing folder, typed or given whole, then an existing one.
            for (const QString &typed : {QString("brak/t"), dir.filePath("brak/gleboko/t.xlsx")}) {
                name->setText(typed);
                WhenModal<QMessageBox>([&](QMessageBox *box) {
                    refusals.append(box->text());
                    box->buttons().first()->click();
                });
                d->accept();
                if (d->isVisible() && d->result() != QDialog::Accepted)
                    stillOpenAfter.append(typed);
            }
            name->setText("jest/t");
            d->accept();
        });
        const std::optional<QString> chosen = DialogPrompts(nullptr, {}).SaveFileName(request);

        QCOMPARE(refusals, QStringList({"Folder nie istnieje:\n" + QDir::toNativeSeparators(dir.filePath("brak")),
                                        "Folder nie istnieje:\n" +
                                            QDir::toNativeSeparators(dir.filePath("brak/gleboko"))}));
        QCOMPARE(stillOpenAfter.size(), 2);
        QCOMPARE(chosen, std::optional<QString>(dir.filePath("jest/t.xlsx")));
    }
};

QTEST_MAIN(TestSaveFileDialog)
#include "tst_save_file_dialog.moc"
