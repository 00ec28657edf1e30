// The scale link against real pseudo-terminals, a real local TCP server and
// the simulator, plus the controller's rules with a fake link.

#include "support/core_app.h"
#include "core/program_config.h"
#include "scale/scale_link.h"
#include "scale/serial_scale_link.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <memory>

namespace {

constexpr int kWaitMs = 20000;  // the build machine is slow and shared
constexpr int kRetryMs = 200;

// A pseudo-terminal standing in for a serial device; the test holds the master.
class Pty {
public:
    Pty()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return;
        slave_ = QString::fromLocal8Bit(::ptsname(master_));
        termios t{};
        ::tcgetattr(master_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(master_, TCSANOW, &t);
    }
    ~Pty() { Close(); }
    bool Ok() const { return master_ >= 0 && !slave_.isEmpty(); }
    QString SlavePath() const { return slave_; }
    bool Write(const QByteArray &bytes) { return ::write(master_, bytes.constData(), bytes.size()) == bytes.size(); }
    termios Settings() const
    {
        termios t{};
        ::tcgetattr(master_, &t);
        return t;
    }
    void Close()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    QString slave_;
};

// Everything the controller says, recorded.
struct Recorder {
    explicit Recorder(ScaleLinkController &c)
    {
        QObject::connect(&c, &ScaleLinkController::statusTextChanged, [this](const QString &t) { texts << t; });
        QObject::connect(&c, &ScaleLinkController::bytesReceived, [this](const QByteArray &b, bool fromSocket) {
            bytes += b;
            chunks++;
            socketFlags << fromSocket;
        });
        QObject::connect(&c, &ScaleLinkController::lampChanged,
                         [this](ScaleLinkController::LinkLampColour fill, ScaleLinkController::Outline outline,
                                bool shown) {
                             lamps << fill;
                             outlines << outline;
                             shownFlags << shown;
                         });
        QObject::connect(&c, &ScaleLinkController::linkOpened, [this](bool) { openedCount++; });
    }
    QStringList texts;
    QByteArray bytes;
    int chunks = 0;
    QList<bool> socketFlags;
    QList<ScaleLinkController::LinkLampColour> lamps;
    QList<ScaleLinkController::Outline> outlines;
    QList<bool> shownFlags;
    int openedCount = 0;
};

ScaleLinkSettings SerialSettings(const QString &device, const QByteArray &com = "COM2", int rate = br1200)
{
    ProgramConfig config;
    config.scalePort = {com, rate};
    config.scaleDevice = device.toLocal8Bit();
    config.scaleConnection = 0;
    return ScaleLinkSettings::FromConfig(config);
}

ScaleLinkSettings EthernetSettings(quint16 port)
{
    ProgramConfig config;
    config.scaleConnection = 1;
    config.scaleIpAddress = "127.0.0.1";
    config.scaleIpPort = port;
    return ScaleLinkSettings::FromConfig(config);
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApp();
        ASSERT_TRUE(dir.isValid());
    }
    QString Path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(LinkTest, NamesRatesAndStatusTexts)
{
    EXPECT_EQ(DefaultDeviceFor("COM1"), "/dev/ttyS0");
    EXPECT_EQ(DefaultDeviceFor("COM2"), "/dev/ttyS1");
    EXPECT_EQ(DefaultDeviceFor("COM16"), "/dev/ttyS15");
    EXPECT_EQ(DefaultDeviceFor("COM17"), "");
    EXPECT_EQ(DefaultDeviceFor("COM0"), "");

    EXPECT_EQ(SerialOpenedText("COM2", br9600), "port COM2, 9600bps");
    EXPECT_EQ(SerialFailedText("COM2", br1200), "brak połączenia! (port COM2, 1200bps)");
    EXPECT_EQ(SerialFailedText("COM16", br115200), "brak połączenia! (port COM16, 115200bps)");
    EXPECT_EQ(EthernetConnectedText("127.0.0.1", 3333), "IP 127.0.0.1, port 3333");
    EXPECT_EQ(EthernetDownText(), "brak połączenia");

    ProgramConfig config;  // defaults: COM2 at 1200, no device chosen
    auto s = ScaleLinkSettings::FromConfig(config);
    EXPECT_EQ(s.DevicePath(), "/dev/ttyS1");
    EXPECT_EQ(s.BitsPerSecond(), 1200);
    config.scaleDevice = "/dev/ttyUSB0";
    config.scalePort.rate = br14400;
    s = ScaleLinkSettings::FromConfig(config);
    EXPECT_EQ(s.DevicePath(), "/dev/ttyUSB0");
    EXPECT_EQ(s.BitsPerSecond(), 14400);
}

TEST_F(LinkTest, MissingDeviceShowsFailureTextAndRetriesQuietly)
{
    ScaleLinkController c;
    c.SetRetryInterval(kRetryMs);
    Recorder r(c);
    c.Apply(SerialSettings(Path("nothing-here")));

    EXPECT_EQ(c.StatusText(), "brak połączenia! (port COM2, 1200bps)");
    EXPECT_FALSE(c.IsOpen());
    EXPECT_TRUE(c.IsRetrying());
    EXPECT_EQ(c.LastError(), "Urządzenie nie istnieje (" + Path("nothing-here") + ")");
    EXPECT_FALSE(c.LampShown());

    // Several failed retries later: the same text, said once, still retrying.
    QTest::qWait(kRetryMs * 5);
    EXPECT_EQ(r.texts, QStringList{"brak połączenia! (port COM2, 1200bps)"});
    EXPECT_TRUE(c.IsRetrying());
    EXPECT_EQ(r.chunks, 0);
}

TEST_F(LinkTest, SerialPortOpens8N1AtConfiguredRateAndDeliversBytes)
{
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    ScaleLinkController c;
    Recorder r(c);
    c.Apply(SerialSettings(pty.SlavePath(), "COM3", br9600));

    ASSERT_TRUE(c.IsOpen()) << c.LastError().toStdString();
    EXPECT_EQ(c.StatusText(), "port COM3, 9600bps");
    EXPECT_EQ(r.texts, QStringList{"port COM3, 9600bps"});  // no failure text on the way
    EXPECT_EQ(r.openedCount, 1);
    EXPECT_FALSE(c.IsRetrying());

    const termios t = pty.Settings();
    EXPECT_EQ(cfgetispeed(&t), speed_t(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t(0));

    ASSERT_TRUE(pty.Write("ST,GS,+0012.50kg\r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.bytes.size() >= 17; }, kWaitMs));
    ASSERT_TRUE(pty.Write("US,GS,+0013.00kg\r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.bytes.size() >= 34; }, kWaitMs));
    EXPECT_EQ(r.bytes, "ST,GS,+0012.50kg\rUS,GS,+0013.00kg\r");
    EXPECT_FALSE(r.socketFlags.contains(true));
}

TEST_F(LinkTest, SerialLinkFindsLateDeviceAndRecoversAfterItVanishes)
{
    const QString link = Path("ttyScale");
    ScaleLinkController c;
    c.SetRetryInterval(kRetryMs);
    Recorder r(c);
    c.Apply(SerialSettings(link, "COM2", br1200));
    EXPECT_EQ(c.StatusText(), "brak połączenia! (port COM2, 1200bps)");

    // The device appears after the start: the retry picks it up by itself.
    auto pty = std::make_unique<Pty>();
    ASSERT_TRUE(pty->Ok());
    ASSERT_TRUE(QFile::link(pty->SlavePath(), link));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.IsOpen(); }, kWaitMs));
    EXPECT_EQ(c.StatusText(), "port COM2, 1200bps");
    ASSERT_TRUE(pty->Write("ST,GS,+0001.00kg\r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.bytes == "ST,GS,+0001.00kg\r"; }, kWaitMs));

    // The device vanishes (adapter pulled): honest text, and retrying.
    pty.reset();
    QFile::remove(link);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !c.IsOpen(); }, kWaitMs));
    EXPECT_EQ(c.StatusText(), "brak połączenia! (port COM2, 1200bps)");
    EXPECT_TRUE(c.IsRetrying());

    // Back again: weights flow with no call from here.
    pty = std::make_unique<Pty>();
    ASSERT_TRUE(pty->Ok());
    ASSERT_TRUE(QFile::link(pty->SlavePath(), link));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.IsOpen(); }, kWaitMs));
    ASSERT_TRUE(pty->Write("ST,GS,+0002.00kg\r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.bytes.endsWith("ST,GS,+0002.00kg\r"); }, kWaitMs));
    EXPECT_EQ(r.texts, (QStringList{"brak połączenia! (port COM2, 1200bps)", "port COM2, 1200bps",
                                    "brak połączenia! (port COM2, 1200bps)", "port COM2, 1200bps"}));
    EXPECT_EQ(r.openedCount, 2);
}

TEST_F(LinkTest, DeviceNameWithNulIsRefusedAndLeavesNoLockOnTheRealDevice)
{
    // A hand-edited konfig.ini can hold a NUL; the system cuts the name there.
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    ScaleLinkController c;
    c.SetRetryInterval(kRetryMs);
    c.Apply(SerialSettings(pty.SlavePath() + QChar(0) + QStringLiteral("junk"), "COM3", br9600));
    EXPECT_FALSE(c.IsOpen());
    EXPECT_EQ(c.StatusText(), "brak połączenia! (port COM3, 9600bps)");
    EXPECT_EQ(c.LastError(), "Nazwa urządzenia zawiera niedozwolone znaki");
    QTest::qWait(kRetryMs * 2);  // a few retries

    // Corrected, the device opens: nothing of the bad name holds it.
    c.Apply(SerialSettings(pty.SlavePath(), "COM3", br9600));
    EXPECT_TRUE(c.IsOpen()) << c.LastError().toStdString();
    EXPECT_EQ(c.StatusText(), "port COM3, 9600bps");
}

TEST_F(LinkTest, ReceiveEventWithNothingWaitingDoesNothing)
{
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    SerialScaleLink link(pty.SlavePath(), 9600);
    int arrivals = 0;
    QObject::connect(&link, &ScaleLink::bytesArrived, [&](const QByteArray &) { arrivals++; });
    link.Open();
    ASSERT_TRUE(link.IsOpen());
    link.ReceiveEvent();
    link.ReceiveEvent();
    EXPECT_EQ(arrivals, 0);
    EXPECT_TRUE(link.IsOpen());
}

// Serves the TCP link in the tests; `Send` goes to every client.
class Server {
public:
    bool Listen(quint16 port = 0) { return server_.listen(QHostAddress::LocalHost, port); }
    quint16 Port() const { return server_.serverPort(); }
    int Clients()
    {
        while (server_.hasPendingConnections())
            clients_.push_back(server_.nextPendingConnection());
        return int(clients_.size());
    }
    void Send(const QByteArray &bytes)
    {
        Clients();
        for (auto *s : clients_)
            s->write(bytes);
    }
    void Shutdown()
    {
        Clients();
        for (auto *s : clients_) {
            s->abort();
            s->deleteLater();
        }
        clients_.clear();
        server_.close();
    }

private:
    QTcpServer server_;
    QList<QTcpSocket *> clients_;
};

TEST_F(LinkTest, HandEditedAddressWithBlanksShowsTheAddressUsed)
{
    Server server;
    ASSERT_TRUE(server.Listen());
    ProgramConfig config;
    config.scaleConnection = 1;
    config.scaleIpAddress = " 127.0.0.1 ";  // the trailing blank cannot be seen in an editor
    config.scaleIpPort = server.Port();
    ScaleLinkController c;
    c.Apply(ScaleLinkSettings::FromConfig(config));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.IsOpen(); }, kWaitMs)) << c.LastError().toStdString();
    EXPECT_EQ(c.StatusText(), QStringLiteral("IP 127.0.0.1, port %1").arg(server.Port()));
}

TEST_F(LinkTest, EthernetConnectsFollowsLampAndRecoversWhenServerReturns)
{
    Server server;
    ASSERT_TRUE(server.Listen());
    const quint16 port = server.Port();
    const QString up = QStringLiteral("IP 127.0.0.1, port %1").arg(port);

    ScaleLinkController c;
    c.SetRetryInterval(kRetryMs);
    Recorder r(c);
    c.Apply(EthernetSettings(port));
    EXPECT_TRUE(c.LampShown());
    EXPECT_EQ(c.StatusText(), "brak połączenia");  // not connected yet
    ASSERT_TRUE(c.Link());
    EXPECT_TRUE(c.Link()->findChild<QTcpSocket *>("ClientSocket1"));

    ASSERT_TRUE(QTest::qWaitFor([&] { return c.StatusText() == up; }, kWaitMs));
    EXPECT_EQ(c.LampColour(), ScaleLinkController::Green);
    // Shown red first, then yellow while connecting, green when connected.
    EXPECT_EQ(r.lamps, (QList<ScaleLinkController::LinkLampColour>{
                           ScaleLinkController::Red, ScaleLinkController::Yellow, ScaleLinkController::Green}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Clients() == 1; }, kWaitMs));

    // Successive arrivals turn the outline white, then green, then white.
    using Outline = ScaleLinkController::Outline;
    EXPECT_EQ(c.LampOutline(), Outline::Initial);
    server.Send("ST,GS,+0012.50kg\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.chunks == 1; }, kWaitMs));
    EXPECT_EQ(c.LampOutline(), Outline::White);
    server.Send("ST,GS,+0012.60kg\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.chunks == 2; }, kWaitMs));
    EXPECT_EQ(c.LampOutline(), Outline::Green);
    server.Send("ST,GS,+0012.70kg\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.chunks == 3; }, kWaitMs));
    EXPECT_EQ(c.LampOutline(), Outline::White);
    EXPECT_EQ(r.bytes, "ST,GS,+0012.50kg\r\nST,GS,+0012.60kg\r\nST,GS,+0012.70kg\r\n");
    EXPECT_EQ(r.socketFlags, (QList<bool>{true, true, true}));
    EXPECT_EQ(r.outlines, (QList<Outline>{Outline::Initial, Outline::Initial, Outline::Initial, Outline::White,
                                          Outline::Green, Outline::White}));

    // The module goes away: red and "brak połączenia", and the client keeps trying.
    server.Shutdown();
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.StatusText() == "brak połączenia"; }, kWaitMs));
    EXPECT_EQ(c.LampColour(), ScaleLinkController::Red);
    EXPECT_EQ(c.LastError(), QStringLiteral("Waga zamknęła połączenie (127.0.0.1:%1)").arg(port));
    QTest::qWait(kRetryMs * 3);  // a few refused attempts
    EXPECT_EQ(c.StatusText(), "brak połączenia");

    // Back on the same port: connected and data flowing with no call from the test.
    ASSERT_TRUE(server.Listen(port));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.StatusText() == up; }, kWaitMs));
    EXPECT_EQ(c.LampColour(), ScaleLinkController::Green);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Clients() == 1; }, kWaitMs));
    server.Send("ST,GS,+0020.00kg\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.bytes.endsWith("ST,GS,+0020.00kg\r\n"); }, kWaitMs));
    EXPECT_EQ(r.texts.count(up), 2);
    EXPECT_FALSE(r.shownFlags.contains(false));
}

TEST_F(LinkTest, EthernetRefusedAtStartConnectsOnceServerStarts)
{
    quint16 port;
    {
        Server probe;  // a free port, then nobody listening there
        ASSERT_TRUE(probe.Listen());
        port = probe.Port();
    }
    ScaleLinkController c;
    c.SetRetryInterval(kRetryMs);
    Recorder r(c);
    c.Apply(EthernetSettings(port));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.IsRetrying(); }, kWaitMs));
    EXPECT_EQ(c.StatusText(), "brak połączenia");
    EXPECT_EQ(c.LampColour(), ScaleLinkController::Red);
    EXPECT_TRUE(r.texts.isEmpty());  // it was "brak połączenia" from the start
    EXPECT_EQ(c.LastError(), QStringLiteral("Odmowa połączenia (127.0.0.1:%1)").arg(port));

    Server server;
    ASSERT_TRUE(server.Listen(port));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.IsOpen(); }, kWaitMs));
    EXPECT_EQ(c.StatusText(), QStringLiteral("IP 127.0.0.1, port %1").arg(port));
}

// A link the test drives by hand.
class FakeLink : public ScaleLink {
public:
    FakeLink(bool socket, int *opens, int *closes) : socket_(socket), opens_(opens), closes_(closes) {}
    bool IsSocket() const override { return socket_; }
    void Open() override { ++*opens_; }
    void Close() override
    {
        ++*closes_;
        open_ = false;
    }
    bool IsOpen() const override { return open_; }
    void Up()
    {
        open_ = true;
        emit opened();
    }
    void Down()
    {
        open_ = false;
        emit failed("gone");
    }
    void Arrive(const QByteArray &b) { emit bytesArrived(b); }

private:
    bool socket_;
    bool open_ = false;
    int *opens_;
    int *closes_;
};

TEST_F(LinkTest, ControllerRulesWithFakeLink)
{
    int opens = 0, closes = 0;
    FakeLink *last = nullptr;
    ScaleLinkController c;
    c.SetRetryInterval(kRetryMs);
    c.SetLinkFactory([&](const ScaleLinkSettings &s) {
        auto link = std::make_unique<FakeLink>(s.connection == ScaleLinkSettings::Ethernet, &opens, &closes);
        last = link.get();
        return link;
    });
    Recorder r(c);

    c.Apply(EthernetSettings(4000));
    ASSERT_TRUE(last);
    EXPECT_EQ(opens, 1);
    last->Up();
    EXPECT_EQ(c.StatusText(), "IP 127.0.0.1, port 4000");

    // An empty chunk is no arrival: nothing passed on, outline unchanged.
    last->Arrive({});
    EXPECT_EQ(r.chunks, 0);
    EXPECT_EQ(c.LampOutline(), ScaleLinkController::Outline::Initial);

    // Down, then the retry timer reopens the same link.
    last->Down();
    EXPECT_EQ(c.StatusText(), "brak połączenia");
    ASSERT_TRUE(QTest::qWaitFor([&] { return opens == 2; }, kWaitMs));

    // New settings: the Ethernet link is closed, the serial one opened, the lamp hidden.
    c.Apply(SerialSettings("/dev/null-scale", "COM4", br19200));
    EXPECT_GE(closes, 1);
    EXPECT_EQ(opens, 3);
    EXPECT_FALSE(c.LampShown());
    EXPECT_EQ(r.shownFlags.last(), false);
    last->Up();
    EXPECT_EQ(c.StatusText(), "port COM4, 19200bps");
    last->Arrive("7   1234.5 kg\r");
    EXPECT_EQ(r.socketFlags.last(), false);

    // Program end: closed, and no retry ever after.
    last->Down();
    c.Stop();
    EXPECT_FALSE(c.IsRetrying());
    QTest::qWait(kRetryMs * 3);
    EXPECT_EQ(opens, 3);
}

QString SimulatorPath()
{
    return QStringLiteral(POMIARY_BIN_DIR) + "/scale-sim";
}

TEST_F(LinkTest, SimulatorOverPtyAndTcpFeedsTheController)
{
    ASSERT_TRUE(QFile::exists(SimulatorPath())) << "build the scale-sim target first";

    // Pseudo-terminal with a symlink the controller reads as the scale's device.
    const QString link = Path("ttySim");
    QProcess pty;
    pty.start(SimulatorPath(), {"--pty", "--link", link, "--cycle", "fixed=12.5", "--interval-ms", "50"});
    ASSERT_TRUE(pty.waitForStarted(kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pty.canReadLine(); }, kWaitMs));
    EXPECT_TRUE(pty.readLine().startsWith("PTY /dev/pts/"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(link); }, kWaitMs));

    ScaleLinkController serial;
    serial.SetRetryInterval(kRetryMs);
    Recorder rs(serial);
    serial.Apply(SerialSettings(link, "COM5", br9600));
    ASSERT_TRUE(QTest::qWaitFor([&] { return rs.bytes.count("\r") >= 3; }, kWaitMs));
    EXPECT_EQ(serial.StatusText(), "port COM5, 9600bps");
    const QByteArray lastLine = rs.bytes.left(rs.bytes.lastIndexOf('\r')).split('\r').last();
    EXPECT_EQ(lastLine, "ST,GS,+0012.50kg");
    pty.terminate();
    ASSERT_TRUE(pty.waitForFinished(kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !serial.IsOpen(); }, kWaitMs));
    EXPECT_EQ(serial.StatusText(), "brak połączenia! (port COM5, 9600bps)");
    EXPECT_FALSE(QFile::exists(link));  // the simulator removes its link

    // TCP: the simulator serves, the controller connects as a client.
    QProcess tcp;
    tcp.start(SimulatorPath(), {"--tcp", "0", "--format", "record", "--cycle", "fixed=1234.5", "--decimals", "1",
                                "--interval-ms", "50"});
    ASSERT_TRUE(tcp.waitForStarted(kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tcp.canReadLine(); }, kWaitMs));
    const QByteArray announce = tcp.readLine().trimmed();
    ASSERT_TRUE(announce.startsWith("TCP ")) << announce.toStdString();
    const int port = announce.mid(4).toInt();
    ScaleLinkController net;
    Recorder rn(net);
    net.Apply(EthernetSettings(quint16(port)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return rn.bytes.count("\r\n") >= 2; }, kWaitMs));
    const QList<QByteArray> lines = rn.bytes.split('\n');
    EXPECT_TRUE(lines[0].endsWith("   1234.5 kg\r")) << lines[0].toStdString();
    EXPECT_EQ(lines[1].split(' ').first().toInt(), lines[0].split(' ').first().toInt() + 1);
    tcp.terminate();
    ASSERT_TRUE(tcp.waitForFinished(kWaitMs));
}

TEST_F(LinkTest, SimulatorStoppedRightAfterAnnouncingRemovesItsLink)
{
    ASSERT_TRUE(QFile::exists(SimulatorPath())) << "build the scale-sim target first";
    // A test may stop it the moment it has said where it is.
    const QString link = Path("ttyQuick");
    for (int i = 0; i < 20; ++i) {
        QProcess sim;
        sim.start(SimulatorPath(), {"--pty", "--link", link});
        ASSERT_TRUE(sim.waitForReadyRead(kWaitMs));
        sim.terminate();
        ASSERT_TRUE(sim.waitForFinished(kWaitMs));
        EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit) << "round " << i;
        ASSERT_FALSE(QFileInfo(link).isSymLink()) << "round " << i;
    }
}

TEST(SerialPermission, TextSaysWhichGroupGivesAccessAndHow)
{
    EXPECT_EQ(SerialPermissionText("/dev/ttyS0", "dialout", "jan"),
              "Brak uprawnień do portu /dev/ttyS0. Dodaj użytkownika do grupy dialout "
              "(sudo usermod -aG dialout jan) i zaloguj się ponownie.");
    EXPECT_EQ(SerialPermissionText("/dev/ttyUSB0", "uucp", "operator"),
              "Brak uprawnień do portu /dev/ttyUSB0. Dodaj użytkownika do grupy uucp "
              "(sudo usermod -aG uucp operator) i zaloguj się ponownie.");
    // Unknown group or user: Debian's group, and a placeholder the reader fills in.
    EXPECT_EQ(SerialPermissionText("/dev/ttyS1", "", ""),
              "Brak uprawnień do portu /dev/ttyS1. Dodaj użytkownika do grupy dialout "
              "(sudo usermod -aG dialout <użytkownik>) i zaloguj się ponownie.");
}

constexpr uid_t kNobody = 65534;

QString UserName(uid_t uid)
{
    const passwd *pw = ::getpwuid(uid);
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

QString GroupName(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    const group *g = ::getgrgid(st.st_gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString();
}

// A named group, not root's, that the opening user is not given: for root
// any such group of the system, otherwise the user's own (whose owner bits
// still refuse the device).
gid_t ReadingGroupForTest()
{
    if (::geteuid() != 0)
        return ::getegid();
    gid_t found = 0;
    ::setgrent();
    while (const group *g = ::getgrent()) {
        if (g->gr_gid != 0 && g->gr_gid != kNobody) {
            found = g->gr_gid;
            break;
        }
    }
    ::endgrent();
    return found;
}

// What opening `device` tells a user who is not root, and who that user is.
// Root passes every permission check, so as root the link is opened in a
// child process that has given up its rights (uid and gid 65534, no groups).
struct OpenAttempt {
    QString reason;
    QString user;
};

OpenAttempt OpenWithoutRootRights(const QString &device)
{
    const auto attempt = [&device] {
        SerialScaleLink link(device, 9600);
        QString reason;
        QObject::connect(&link, &ScaleLink::failed, [&reason](const QString &r) { reason = r; });
        link.Open();
        return link.IsOpen() ? QStringLiteral("<otwarty>") : reason;
    };
    if (::geteuid() != 0)
        return {attempt(), UserName(::geteuid())};

    int fds[2];
    if (::pipe(fds) != 0)
        return {"<pipe>", {}};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
        const QByteArray out = dropped ? attempt().toUtf8() : QByteArray("<setuid>");
        [[maybe_unused]] auto n = ::write(fds[1], out.constData(), size_t(out.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray out;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        out.append(buf, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {QString::fromUtf8(out), UserName(kNobody)};
}

TEST_F(LinkTest, UnreadableDeviceTellsHowToGetAccess)
{
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    const QString device = pty.SlavePath();
    const QByteArray path = QFile::encodeName(device);

    // No group may read it: the usual serial group is named.
    ASSERT_EQ(::chmod(path.constData(), 0), 0);
    OpenAttempt a = OpenWithoutRootRights(device);
    EXPECT_EQ(a.reason, SerialPermissionText(device, "dialout", a.user));
    EXPECT_TRUE(a.reason.startsWith("Brak uprawnień do portu " + device + ". Dodaj użytkownika do grupy dialout"))
        << a.reason.toStdString();

    // The device's own group may read it: that group is the one to join.
    const gid_t readers = ReadingGroupForTest();
    ASSERT_NE(readers, gid_t(0));
    ASSERT_EQ(::chown(path.constData(), uid_t(-1), readers), 0);
    ASSERT_EQ(::chmod(path.constData(), S_IRGRP), 0);
    const QString group = GroupName(device);
    ASSERT_FALSE(group.isEmpty());
    a = OpenWithoutRootRights(device);
    EXPECT_EQ(a.reason, SerialPermissionText(device, group, a.user));
    EXPECT_TRUE(a.reason.contains("(sudo usermod -aG " + group + ' ')) << a.reason.toStdString();
}

TEST_F(LinkTest, PortHeldByAnotherLinkIsNotBlamedOnTheGroup)
{
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    SerialScaleLink holder(pty.SlavePath(), 9600);
    holder.Open();
    ASSERT_TRUE(holder.IsOpen());

    SerialScaleLink second(pty.SlavePath(), 9600);
    QString reason;
    QObject::connect(&second, &ScaleLink::failed, [&reason](const QString &r) { reason = r; });
    second.Open();
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(reason, "Brak dostępu do portu lub port zajęty (" + pty.SlavePath() + ")");
}

}  // namespace
