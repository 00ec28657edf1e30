#include "dictionaries/ui/operator_window.h"

#include "core/cp1250.h"
#include "core/user_prompts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// A plain drawn sign, so the tool bar reads the same with any icon theme.
QIcon GlyphIcon(const QString &glyph, const QColor &colour)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(pixmap.rect(), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

QToolButton *ToolButton(const char *name, const QString &hint, const QIcon &icon, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(icon);
    b->setIconSize(QSize(24, 24));
    // No text: the hint is the tooltip and what a screen reader says.
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    return b;
}

}  // namespace

OperatorWindow::OperatorWindow(const QString &path, QStringList arguments, UserPrompts &prompts, QWidget *parent)
    : QDialog(parent), prompts_(prompts), list_(path), login_(std::move(arguments))
{
    setObjectName(QStringLiteral("TFwytop"));
    setWindowTitle(QStringLiteral("Wybierz operatora"));
    setModal(true);

    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("ToolBar1"));
    add_ = ToolButton("TBdodaj", QStringLiteral("dodaj operatora"), GlyphIcon(QStringLiteral("+"), QColor(0, 128, 0)),
                      toolBar_);
    delete_ = ToolButton("TBusun", QStringLiteral("usuń operatora (del)"),
                         GlyphIcon(QStringLiteral("\u2715"), QColor(192, 0, 0)), toolBar_);
    password_ = ToolButton("TBhaslo", QStringLiteral("zmień hasło"),
                           GlyphIcon(QStringLiteral("***"), QColor(128, 96, 0)), toolBar_);
    for (QToolButton *b : {add_, delete_, password_})
        toolBar_->addWidget(b);
    connect(add_, &QToolButton::clicked, this, &OperatorWindow::TBdodajClick);
    connect(delete_, &QToolButton::clicked, this, &OperatorWindow::TBusunClick);
    connect(password_, &QToolButton::clicked, this, &OperatorWindow::TBhasloClick);

    view_ = new QTreeWidget(this);
    view_->setObjectName(QStringLiteral("LVoperatorzy"));
    view_->setColumnCount(1);
    view_->setHeaderLabels({QStringLiteral("Imię i nazwisko")});
    view_->setRootIsDecorated(false);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->header()->setSectionsClickable(false);
    view_->setAccessibleName(QStringLiteral("Operatorzy"));
    connect(view_, &QTreeWidget::itemSelectionChanged, this, &OperatorWindow::FollowSelection);
    connect(view_, &QTreeWidget::itemDoubleClicked, this, &OperatorWindow::LVoperatorzyDblClick);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("BBok"));
    cancel_ = new QPushButton(QStringLiteral("Anuluj"), this);
    cancel_->setObjectName(QStringLiteral("BBcancel"));
    close_ = new QPushButton(QStringLiteral("OK"), this);
    close_->setObjectName(QStringLiteral("BBclose"));
    connect(ok_, &QPushButton::clicked, this, &OperatorWindow::BBokClick);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(close_, &QPushButton::clicked, this, &OperatorWindow::BBcloseClick);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addWidget(close_);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(toolBar_);
    layout->addWidget(view_);
    layout->addLayout(buttons);
    resize(300, 380);

    list_.Load(prompts_);
    ApplyMode();
    Refresh();
}

void OperatorWindow::SetMode(OperatorWindowMode mode)
{
    mode_ = mode;
    ApplyMode();
}

void OperatorWindow::ApplyMode()
{
    const bool management = mode_ == OperatorWindowMode::Management;
    toolBar_->setVisible(management);
    close_->setVisible(management);
    ok_->setVisible(!management);
    cancel_->setVisible(!management);
    // Enter presses the "OK" that is shown.
    ok_->setDefault(!management);
    close_->setDefault(management);
}

std::optional<PickedEntry> OperatorWindow::Pick()
{
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    const std::optional<OperatorEntry> chosen = list_.CurrentEntry();
    if (!chosen)
        return std::nullopt;
    PickedEntry picked;
    picked.name = chosen->name;
    return picked;
}

void OperatorWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window restored from minimised is shown again by the system, but it
    // is no new showing: the choice stays and the command line is not retried.
    if (!event->spontaneous())
        FormActivate();
}

void OperatorWindow::FormActivate()
{
    ApplyMode();
    list_.SetCurrent(0);
    Refresh();
    // The command line is tried once the window is on screen, so its
    // messages appear over it.
    if (login_.Pending())
        QMetaObject::invokeMethod(this, &OperatorWindow::TryCommandLineLogin, Qt::QueuedConnection);
}

void OperatorWindow::TryCommandLineLogin()
{
    if (!isVisible() || !login_.TryCommandLine(list_, prompts_))
        return;
    Refresh();
    autoCloseOnPaint_ = true;
    update();
}

void OperatorWindow::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    if (autoCloseOnPaint_) {
        autoCloseOnPaint_ = false;
        QMetaObject::invokeMethod(this, &QDialog::accept, Qt::QueuedConnection);
    }
}

void OperatorWindow::keyPressEvent(QKeyEvent *event)
{
    // Esc means "Anuluj", and that button is only there for a choice.
    if (event->key() == Qt::Key_Escape && mode_ == OperatorWindowMode::Management) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void OperatorWindow::Refresh()
{
    const QSignalBlocker block(view_);
    view_->clear();
    for (const OperatorEntry &e : list_.Entries())
        view_->addTopLevelItem(new QTreeWidgetItem(QStringList{cp1250::Decode(e.name)}));
    if (QTreeWidgetItem *item = view_->topLevelItem(list_.Current())) {
        view_->setCurrentItem(item);
        item->setSelected(true);
        view_->scrollToItem(item);
    }
    view_->setFocus();
}

void OperatorWindow::FollowSelection()
{
    const QList<QTreeWidgetItem *> selected = view_->selectedItems();
    list_.SetCurrent(selected.isEmpty() ? -1 : view_->indexOfTopLevelItem(selected.first()));
}

void OperatorWindow::TBdodajClick()
{
    list_.AddOperator(prompts_);
    Refresh();
}

void OperatorWindow::TBusunClick()
{
    list_.DeleteOperator(prompts_);
    Refresh();
}

void OperatorWindow::TBhasloClick()
{
    list_.ChangePassword(prompts_);
    Refresh();
}

void OperatorWindow::BBokClick()
{
    if (login_.Confirm(list_, prompts_))
        accept();
    else
        view_->setFocus();
}

void OperatorWindow::BBcloseClick()
{
    accept();
}

void OperatorWindow::LVoperatorzyDblClick()
{
    if (mode_ == OperatorWindowMode::Selection)
        BBokClick();
}
