#pragma once

// The history of one weighing (form TFhistoria), from the weighing journal:
// a window of its own that follows the weighing while it stays open, also
// through its deletion.

#include "journal/weighing_history.h"

#include <QDialog>
#include <functional>

class QLabel;
class QTableWidget;

class WeighingHistoryWindow : public QDialog {
    Q_OBJECT
public:
    explicit WeighingHistoryWindow(QWidget *parent = nullptr);

    // Shows the history `source` gives under `caption` ("Tabela 1, pomiar nr 5").
    void ShowHistory(const QString &caption, std::function<WeighingHistory()> source);
    // Asks the source again (the journal has grown).
    void Refresh();

    QTableWidget *List() const { return list_; }

private:
    QLabel *caption_;
    QLabel *state_;
    QTableWidget *list_;
    QString captionText_;
    std::function<WeighingHistory()> source_;
};
