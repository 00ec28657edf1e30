#include "scale/ui/tone_player.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

#include <cmath>
#include <numbers>

namespace {
constexpr int kHz = 400;
constexpr int kMs = 40;
constexpr int kRate = 44100;
}  // namespace

TonePlayer::TonePlayer(QObject *parent) : QObject(parent) {}

TonePlayer::~TonePlayer()
{
    if (sink_)
        sink_->stop();
}

QByteArray TonePlayer::SineSamples(int hz, int ms, int rate)
{
    const int count = rate * ms / 1000;
    QByteArray out(count * 2, Qt::Uninitialized);
    auto *p = reinterpret_cast<qint16 *>(out.data());
    for (int i = 0; i < count; ++i)
        p[i] = qint16(std::lround(0.5 * 32767.0 * std::sin(2.0 * std::numbers::pi * hz * i / rate)));
    return out;
}

void TonePlayer::Play()
{
    ++requests_;
    if (!sink_) {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return;  // no sound system: silence, never an error
        QAudioFormat format;
        format.setSampleRate(kRate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format))
            return;
        sink_ = std::make_unique<QAudioSink>(device, format);
        samples_ = SineSamples(kHz, kMs, kRate);
        buffer_ = new QBuffer(&samples_, this);
    }
    // A tone still playing is cut and started again.
    sink_->stop();
    buffer_->close();
    buffer_->open(QIODevice::ReadOnly);
    sink_->start(buffer_);
}
