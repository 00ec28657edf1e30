#include "scale/ui/tone_player.h"

#include <QtTest>
#include <cmath>

class TestTonePlayer : public QObject {
    Q_OBJECT
private slots:
    void samplesAre40MsOf400Hz()
    {
        const QByteArray s = TonePlayer::SineSamples(400, 40, 44100);
        QCOMPARE(s.size(), 1764 * 2);
        const auto *p = reinterpret_cast<const qint16 *>(s.constData());
        // 16 periods in 40 ms: count the rising zero crossings.
        int rising = 0;
        for (int i = 1; i < 1764; ++i)
            rising += (p[i - 1] < 0 && p[i] >= 0);
        QCOMPARE(rising, 15);  // the first period starts at sample 0
        QVERIFY(std::abs(p[27]) > 16000);  // a quarter period in: near the peak
    }

    void playingWithoutSoundSystemIsSilentAndQuick()
    {
        TonePlayer t;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 5; ++i)
            t.Play();
        QCOMPARE(t.Requests(), 5);
        QVERIFY(timer.elapsed() < 2000);
    }
};

QTEST_MAIN(TestTonePlayer)
#include "tst_tone_player.moc"
