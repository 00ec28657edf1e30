#pragma once

// The design shared by the material, packaging and supplier/customer windows:
// the search bar ("Wyszukaj (F3):", the search field, "<wyszukiwanie
// włączone>" and the tool buttons), the list, the "Zastosuj do: " group and
// "OK" / "Anuluj". Created once, loading its file; shown modally as a picker
// (Pick) as often as needed. The commands themselves live in the logic
// (dictionary_actions.h); the window forwards to them and shows the result.
//
// The tool buttons take no focus, so a command may start while an in-place
// rename is open. Every command therefore first ends the rename the way
// Enter does (its question and save), and then acts on the row it was
// started on, found again after the rename re-sorted the list.
//
// The window is built in dictionary_window.cpp, its commands are in
// dictionary_commands.cpp, the in-place rename in dictionary_rename.cpp.

#include "dictionaries/dictionary.h"
#include "dictionaries/dictionary_actions.h"
#include "dictionaries/dictionary_model.h"
#include "dictionaries/pickers.h"

#include <QDialog>
#include <functional>
#include <optional>

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableView;
class QToolButton;
class RenameDelegate;
class UserPrompts;

// What a dictionary window takes from the main window.
struct DictionaryWindowEnv {
    QString dataDir;
    UserPrompts *prompts = nullptr;
    std::function<QString()> unit;     // the configured unit (the main window's unit label)
    std::function<int()> massDecimals; // decimals of masses now
};

class DictionaryWindow : public QDialog {
    Q_OBJECT
  public:
    DictionaryWindow(DictionaryKind kind, DictionaryWindowEnv env, QWidget *parent = nullptr);
    ~DictionaryWindow() override;

    // Opens the window modally with the "Zastosuj do: " group shown or
    // hidden for this opening (it is shown again afterwards). The
    // highlighted row on OK, nullopt on "Anuluj".
    std::optional<PickedEntry> Pick(bool applyToShown);

    void SetApplyToShown(bool shown);
    bool ApplyToShown() const;
    ApplyToChoice ApplyTo() const;

    Dictionary &dictionary() { return dictionary_; }
    DictionaryModel &model() { return *model_; }
    bool SearchActive() const { return model_->SearchActive(); }
    // The dictionary index of the highlighted row, -1 when none.
    int HighlightedEntry() const;

    // Handlers of the controls.
    void FormActivate();
    void SearchChanged();
    void AddClick();
    void DeleteClick();
    void RenameClick();
    void CopyClick();
    void OkClick();
    void ListDblClick();
    // "Anuluj" and the window's close button.
    void reject() override;

  protected:
    // A tool button placed before the copy button. `changesDictionary`:
    // disabled during a search.
    QToolButton *AddToolButton(const QString &name, const QString &text, const QString &hint, bool changesDictionary,
                               const std::function<void()> &onClick);
    // Whether a button that changes the dictionary may be enabled outside a
    // search (the price button follows the operator's right).
    virtual bool MayEnable(const QToolButton *button) const;
    // Enables the buttons and shows the label for the search state.
    void ApplySearchState();

    DictionaryContext Context();
    // After a change: the list rebuilt and the row highlighted (clamped to the rows shown).
    void ShowChanged(int entry);
    void SetPackagingPicker(std::function<std::optional<PickedEntry>()> picker) { pickPackaging_ = std::move(picker); }

    // The highlighted row as a command sees it: an open or just ended rename
    // is finished first, and the row comes back as it stands afterwards
    // (-1 when none is highlighted).
    int CommandEntry();
    // Ends an open rename like Enter and asks a committed one's question;
    // `entry` (an index from before) is returned as it stands afterwards.
    int EndRename(int entry);

    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    friend class RenameDelegate;
    void BuildControls();
    void LoadFile();
    void HighlightRow(int row);
    void HighlightEntry(int entry);
    void RenameEditorClosed(bool committed, const QString &text);
    bool ListKey(int key);

    DictionaryKind kind_;
    DictionaryWindowEnv env_;
    Dictionary dictionary_;
    DictionaryModel *model_ = nullptr;
    std::function<std::optional<PickedEntry>()> pickPackaging_;

    QLineEdit *search_ = nullptr;
    QLabel *searchOn_ = nullptr;
    QHBoxLayout *tools_ = nullptr;
    QToolButton *add_ = nullptr;
    QToolButton *delete_ = nullptr;
    QToolButton *rename_ = nullptr;
    QToolButton *copy_ = nullptr;
    QList<QToolButton *> changeButtons_;
    QTableView *list_ = nullptr;
    QGroupBox *applyTo_ = nullptr;
    QRadioButton *applyCurrent_ = nullptr;
    QRadioButton *applyFollowing_ = nullptr;

    RenameDelegate *renameDelegate_ = nullptr;
    std::optional<EntryKey> renaming_; // the row under in-place rename
    // A rename whose editor has closed with the edit kept, its question not
    // yet asked.
    struct PendingRename {
        EntryKey entry;
        QString text;
    };
    std::optional<PendingRename> pendingRename_;
};
