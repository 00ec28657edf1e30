// Igauge: the dial follows the display tick by tick and draws the needle
// where the geometry puts it, sharp at any size and pixel ratio.

#include "app/ui/main_window_test_options.h"
#include "scale/frame_decoder.h"
#include "scale/gauge_text_check.h"
#include "scale/ui/gauge_widget.h"
#include "support/scripted_prompts.h"

#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

namespace {

// The needle's blue; its edges are antialiased, so a pixel wholly inside it
// may still differ by a rounding.
bool IsBlue(const QImage &image, QPoint p)
{
    const QColor c = image.pixelColor(p);
    return c.blue() >= 240 && c.red() <= 15 && c.green() <= 15 && c.alpha() >= 240;
}

int BluePixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += IsBlue(image, {x, y});
    return n;
}

// A gauge fed from `in`, as the main window feeds it.
struct FedGauge {
    GaugeWidget::Inputs in{"0.00", 500, true, QStringLiteral("kg")};
    GaugeWidget gauge;
    FedGauge()
    {
        gauge.SetSource([this] { return in; });
        gauge.SetScale(in.maxMass, in.percentScale, in.unitCaption);
        gauge.PrepareGauge();
    }
    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            gauge.TimerGaugeTimer();
    }
};

}  // namespace

class TstGaugeWidget : public QObject {
    Q_OBJECT
private slots:
    void namedPartsAndSizes()
    {
        GaugeWidget g;
        QCOMPARE(g.objectName(), QString("Igauge"));
        QCOMPARE(g.Surface().size(), QSize(209, 117));
        QCOMPARE(g.Background().size(), QSize(209, 117));
        auto *face = g.findChild<QLabel *>("Igaugeorg");
        QVERIFY(face);
        QVERIFY(face->isHidden());
        auto *timer = g.findChild<QTimer *>("TimerGauge");
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 30);
        QVERIFY(!timer->isActive());
        g.StartTimer();
        QVERIFY(timer->isActive());
        QCOMPARE(g.GaugeValue(), -1.0);
    }

    void faceHasNoNeedleColourAndEachDrawingStartsFromIt()
    {
        FedGauge f;
        QCOMPARE(BluePixels(f.gauge.Background()), 0);
        f.gauge.DrawGauge(250);
        QVERIFY(BluePixels(f.gauge.Surface()) > 0);
        // No needle: labels only, the needle drawn before is gone.
        f.gauge.DrawGauge(kGaugeNoNeedle);
        QCOMPARE(BluePixels(f.gauge.Surface()), 0);
        QVERIFY(f.gauge.Surface() != f.gauge.Background());
        // The lower corners hold no label: the face shows through unchanged.
        for (QPoint p : {QPoint(1, 115), QPoint(207, 115), QPoint(104, 110)})
            QCOMPARE(f.gauge.Surface().pixel(p), f.gauge.Background().pixel(p));
    }

    void needleUpAtHalfTheMaximumAndLeftAtZero()
    {
        FedGauge f;
        f.gauge.DrawGauge(250);
        const QImage up = f.gauge.Surface();
        // Arrowhead between its tip (104, 21) and back corners (99, 35), (109, 35).
        for (QPoint p : {QPoint(104, 23), QPoint(104, 30), QPoint(101, 33), QPoint(107, 33)})
            QVERIFY2(IsBlue(up, p), qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
        QVERIFY(IsBlue(up, {104, 66}));   // the shaft, halfway up from the centre
        QVERIFY(!IsBlue(up, {30, 101}));  // where the zero needle would be
        QVERIFY(!IsBlue(up, {96, 24}));   // beside the arrowhead
        QVERIFY(!IsBlue(up, {20, 40}));   // open face

        f.gauge.DrawGauge(0);
        const QImage left = f.gauge.Surface();
        for (QPoint p : {QPoint(26, 101), QPoint(33, 101), QPoint(36, 98), QPoint(36, 104)})
            QVERIFY2(IsBlue(left, p), qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
        QVERIFY(IsBlue(left, {70, 101}));
        QVERIFY(!IsBlue(left, {104, 30}));

        f.gauge.DrawGauge(500);
        QVERIFY(IsBlue(f.gauge.Surface(), {176, 101}));
        QVERIFY(!IsBlue(f.gauge.Surface(), {33, 101}));
    }

    void needleHeldWithinTheScale()
    {
        FedGauge f;
        f.gauge.DrawGauge(0);
        const QImage zero = f.gauge.Surface();
        f.gauge.DrawGauge(-3);
        QCOMPARE(f.gauge.Surface(), zero);
        f.gauge.DrawGauge(500);
        const QImage full = f.gauge.Surface();
        f.gauge.DrawGauge(750);
        QCOMPARE(f.gauge.Surface(), full);
    }

    void sweepsToTheDisplayThenStopsDrawing()
    {
        FedGauge f;
        f.in.displayText = "250.00";
        const int before = f.gauge.DrawCount();
        f.Ticks(25);
        QCOMPARE(f.gauge.GaugeValue(), 249.0);
        f.Ticks(1);
        QCOMPARE(f.gauge.GaugeValue(), 250.0);
        QCOMPARE(f.gauge.DrawCount(), before + 26);
        f.Ticks(50);
        QCOMPARE(f.gauge.DrawCount(), before + 26);
        f.in.displayText = "255";
        f.Ticks(3);
        QCOMPARE(f.gauge.GaugeValue(), 255.0);
        QCOMPARE(f.gauge.DrawCount(), before + 27);
    }

    void overloadAndNoReadingAreDrawnOnceWhileTheyLast()
    {
        FedGauge f;
        f.in.displayText = kOverloadText;
        const int before = f.gauge.DrawCount();
        f.Ticks(10);
        QCOMPARE(f.gauge.GaugeValue(), 500.0);
        QCOMPARE(f.gauge.DrawCount(), before + 1);
        QVERIFY(IsBlue(f.gauge.Surface(), {180, 101}));  // in the arrowhead

        f.in.displayText = kNoReadingText;
        f.Ticks(10);
        QCOMPARE(f.gauge.GaugeValue(), -1.0);
        QCOMPARE(f.gauge.DrawCount(), before + 2);
        QCOMPARE(BluePixels(f.gauge.Surface()), 0);

        f.in.displayText = "";
        f.Ticks(10);
        QCOMPARE(f.gauge.DrawCount(), before + 2);  // the same picture
        QCOMPARE(f.gauge.GaugeValue(), -1.0);
    }

    void negativeDisplayDrawsTheNeedleAtZero()
    {
        FedGauge f;
        f.in.displayText = "-3";
        f.Ticks(5);
        QCOMPARE(f.gauge.GaugeValue(), -3.0);
        QVERIFY(IsBlue(f.gauge.Surface(), {33, 101}));
    }

    void resetSweepsInAgainAtTheNextTick()
    {
        FedGauge f;
        f.in.displayText = "50";
        f.Ticks(10);
        QCOMPARE(f.gauge.GaugeValue(), 50.0);
        f.gauge.ResetGauge();
        QCOMPARE(f.gauge.GaugeValue(), -1.0);
        const int before = f.gauge.DrawCount();
        f.Ticks(1);
        QCOMPARE(f.gauge.GaugeValue(), 9.0);
        QCOMPARE(f.gauge.DrawCount(), before + 1);
    }

    void changedScaleRedrawsTheSamePlaceOnce()
    {
        FedGauge f;
        f.in.displayText = "250";
        f.Ticks(30);
        const QImage percent = f.gauge.Surface();
        const int before = f.gauge.DrawCount();
        f.in.percentScale = false;
        f.Ticks(5);
        QCOMPARE(f.gauge.DrawCount(), before + 1);
        QVERIFY(f.gauge.Surface() != percent);
        QVERIFY(IsBlue(f.gauge.Surface(), {104, 30}));  // the needle stays at 250
        // A new maximum moves the needle for the same mass: 250 of 1000 is a quarter.
        f.in.maxMass = 1000;
        f.Ticks(1);
        QVERIFY(IsBlue(f.gauge.Surface(), {54, 51}));
        QVERIFY(!IsBlue(f.gauge.Surface(), {104, 30}));
    }

    void maximumOfZeroOrBelowShowsTheFaceAlone()
    {
        for (int maxMass : {0, -20}) {
            FedGauge f;
            f.in.maxMass = maxMass;
            for (const char *display : {"120", "-3", kOverloadText, kNoReadingText}) {
                f.in.displayText = display;
                f.Ticks(3);
                QCOMPARE(f.gauge.Surface(), f.gauge.Background());
            }
            f.gauge.DrawGauge(50);
            QCOMPARE(f.gauge.Surface(), f.gauge.Background());
        }
    }

    void faceAloneUntilPrepared()
    {
        GaugeWidget g;
        g.SetScale(500, true, "kg");
        g.DrawGauge(250);
        QCOMPARE(g.Surface(), g.Background());
        g.PrepareGauge();
        QVERIFY(IsBlue(g.Surface(), {104, 30}));
    }

    void drawingLeavesNothingBehind()
    {
        // The program runs all day: after any history the picture is the one a
        // fresh gauge draws for the same state.
        FedGauge f;
        const char *displays[] = {"0", "480", kOverloadText, "", "12,5", kNoReadingText};
        for (int round = 0; round < 200; ++round) {
            f.in.displayText = displays[round % 6];
            f.in.percentScale = round % 2;
            f.Ticks(20);
        }
        f.gauge.DrawGauge(250);
        FedGauge fresh;  // the same scale: the last round was a percent one
        fresh.gauge.DrawGauge(250);
        QCOMPARE(f.gauge.Picture({201, 113}, 2), fresh.gauge.Picture({201, 113}, 2));
    }

    void labelsKeepClearWithTheRealFont_data()
    {
        QTest::addColumn<int>("maxMass");
        QTest::addColumn<bool>("percent");
        QTest::newRow("percent") << 500 << true;
        for (int m : {10, 1000, 60000, 1000000})
            QTest::newRow(qPrintable(QString::number(m))) << m << false;
    }

    void labelsKeepClearWithTheRealFont()
    {
        QFETCH(int, maxMass);
        QFETCH(bool, percent);
        FedGauge f;
        f.gauge.SetScale(maxMass, percent, QStringLiteral("kg"));
        const QString fault = GaugeTextFault(f.gauge.TextLayout(), GaugeGeometry(kGaugeSurface, maxMass).Labels(percent));
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void needleEdgesSharpAtFourDevicePixelsPerPixel()
    {
        // The page is narrower than the dial: drawn at 0.96, 4 device pixels a pixel.
        FedGauge f;
        f.gauge.DrawGauge(250);
        const QSize page(201, 113);
        const QImage picture = f.gauge.Picture(page, 4);
        QCOMPARE(picture.size(), page * 4);
        const GaugeFit fit = FitGauge(page);
        // Across the upright shaft, between the unit text and the divisions.
        const int y = int((fit.offset.y() + 45 * fit.scale) * 4);
        const int from = int((fit.offset.x() + 94 * fit.scale) * 4);
        const int to = int((fit.offset.x() + 114 * fit.scale) * 4);
        int blue = 0, blurred = 0;
        for (int x = from; x <= to; ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (c.blue() > 240 && c.red() < 15 && c.green() < 15)
                ++blue;
            else if (!(c.red() > 240 && c.green() > 240 && c.blue() > 240))
                ++blurred;
        }
        // 4 pixels of pen at 0.96 are 15.4 device pixels; one mixed pixel at each edge.
        QVERIFY2(blue >= 14 && blue <= 16, qPrintable(QString::number(blue)));
        QVERIFY2(blurred <= 2, qPrintable(QString::number(blurred)));
    }

    void timerDrivesTheNeedle()
    {
        FedGauge f;
        f.in.displayText = "250";
        f.gauge.StartTimer();
        QTRY_COMPARE_WITH_TIMEOUT(f.gauge.GaugeValue(), 250.0, 5000);
    }

    void widgetShowsTheSurface()
    {
        FedGauge f;
        f.gauge.resize(209, 117);
        f.gauge.DrawGauge(250);
        const QImage shown = f.gauge.grab().toImage();
        QVERIFY(IsBlue(shown, {104, 30}));
        QVERIFY(!IsBlue(shown, {30, 101}));
        // Narrower than the dial: scaled down whole, the needle still there.
        f.gauge.resize(190, 117);
        const QImage narrow = f.gauge.grab().toImage();
        const QColor mid = narrow.pixelColor(94, 65);
        QVERIFY(mid.blue() > 200 && mid.red() < 80 && mid.green() < 80);
    }

    void followsTheDisplayInTheMainWindow()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("dane");
        ScriptedPrompts prompts;
        MainWindowOptions o = TestOptions(dir, &prompts);
        o.openScaleLink = false;
        MainWindow w(o);
        auto *gauge = w.findChild<QWidget *>("TSzegar")->findChild<GaugeWidget *>("Igauge");
        QVERIFY(gauge);
        QCOMPARE(w.Gauge(), gauge);
        // Ticking from the window's creation, before it is ever shown.
        auto *timer = w.findChild<QTimer *>("TimerGauge");
        QVERIFY(timer && timer->isActive());
        QCOMPARE(gauge->Surface(), gauge->Background());

        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Scale().DecodeLine("250.00");
        QTRY_COMPARE_WITH_TIMEOUT(gauge->GaugeValue(), 250.0, 5000);
        QVERIFY(IsBlue(gauge->Surface(), {104, 30}));

        // Another page in front: the dial keeps following.
        w.findChild<QTabWidget *>("PCustawienia")->setCurrentIndex(2);
        w.Scale().DecodeLine("0.00");
        QTRY_COMPARE_WITH_TIMEOUT(gauge->GaugeValue(), 0.0, 5000);

        // What the settings window does on OK: a new maximum, and the dial starts over.
        w.Config().maxMass = 1000;
        w.ResetGauge();
        QCOMPARE(gauge->GaugeValue(), -1.0);
        w.Scale().DecodeLine("250.00");
        QTRY_COMPARE_WITH_TIMEOUT(gauge->GaugeValue(), 250.0, 5000);
        QVERIFY(IsBlue(gauge->Surface(), {54, 51}));  // a quarter of 1000
        QVERIFY(!IsBlue(gauge->Surface(), {104, 30}));
        QVERIFY(prompts.messages.isEmpty());
    }
};

QTEST_MAIN(TstGaugeWidget)
#include "tst_gauge_widget.moc"
