#include "dictionaries/ui/dictionary_window.h"

#include "core/ui/drawn_icon.h"
#include "core/cp1250.h"
#include "core/text.h"
#include "core/ui/cp1250_validator.h"
#include "core/user_prompts.h"
#include "dictionaries/dictionary_texts.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QIcon AddIcon()
{
    return DrawnIcon([](QPainter &p) {
        p.setPen(QPen(QColor(0, 120, 0), 3));
        p.drawLine(8, 2, 8, 14);
        p.drawLine(2, 8, 14, 8);
    });
}

QIcon DeleteIcon()
{
    return DrawnIcon([](QPainter &p) {
        p.setPen(QPen(QColor(190, 0, 0), 3));
        p.drawLine(3, 3, 13, 13);
        p.drawLine(13, 3, 3, 13);
    });
}

QIcon RenameIcon()
{
    return DrawnIcon([](QPainter &p) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(255, 220, 120));
        const QPointF pencil[] = {{3, 13}, {4, 10}, {11, 3}, {13, 5}, {6, 12}};
        p.drawPolygon(pencil, 5);
        p.drawLine(QPointF(1, 15), QPointF(15, 15));
    });
}

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

class BusyCursor {
  public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace

// The in-place editor of a name. The edit never goes into the model by
// itself: the window asks first (EndRename).
class RenameDelegate : public QStyledItemDelegate {
  public:
    explicit RenameDelegate(DictionaryWindow *window) : QStyledItemDelegate(window), window_(window) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *editor = new RenameEditor(parent);
        editor->setObjectName(QStringLiteral("Erename"));
        editor->setFrame(false);
        editor->setValidator(new Cp1250Validator(editor));
        editor_ = editor;
        committed_ = false;
        return editor;
    }

    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &) const override
    {
        committed_ = true;
        text_ = static_cast<QLineEdit *>(editor)->text();
    }

    // Every way the view closes the editor ends here: Enter, Esc, the focus
    // leaving it, and another row becoming current (which commits without
    // the delegate's closeEditor signal).
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override
    {
        const bool committed = std::exchange(committed_, false);
        QStyledItemDelegate::destroyEditor(editor, index);
        window_->RenameEditorClosed(committed, text_);
    }

    // Ends the open edit as Enter does.
    void Finish()
    {
        if (QWidget *editor = editor_.data(); editor && !editor->isHidden()) {
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
        }
    }

  private:
    DictionaryWindow *window_;
    mutable QPointer<QWidget> editor_;
    mutable bool committed_ = false;
    mutable QString text_;
};

DictionaryWindow::DictionaryWindow(DictionaryKind kind, DictionaryWindowEnv env, QWidget *parent)
    : QDialog(parent), kind_(kind), env_(std::move(env)), dictionary_(kind, env_.dataDir)
{
    model_ = new DictionaryModel(dictionary_, this);
    BuildControls();
    LoadFile();
}

DictionaryWindow::~DictionaryWindow() = default;

void DictionaryWindow::BuildControls()
{
    const DictionaryTexts &t = DictionaryTexts::Of(kind_);
    setObjectName(t.formName);
    setWindowTitle(t.title);
    setModal(true);

    auto *searchLabel = new QLabel(QStringLiteral("Wyszukaj (F3):"), this);
    searchLabel->setObjectName(QStringLiteral("Lsearch"));
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("Esearch"));
    search_->setAccessibleName(QStringLiteral("Wyszukaj"));
    search_->setValidator(new Cp1250Validator(search_));
    search_->setFixedWidth(160);
    searchLabel->setBuddy(search_);
    connect(search_, &QLineEdit::textEdited, this, [this](const QString &typed) {
        // Upper-cased as typed, the way the search compares.
        const QString upper = cp1250::Decode(UpperPolish(cp1250::EncodeLossy(typed)));
        if (upper != typed) {
            const int cursor = search_->cursorPosition();
            search_->setText(upper);
            search_->setCursorPosition(cursor);
        }
    });
    connect(search_, &QLineEdit::textChanged, this, &DictionaryWindow::SearchChanged);

    searchOn_ = new QLabel(QStringLiteral("<wyszukiwanie włączone>"), this);
    searchOn_->setObjectName(QStringLiteral("Lsearch_on"));
    searchOn_->setTextFormat(Qt::PlainText);
    QFont bold = searchOn_->font();
    bold.setBold(true);
    searchOn_->setFont(bold);
    QPalette blue = searchOn_->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    searchOn_->setPalette(blue);
    QSizePolicy keepPlace = searchOn_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    searchOn_->setSizePolicy(keepPlace);
    searchOn_->hide();

    tools_ = new QHBoxLayout;
    tools_->setSpacing(1);
    const auto toolButton = [this](const QString &name, const QIcon &icon, const QString &hint) {
        auto *b = new QToolButton(this);
        b->setObjectName(name);
        b->setIcon(icon);
        b->setAutoRaise(true);
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        tools_->addWidget(b);
        return b;
    };
    add_ = toolButton(QStringLiteral("TBadd"), AddIcon(), t.addHint);
    delete_ = toolButton(QStringLiteral("TBdelete"), DeleteIcon(), t.deleteHint);
    rename_ = toolButton(QStringLiteral("TBrename"), RenameIcon(), t.renameHint);
    if (t.renameHint.isEmpty()) // no hint to show, but a screen reader needs a name
        rename_->setAccessibleName(QStringLiteral("edytuj (F2)"));
    copy_ = toolButton(QStringLiteral("TBcopy"), CopyIcon(), QStringLiteral("kopiuj tabelę do schowka"));
    changeButtons_ = {add_, delete_, rename_};
    connect(add_, &QToolButton::clicked, this, &DictionaryWindow::AddClick);
    connect(delete_, &QToolButton::clicked, this, &DictionaryWindow::DeleteClick);
    connect(rename_, &QToolButton::clicked, this, &DictionaryWindow::RenameClick);
    connect(copy_, &QToolButton::clicked, this, &DictionaryWindow::CopyClick);

    auto *bar = new QHBoxLayout;
    bar->addWidget(searchLabel);
    bar->addWidget(search_);
    bar->addWidget(searchOn_);
    bar->addStretch(1);
    bar->addLayout(tools_);

    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("LVdictionary"));
    list_->setAccessibleName(t.title);
    list_->setModel(model_);
    renameDelegate_ = new RenameDelegate(this);
    list_->setItemDelegateForColumn(0, renameDelegate_);
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setTabKeyNavigation(false);
    list_->setWordWrap(false);
    list_->setCornerButtonEnabled(false);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->horizontalHeader()->setStretchLastSection(false);
    int width = 0;
    for (int c = 0; c < t.columns.size(); ++c) {
        list_->setColumnWidth(c, t.columns[c].width);
        width += t.columns[c].width;
    }
    list_->setMinimumWidth(width + 2 * list_->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2);
    // The highlighted row stays visible when the list loses the focus.
    QPalette p = list_->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    list_->setPalette(p);
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);

    applyTo_ = new QGroupBox(QStringLiteral("Zastosuj do: "), this);
    applyTo_->setObjectName(QStringLiteral("RGapply_to"));
    applyCurrent_ = new QRadioButton(QStringLiteral("bieżącego pomiaru"), applyTo_);
    applyCurrent_->setObjectName(QStringLiteral("RBapply_current"));
    applyFollowing_ = new QRadioButton(QStringLiteral("bieżącego pomiaru i następnych"), applyTo_);
    applyFollowing_->setObjectName(QStringLiteral("RBapply_following"));
    applyCurrent_->setChecked(true);
    auto *applyRow = new QHBoxLayout(applyTo_);
    applyRow->addWidget(applyCurrent_, 1);
    applyRow->addWidget(applyFollowing_, 1);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BBok"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Anuluj"), this);
    cancel->setObjectName(QStringLiteral("BBcancel"));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &DictionaryWindow::OkClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(list_, 1);
    layout->addWidget(applyTo_);
    layout->addLayout(buttons);

    auto *f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(f3, &QShortcut::activated, this, [this] {
        search_->setFocus(Qt::ShortcutFocusReason);
        search_->selectAll();
    });

    resize(sizeHint().width(), 480);
}

QToolButton *DictionaryWindow::AddToolButton(const QString &name, const QString &text, const QString &hint,
                                             bool changesDictionary, const std::function<void()> &onClick)
{
    auto *b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setAccessibleName(hint.isEmpty() ? text : hint);
    b->setAutoRaise(true);
    tools_->insertWidget(tools_->indexOf(copy_), b);
    if (changesDictionary)
        changeButtons_.append(b);
    connect(b, &QToolButton::clicked, this, onClick);
    return b;
}

bool DictionaryWindow::MayEnable(const QToolButton *) const
{
    return true;
}

void DictionaryWindow::ApplySearchState()
{
    const bool active = model_->SearchActive();
    searchOn_->setVisible(active);
    for (QToolButton *b : std::as_const(changeButtons_))
        b->setEnabled(!active && MayEnable(b));
}

void DictionaryWindow::LoadFile()
{
    DictionaryResult r;
    {
        BusyCursor busy;
        r = dictionary_.Load();
        model_->Refresh();
    }
    if (!r)
        env_.prompts->Error(r.message);
    HighlightRow(0);
}

void DictionaryWindow::HighlightRow(int row)
{
    const int n = model_->rowCount();
    if (n == 0) {
        list_->selectionModel()->clear();
        return;
    }
    row = std::clamp(row, 0, n - 1);
    const QModelIndex index = model_->index(row, 0);
    list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->scrollTo(index);
}

void DictionaryWindow::HighlightEntry(int entry)
{
    const int row = model_->RowOfEntry(entry);
    if (row >= 0 && entry != HighlightedEntry())
        HighlightRow(row);
}

int DictionaryWindow::HighlightedEntry() const
{
    const QModelIndexList rows = list_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : model_->EntryOfRow(rows.first().row());
}

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

std::optional<PickedEntry> DictionaryWindow::Pick(bool applyToShown)
{
    SetApplyToShown(applyToShown);
    const int result = exec();
    SetApplyToShown(true);
    const int entry = HighlightedEntry();
    if (result != QDialog::Accepted || entry < 0)
        return std::nullopt;
    PickedEntry picked = PickedFrom(kind_, dictionary_.At(entry));
    if (applyToShown)
        picked.applyTo = ApplyTo();
    return picked;
}

void DictionaryWindow::SetApplyToShown(bool shown)
{
    applyTo_->setVisible(shown);
}

bool DictionaryWindow::ApplyToShown() const
{
    return !applyTo_->isHidden();
}

ApplyToChoice DictionaryWindow::ApplyTo() const
{
    return applyFollowing_->isChecked() ? ApplyToChoice::CurrentAndFollowing : ApplyToChoice::CurrentRow;
}

void DictionaryWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void DictionaryWindow::FormActivate()
{
    if (dictionary_.LoadFailed())
        LoadFile();
    search_->clear(); // ends a search that was left on
    ApplySearchState();
    HighlightRow(0);
    list_->setFocus();
}

void DictionaryWindow::SearchChanged()
{
    if (!model_->SetSearch(cp1250::EncodeLossy(search_->text())))
        return;
    ApplySearchState();
    HighlightRow(0);
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

bool DictionaryWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier)
            return ListKey(key->key());
    } else if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        ListDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void DictionaryWindow::keyPressEvent(QKeyEvent *event)
{
    // Esc has no binding here: the window closes only by "OK" or "Anuluj".
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
