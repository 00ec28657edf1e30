#include "dictionaries/ui/dictionary_window.h"

#include "core/cp1250.h"
#include "core/text.h"
#include "core/ui/cp1250_validator.h"
#include "core/ui/drawn_icon.h"
#include "core/user_prompts.h"
#include "dictionaries/dictionary_texts.h"
#include "dictionaries/ui/busy_cursor.h"
#include "dictionaries/ui/rename_delegate.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
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

} // namespace

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
