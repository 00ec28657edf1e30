#pragma once

// Window "Podgląd transmisji" (TFpodglad, its objectName): what passed over
// the scale link, newest at the bottom. Non-modal. It reads the log on a
// timer and takes only the entries it has not seen, so a scale sending 50
// frames a second costs a few row inserts per tick.

#include <QTimer>
#include <QWidget>

class QPushButton;
class QTableView;
class TransmissionLog;
class TransmissionMonitorModel;

class TransmissionMonitorWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 200;
    static constexpr int kMaxRows = 1000;

    explicit TransmissionMonitorWindow(TransmissionLog &log, QWidget *parent = nullptr);

    // Takes the log's new entries now (the timer does it while the window is shown).
    void Refresh();
    bool IsPaused() const { return paused_; }
    // "Wstrzymaj" / "Wznów": the view stands still, the log goes on recording.
    void PauseClick();
    // "Wyczyść": the shown rows and the log's entries go.
    void ClearClick();
    // "Kopiuj": the shown rows as text lines to the clipboard.
    void CopyClick();

    const TransmissionMonitorModel &Model() const { return *model_; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    TransmissionLog &log_;
    TransmissionMonitorModel *model_ = nullptr;
    QTableView *view_ = nullptr;
    QPushButton *pause_ = nullptr;
    QTimer timer_;
    qint64 seen_ = 0;
    bool paused_ = false;
};
