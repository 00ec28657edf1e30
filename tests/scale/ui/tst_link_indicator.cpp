// Sled_ethernet follows the scale link controller.

#include "scale/ui/link_indicator.h"

#include <QtTest>

#include <memory>

namespace {

// A link that only ever does what the test tells it.
class HandLink : public ScaleLink {
public:
    bool IsSocket() const override { return true; }
    void Open() override { emit connecting(); }
    void Close() override {}
    bool IsOpen() const override { return up; }
    void Up()
    {
        up = true;
        emit opened();
    }
    void Data(const QByteArray &b) { emit bytesArrived(b); }
    bool up = false;
};

}  // namespace

class TstLinkIndicator : public QObject {
    Q_OBJECT
private slots:
    void followsTheEthernetLink()
    {
        QWidget window;
        auto *lamp = new LinkIndicator(&window);
        window.show();
        QCOMPARE(lamp->objectName(), QString("Sled_ethernet"));
        QVERIFY(!lamp->isVisible());  // hidden until Ethernet is chosen
        QCOMPARE(lamp->FillColour(), QColor(Qt::red));

        ScaleLinkController c;
        HandLink *link = nullptr;
        c.SetLinkFactory([&](const ScaleLinkSettings &) {
            auto l = std::make_unique<HandLink>();
            link = l.get();
            return l;
        });
        lamp->Follow(&c);
        ScaleLinkSettings s;
        s.connection = ScaleLinkSettings::Ethernet;
        c.Apply(s);
        QVERIFY(lamp->isVisible());
        QCOMPARE(lamp->FillColour(), QColor(Qt::yellow));
        QCOMPARE(lamp->accessibleName(), QString("Połączenie Ethernet z wagą: łączenie"));

        link->Up();
        QCOMPARE(lamp->FillColour(), QColor(Qt::green));
        QCOMPARE(lamp->toolTip(), QString("Połączenie Ethernet z wagą: połączono"));
        QCOMPARE(lamp->OutlineColour(), QColor(Qt::black));  // no data yet
        link->Data("1\r\n");
        QCOMPARE(lamp->OutlineColour(), QColor(Qt::white));
        link->Data("2\r\n");
        QCOMPARE(lamp->OutlineColour(), QColor(Qt::green));
        link->Data("3\r\n");
        QCOMPARE(lamp->OutlineColour(), QColor(Qt::white));

        // Back to RS-232: the indicator goes away.
        s.connection = ScaleLinkSettings::Serial;
        c.Apply(s);
        QVERIFY(!lamp->isVisible());
    }
};

QTEST_MAIN(TstLinkIndicator)
#include "tst_link_indicator.moc"
