#include "journal/ui/weighing_history_window.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <memory>
#include <utility>

WeighingHistoryWindow::WeighingHistoryWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFhistoria"));
    setWindowTitle(QStringLiteral("Historia pomiaru"));
    resize(820, 320);
    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("Lpomiar"));
    QFont bold = caption_->font();
    bold.setBold(true);
    caption_->setFont(bold);
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("Lstan"));
    list_ = new QTableWidget(0, 4, this);
    list_->setObjectName(QStringLiteral("LVhistoria"));
    list_->setHorizontalHeaderLabels(
        {QStringLiteral("Czas"), QStringLiteral("Operator"), QStringLiteral("Zmiana"), QStringLiteral("Szczegóły")});
    list_->verticalHeader()->hide();
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->setColumnWidth(0, 140);
    list_->setColumnWidth(1, 120);
    list_->setColumnWidth(2, 220);
    list_->setAccessibleName(QStringLiteral("Historia pomiaru"));
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *close = buttons->addButton(QStringLiteral("Zamknij"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("BBzamknij"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(list_, 1);
    layout->addWidget(state_);
    layout->addWidget(buttons);
}

WeighingHistoryWindow::~WeighingHistoryWindow()
{
    if (reader_) {
        reader_->wait();
        delete reader_;  // its queued end dies with this window
    }
}

void WeighingHistoryWindow::ShowHistory(const QString &caption, std::function<WeighingHistory()> source)
{
    captionText_ = caption;
    source_ = std::move(source);
    ++generation_;
    caption_->setText(captionText_);
    state_->setText(QStringLiteral("Czytanie dziennika pomiarów..."));
    list_->setRowCount(0);
    Refresh();
    show();
    raise();
    activateWindow();
}

void WeighingHistoryWindow::Refresh()
{
    if (!source_)
        return;
    if (reader_) {
        again_ = true;
        return;
    }
    auto result = std::make_shared<WeighingHistory>();
    reader_ = QThread::create([source = source_, result] { *result = source(); });
    connect(reader_, &QThread::finished, this, [this, result, generation = generation_] {
        reader_->deleteLater();
        reader_ = nullptr;
        if (generation == generation_)
            Show(*result);
        if (std::exchange(again_, false))
            Refresh();
    });
    reader_->start();
}

void WeighingHistoryWindow::Show(const WeighingHistory &h)
{
    caption_->setText(captionText_);
    state_->setText(h.rowId < 0    ? QStringLiteral("Brak tego pomiaru w dzienniku pomiarów.")
                    : !h.present   ? QStringLiteral("Pomiaru nie ma już w tabeli.")
                                   : QString());
    list_->setRowCount(int(h.entries.size()));
    for (int r = 0; r < h.entries.size(); ++r) {
        const HistoryEntry &e = h.entries[r];
        const QString cells[] = {e.time, e.op, e.what, e.details};
        for (int c = 0; c < 4; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            item->setToolTip(cells[c]);
            list_->setItem(r, c, item);
        }
    }
}
