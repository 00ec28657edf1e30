// What the commands of a dictionary window do: the tool buttons, their keys
// on the list, "OK", a double click and "Anuluj". Each forwards to the logic
// (dictionary_actions.h) and shows the result.

#include "core/cp1250.h"
#include "core/user_prompts.h"
#include "dictionaries/dictionary_texts.h"
#include "dictionaries/ui/busy_cursor.h"
#include "dictionaries/ui/dictionary_window.h"

#include <QApplication>
#include <QClipboard>
#include <QTableView>
#include <QToolButton>

DictionaryContext DictionaryWindow::Context()
{
    return DictionaryContext{dictionary_, *env_.prompts, env_.unit ? env_.unit() : QStringLiteral("kg"),
                             env_.massDecimals ? env_.massDecimals() : 2, pickPackaging_};
}

void DictionaryWindow::ShowChanged(int entry)
{
    model_->Refresh();
    const int row = model_->RowOfEntry(entry);
    HighlightRow(row < 0 ? 0 : row);
    list_->setFocus();
}

void DictionaryWindow::AddClick()
{
    EndRename(-1);
    DictionaryContext c = Context();
    const int entry = AddEntry(c);
    if (entry >= 0)
        ShowChanged(entry);
    list_->setFocus();
}

void DictionaryWindow::DeleteClick()
{
    const int entry = CommandEntry();
    DictionaryContext c = Context();
    const int removed = DeleteEntry(c, entry);
    if (removed >= 0) {
        model_->Refresh();
        // The row the removed one stood at.
        int row = 0;
        while (row < model_->rowCount() && model_->EntryOfRow(row) < removed)
            ++row;
        HighlightRow(row);
    }
    list_->setFocus();
}

void DictionaryWindow::CopyClick()
{
    EndRename(-1);
    DictionaryCopy copy;
    {
        BusyCursor busy;
        copy = BuildCopyText(*model_);
        QApplication::clipboard()->setText(cp1250::Decode(copy.text));
    }
    if (copy.rowsCopied < copy.rowsShown)
        env_.prompts->Warning(CopyCutMessage(copy));
}

void DictionaryWindow::OkClick()
{
    const int entry = CommandEntry();
    if (entry < 0) {
        env_.prompts->Error(DictionaryTexts::Of(kind_).noneHighlighted);
        return;
    }
    HighlightEntry(entry);
    accept();
}

void DictionaryWindow::ListDblClick()
{
    const int entry = CommandEntry();
    if (entry < 0) {
        env_.prompts->Error(DictionaryTexts::Of(kind_).noneDoubleClicked);
        return;
    }
    HighlightEntry(entry);
    accept();
}

void DictionaryWindow::reject()
{
    EndRename(-1);
    QDialog::reject();
}

bool DictionaryWindow::ListKey(int key)
{
    const auto press = [](QToolButton *b) {
        if (b->isEnabled())
            b->click();
        return true;
    };
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OkClick();
        return true;
    case Qt::Key_Insert:
        return press(add_);
    case Qt::Key_Delete:
        return press(delete_);
    case Qt::Key_F2:
        return press(rename_);
    default:
        return false;
    }
}
