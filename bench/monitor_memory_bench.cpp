// Resident memory of the transmission monitor through ten minutes of a scale
// sending 50 frames a second (30,000 frames), fed faster than real time: the
// window shown offscreen, every frame logged as its chunk and its decoded
// form, the window refreshed and painted after each 200 ms of scale time, as
// its timer would. Prints the memory after a warm-up and at the end. Not a
// test: it never fails on its figures.
//
//   monitor_memory_bench [frames (30000)] [screenshot.png]

#include "bench_memory.h"
#include "scale/transmission_log.h"
#include "scale/ui/transmission_monitor_model.h"
#include "scale/ui/transmission_monitor_window.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QPixmap>
#include <cstdio>

using bench_memory::ResidentMB;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long frames = argc > 1 ? std::max(1L, std::atol(argv[1])) : 30000;
    constexpr int kFramesPerSecond = 50;
    constexpr int kFramesPerRefresh = kFramesPerSecond * TransmissionMonitorWindow::kRefreshMs / 1000;

    TransmissionLog log;
    TransmissionMonitorWindow w(log);
    w.show();
    QApplication::processEvents();

    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    long sent = 0;
    auto feed = [&](long count) {
        for (long i = 0; i < count; ++i, ++sent) {
            const qint64 t = start + sent * 1000 / kFramesPerSecond;
            // A continuous indicator's frame: STX, status, weight, tare, CR.
            const QByteArray weight = QByteArray::number(1000 + sent % 900).rightJustified(6, '0');
            const QByteArray raw = "\x02"
                                   "1 0" +
                                   weight + "000000\r";
            log.AddReceived(t, raw);
            IndicatorFrame f;
            f.kind = IndicatorFrame::Kind::Weight;
            f.weightText = weight.mid(2, 2) + "." + weight.right(2);
            f.unit = "kg";
            f.stability = sent % 7 ? IndicatorFrame::Stability::Stable : IndicatorFrame::Stability::Moving;
            log.AddFrame(t, raw, f);
            if ((sent + 1) % kFramesPerRefresh == 0) {
                w.Refresh();
                QApplication::processEvents();
            }
        }
    };

    feed(3000);  // warm-up: fonts, the view's first full page, the ring filled
    const double startMB = ResidentMB();
    QElapsedTimer timer;
    timer.start();
    feed(frames);
    const double seconds = double(timer.elapsed()) / 1000.0;
    const double endMB = ResidentMB();

    std::printf("monitor: %ld frames (%.1f min of scale time at %d/s) in %.1f s\n", frames,
                double(frames) / kFramesPerSecond / 60.0, kFramesPerSecond, seconds);
    std::printf("log entries held %d of %lld added; rows shown %d\n", log.Size(), static_cast<long long>(log.Total()),
                w.Model().rowCount());
    std::printf("resident memory: %.1f MB after warm-up, %.1f MB at the end, growth %.2f MB\n", startMB, endMB,
                endMB - startMB);
    std::fflush(stdout);
    if (argc > 2)
        w.grab().save(QString::fromLocal8Bit(argv[2]));
    return 0;
}
