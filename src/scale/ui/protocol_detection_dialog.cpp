#include "scale/ui/protocol_detection_dialog.h"

#include "scale/protocols/protocol_names.h"
#include "scale/transmission_log.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ProtocolDetectionDialog::ProtocolDetectionDialog(ProtocolDetector *detector, QWidget *parent)
    : QDialog(parent), detector_(detector)
{
    setObjectName(QStringLiteral("TFwykryj"));
    setWindowTitle(QStringLiteral("Wykrywanie protokołu wagi"));
    detector_->setParent(this);

    status_ = new QLabel(QStringLiteral("Szukam..."), this);
    status_->setObjectName(QStringLiteral("Lstan"));
    step_ = new QLabel(this);
    step_->setObjectName(QStringLiteral("Lkrok"));
    samples_ = new QPlainTextEdit(this);
    samples_->setObjectName(QStringLiteral("Mprobki"));
    samples_->setReadOnly(true);
    samples_->setAccessibleName(QStringLiteral("Odczyty"));
    samples_->setMaximumBlockCount(ProtocolDetector::kMaxSamples);
    samples_->hide();

    apply_ = new QPushButton(QStringLiteral("Zastosuj"), this);
    apply_->setObjectName(QStringLiteral("BBzastosuj"));
    apply_->setEnabled(false);
    auto *cancel = new QPushButton(QStringLiteral("Anuluj"), this);
    cancel->setObjectName(QStringLiteral("BBanuluj"));
    connect(apply_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &ProtocolDetectionDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(apply_);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(step_);
    layout->addWidget(samples_, 1);
    layout->addLayout(buttons);
    resize(420, 260);

    connect(detector_, &ProtocolDetector::listening, this, &ProtocolDetectionDialog::OnListening);
    connect(detector_, &ProtocolDetector::requesting, this, &ProtocolDetectionDialog::OnRequesting);
    connect(detector_, &ProtocolDetector::finished, this, &ProtocolDetectionDialog::OnFinished);
}

void ProtocolDetectionDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        detector_->Start();
    }
}

void ProtocolDetectionDialog::reject()
{
    detector_->Cancel();
    QDialog::reject();
}

QString ProtocolDetectionDialog::RateText(int rate) const
{
    if (detector_->Settings().connection == ScaleLinkSettings::Ethernet)
        return {};
    ScaleLinkSettings s;
    s.rate = rate;
    return QStringLiteral("%1 bps: ").arg(s.BitsPerSecond());
}

void ProtocolDetectionDialog::OnListening(int rate)
{
    step_->setText(RateText(rate) + QStringLiteral("nasłuch"));
}

void ProtocolDetectionDialog::OnRequesting(int rate, const QList<IndicatorProtocol> &families)
{
    QStringList names;
    for (const IndicatorProtocol p : families)
        names << ProtocolName(p);
    step_->setText(RateText(rate) + QStringLiteral("zapytanie ") + names.join(QStringLiteral(" / ")));
}

void ProtocolDetectionDialog::OnFinished(const DetectionResult &result)
{
    result_ = result;
    if (!result.found) {
        status_->setText(QStringLiteral("Nie rozpoznano protokołu wagi."));
        step_->clear();
        return;
    }
    status_->setText(QStringLiteral("Rozpoznano: %1").arg(ProtocolName(result.protocol)));
    QString rate = RateText(result.rate);
    rate.chop(2);  // the ": " that leads on to a step
    QStringList how;
    if (!rate.isEmpty())
        how << QStringLiteral("Prędkość: %1").arg(rate);
    if (!result.request.isEmpty())
        how << QStringLiteral("zapytanie: %1").arg(ControlText(result.request));
    step_->setText(how.join(QStringLiteral(", ")));
    QStringList lines;
    for (const IndicatorFrame &f : result.samples)
        lines << DescribeFrame(f);
    samples_->setPlainText(lines.join(u'\n'));
    samples_->show();
    apply_->setEnabled(true);
    apply_->setDefault(true);
}
