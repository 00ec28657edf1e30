#pragma once

// Window "Wykrywanie protokołu wagi" (TFwykryj, its objectName), opened by
// "Wykryj" in the port settings: runs a ProtocolDetector, shows where it is,
// then what it found. "Zastosuj" (only after a find) accepts; "Anuluj" stops
// the search.

#include "scale/protocol_detector.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class ProtocolDetectionDialog : public QDialog {
    Q_OBJECT
public:
    // Takes the detector over; it starts when the dialog is first shown.
    explicit ProtocolDetectionDialog(ProtocolDetector *detector, QWidget *parent = nullptr);

    // What the search found; `found` is false until it has found something.
    const DetectionResult &Result() const { return result_; }
    bool IsSearching() const { return detector_->IsRunning(); }

    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void OnListening(int rate);
    void OnRequesting(int rate, const QList<IndicatorProtocol> &families);
    void OnFinished(const DetectionResult &result);
    QString RateText(int rate) const;

    ProtocolDetector *detector_;
    DetectionResult result_;
    QLabel *status_ = nullptr;
    QLabel *step_ = nullptr;
    QPlainTextEdit *samples_ = nullptr;
    QPushButton *apply_ = nullptr;
    bool started_ = false;
};
