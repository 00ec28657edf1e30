#pragma once

// The in-place editor of a name in a dictionary window. The edit never goes
// into the model by itself: the window asks first (DictionaryWindow::EndRename).

#include <QPointer>
#include <QStyledItemDelegate>

class DictionaryWindow;

class RenameDelegate : public QStyledItemDelegate {
  public:
    explicit RenameDelegate(DictionaryWindow *window);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &) const override;
    // Every way the view closes the editor ends here: Enter, Esc, the focus
    // leaving it, and another row becoming current (which commits without
    // the delegate's closeEditor signal).
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;

    // Ends the open edit as Enter does.
    void Finish();

  private:
    DictionaryWindow *window_;
    mutable QPointer<QWidget> editor_;
    mutable bool committed_ = false;
    mutable QString text_;
};
