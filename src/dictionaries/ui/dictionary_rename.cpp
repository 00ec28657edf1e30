// In-place rename in a dictionary window: the editor, and how the window
// ends it and asks its question before any command goes on.

#include "core/ui/cp1250_validator.h"
#include "dictionaries/ui/dictionary_window.h"
#include "dictionaries/ui/rename_delegate.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <utility>

namespace {

// Keeps Enter to itself: it ends the in-place edit and must not reach the
// window, where it would press "OK".
class RenameEditor : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;

  protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        QLineEdit::keyPressEvent(event);
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            event->accept();
    }
};

} // namespace

RenameDelegate::RenameDelegate(DictionaryWindow *window) : QStyledItemDelegate(window), window_(window) {}

QWidget *RenameDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const
{
    auto *editor = new RenameEditor(parent);
    editor->setObjectName(QStringLiteral("Erename"));
    editor->setFrame(false);
    editor->setValidator(new Cp1250Validator(editor));
    editor_ = editor;
    committed_ = false;
    return editor;
}

void RenameDelegate::setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &) const
{
    committed_ = true;
    text_ = static_cast<QLineEdit *>(editor)->text();
}

void RenameDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    const bool committed = std::exchange(committed_, false);
    QStyledItemDelegate::destroyEditor(editor, index);
    window_->RenameEditorClosed(committed, text_);
}

void RenameDelegate::Finish()
{
    if (QWidget *editor = editor_.data(); editor && !editor->isHidden()) {
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
    }
}

void DictionaryWindow::RenameClick()
{
    const int entry = CommandEntry();
    DictionaryContext c = Context();
    if (!RequireRow(c, entry))
        return;
    HighlightEntry(entry);
    const int row = model_->RowOfEntry(entry);
    renaming_ = KeyOf(dictionary_, entry);
    model_->SetRenameRow(row);
    list_->setFocus();
    list_->edit(model_->index(row, 0));
}

void DictionaryWindow::RenameEditorClosed(bool committed, const QString &text)
{
    if (!renaming_)
        return;
    const EntryKey entry = *std::exchange(renaming_, std::nullopt);
    model_->SetRenameRow(-1);
    if (!committed)
        return;
    pendingRename_ = PendingRename{entry, text};
    // Asked once the editor is gone, so the question's focus change cannot
    // end the edit a second time; a command that comes first asks it itself.
    QMetaObject::invokeMethod(
        this, [this] { EndRename(-1); }, Qt::QueuedConnection);
}

int DictionaryWindow::CommandEntry()
{
    return EndRename(HighlightedEntry());
}

int DictionaryWindow::EndRename(int entry)
{
    if (renaming_)
        renameDelegate_->Finish();
    if (renaming_) { // a model reset took the editor without closing it
        renaming_.reset();
        model_->SetRenameRow(-1);
    }
    if (!pendingRename_)
        return entry;
    const PendingRename rename = *std::exchange(pendingRename_, std::nullopt);
    const int renamedEntry = FindEntry(dictionary_, rename.entry);
    const std::optional<EntryKey> key = entry >= 0 ? std::optional(KeyOf(dictionary_, entry)) : std::nullopt;
    DictionaryContext c = Context();
    const int renamed = ConfirmRename(c, renamedEntry, rename.text);
    if (renamed >= 0)
        ShowChanged(renamed);
    list_->setFocus();
    if (!key)
        return -1;
    // The renamed row no longer has the line it had.
    if (entry == renamedEntry && renamed >= 0)
        return renamed;
    return FindEntry(dictionary_, *key);
}
