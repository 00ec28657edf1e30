#pragma once

// The short tone of automatic adding: 400 Hz for 40 ms through the sound
// system. With no audio device the tone is silently skipped; playing never
// blocks the caller.

#include <QByteArray>
#include <QObject>
#include <memory>

class QAudioSink;
class QBuffer;

class TonePlayer : public QObject {
    Q_OBJECT
public:
    explicit TonePlayer(QObject *parent = nullptr);
    ~TonePlayer() override;

    void Play();

    // Signed 16-bit mono samples of a sine of `hz` lasting `ms` at `rate`.
    static QByteArray SineSamples(int hz, int ms, int rate);

    // Times Play() was asked for (sound or not); for tests.
    int Requests() const { return requests_; }

private:
    std::unique_ptr<QAudioSink> sink_;
    QBuffer *buffer_ = nullptr;
    QByteArray samples_;
    int requests_ = 0;
};
