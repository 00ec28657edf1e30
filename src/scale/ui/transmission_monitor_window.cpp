#include "scale/ui/transmission_monitor_window.h"

#include "scale/transmission_log.h"
#include "scale/ui/transmission_monitor_model.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

TransmissionMonitorWindow::TransmissionMonitorWindow(TransmissionLog &log, QWidget *parent)
    : QWidget(parent, Qt::Window), log_(log)
{
    setObjectName(QStringLiteral("TFpodglad"));
    setWindowTitle(QStringLiteral("Podgląd transmisji"));
    resize(900, 450);

    model_ = new TransmissionMonitorModel(kMaxRows, this);
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("TVtransmisja"));
    view_->setModel(model_);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setWordWrap(false);
    view_->verticalHeader()->hide();
    // Fixed sizes: nothing is measured per row as rows stream in.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 4);
    view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view_->horizontalHeader()->setStretchLastSection(true);
    const int digit = view_->fontMetrics().horizontalAdvance(u'0');
    view_->setColumnWidth(TransmissionMonitorModel::TimeColumn, digit * 14);
    view_->setColumnWidth(TransmissionMonitorModel::DirectionColumn, digit * 4);
    view_->setColumnWidth(TransmissionMonitorModel::TextColumn, digit * 32);
    view_->setColumnWidth(TransmissionMonitorModel::HexColumn, digit * 36);

    pause_ = new QPushButton(QStringLiteral("Wstrzymaj"), this);
    pause_->setObjectName(QStringLiteral("BBwstrzymaj"));
    auto *clear = new QPushButton(QStringLiteral("Wyczyść"), this);
    clear->setObjectName(QStringLiteral("BBwyczysc"));
    auto *copy = new QPushButton(QStringLiteral("Kopiuj"), this);
    copy->setObjectName(QStringLiteral("BBkopiuj"));
    connect(pause_, &QPushButton::clicked, this, &TransmissionMonitorWindow::PauseClick);
    connect(clear, &QPushButton::clicked, this, &TransmissionMonitorWindow::ClearClick);
    connect(copy, &QPushButton::clicked, this, &TransmissionMonitorWindow::CopyClick);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(pause_);
    buttons->addWidget(clear);
    buttons->addWidget(copy);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);

    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &TransmissionMonitorWindow::Refresh);
}

void TransmissionMonitorWindow::Refresh()
{
    if (paused_)
        return;
    const QList<TransmissionEntry> fresh = log_.Since(seen_);
    seen_ = log_.Total();
    if (fresh.isEmpty())
        return;
    QScrollBar *bar = view_->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    model_->Append(fresh);
    // Follow the newest rows unless the user has scrolled up to read.
    if (atEnd)
        view_->scrollToBottom();
}

void TransmissionMonitorWindow::PauseClick()
{
    paused_ = !paused_;
    pause_->setText(paused_ ? QStringLiteral("Wznów") : QStringLiteral("Wstrzymaj"));
    if (!paused_)
        Refresh();
}

void TransmissionMonitorWindow::ClearClick()
{
    log_.Clear();
    seen_ = log_.Total();
    model_->Clear();
}

void TransmissionMonitorWindow::CopyClick()
{
    QStringList lines;
    lines.reserve(model_->rowCount());
    for (int row = 0; row < model_->rowCount(); ++row)
        lines << model_->RowText(row);
    QApplication::clipboard()->setText(lines.join(u'\n'));
}

void TransmissionMonitorWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Refresh();
    timer_.start();
}

void TransmissionMonitorWindow::hideEvent(QHideEvent *event)
{
    timer_.stop();
    QWidget::hideEvent(event);
}
