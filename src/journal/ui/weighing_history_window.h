#pragma once

// The history of one weighing (form TFhistoria), from the weighing journal:
// a window of its own that follows the weighing while it stays open, also
// through its deletion.

#include "journal/weighing_history.h"

#include <QDialog>
#include <functional>

class QLabel;
class QThread;
class QTableWidget;

class WeighingHistoryWindow : public QDialog {
    Q_OBJECT
public:
    explicit WeighingHistoryWindow(QWidget *parent = nullptr);
    ~WeighingHistoryWindow() override;

    // Shows the history `source` gives under `caption` ("Tabela 1, pomiar nr 5").
    void ShowHistory(const QString &caption, std::function<WeighingHistory()> source);
    // Asks the source again (the journal has grown). The journal is read on
    // a thread of its own: a long one would hold up the scale's display.
    void Refresh();

    QTableWidget *List() const { return list_; }

private:
    void Show(const WeighingHistory &h);

    QLabel *caption_;
    QLabel *state_;
    QTableWidget *list_;
    QString captionText_;
    std::function<WeighingHistory()> source_;
    QThread *reader_ = nullptr;  // the read under way
    bool again_ = false;         // read again when it ends: the journal grew meanwhile
    int generation_ = 0;         // of the weighing shown; a read for another is dropped
};
