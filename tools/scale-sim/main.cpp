// scale-sim: a scale indicator that sends weight lines over a pseudo-terminal,
// a serial device or TCP, for demonstrations and tests of the program.

#include "sim_load.h"
#include "sim_outputs.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

// The --link symlink is removed however the simulator ends. The flag is set
// only once the path is complete, so a signal never sees half of it.
char linkToRemove[4096];
volatile std::sig_atomic_t linkNamed = 0;

void OnSignal(int)
{
    if (linkNamed)
        ::unlink(linkToRemove);
    ::_exit(0);
}

int Fail(const QString &message)
{
    QTextStream(stderr) << "scale-sim: " << message << '\n';
    return 2;
}

void Announce(const QString &text)
{
    QTextStream out(stdout);
    out << text << '\n';
    out.flush();
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("scale-sim");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulates a scale indicator sending weight lines.\n\n"
        "Choose exactly one way out:\n"
        "  --tcp PORT          serve TCP on PORT (0 = any free port); the program connects as a\n"
        "                      client, several clients may connect. Prints \"TCP <port>\".\n"
        "  --pty               create a pseudo-terminal; prints \"PTY <slave path>\" (point the\n"
        "                      program's scale device at it). --link PATH adds a symlink to it.\n"
        "  --device PATH       write to an existing serial device at --baud.\n\n"
        "Line forms (--format):\n"
        "  header  \"ST,GS,+0012.50kg\" when stable, \"US,GS,...\" while unstable (default)\n"
        "  plain   \"   12.50 kg\"\n"
        "  record  numbered weighing records \"7   1234.5 kg\", one per stable tick\n"
        "Lines end with CR on serial lines and CR LF over TCP.\n\n"
        "Load (--cycle or --script):\n"
        "  random       empty, loading, unstable, stable at a random weight, unloading (default)\n"
        "  fixed=W      always W, stable\n"
        "  --script F   steps from file F, one per line: \"WEIGHT [TICKS] [ST|US]\", repeated");
    parser.addHelpOption();
    const QCommandLineOption tcpOpt("tcp", "Serve TCP on <port>.", "port");
    const QCommandLineOption bindOpt("bind", "Address to listen on (default 0.0.0.0).", "address", "0.0.0.0");
    const QCommandLineOption ptyOpt("pty", "Create a pseudo-terminal.");
    const QCommandLineOption linkOpt("link", "Symlink <path> to the pseudo-terminal (removed at exit).", "path");
    const QCommandLineOption deviceOpt("device", "Write to serial device <path>.", "path");
    const QCommandLineOption baudOpt("baud", "Rate of --device (default 9600).", "bps", "9600");
    const QCommandLineOption formatOpt("format", "header, plain or record (default header).", "form", "header");
    const QCommandLineOption cycleOpt("cycle", "random or fixed=W (default random).", "cycle", "random");
    const QCommandLineOption scriptOpt("script", "Load steps from <file>.", "file");
    const QCommandLineOption intervalOpt("interval-ms", "Time between lines (default 200).", "ms", "200");
    const QCommandLineOption countOpt("count", "Stop after <n> lines (default: never).", "n");
    const QCommandLineOption decimalsOpt("decimals", "Decimals of the weight (default 2).", "n", "2");
    const QCommandLineOption unitOpt("unit", "Unit after the weight (default kg).", "unit", "kg");
    const QCommandLineOption maxOpt("max", "Largest random weight (default 500).", "mass", "500");
    const QCommandLineOption seedOpt("seed", "Seed of the random cycle (default: the time).", "n");
    const QCommandLineOption netOpt("net", "Send NT (net) instead of GS (gross) in header lines.");
    const QCommandLineOption verboseOpt("verbose", "Echo every line sent on stderr.");
    parser.addOptions({tcpOpt, bindOpt, ptyOpt, linkOpt, deviceOpt, baudOpt, formatOpt, cycleOpt, scriptOpt,
                       intervalOpt, countOpt, decimalsOpt, unitOpt, maxOpt, seedOpt, netOpt, verboseOpt});
    parser.process(app);

    const int ways = int(parser.isSet(tcpOpt)) + int(parser.isSet(ptyOpt)) + int(parser.isSet(deviceOpt));
    if (ways != 1)
        return Fail("choose exactly one of --tcp, --pty and --device (see --help)");
    if (parser.isSet(linkOpt) && !parser.isSet(ptyOpt))
        return Fail("--link needs --pty");

    LineStyle style;
    const QString format = parser.value(formatOpt);
    if (format == "header")
        style.format = LineFormat::Header;
    else if (format == "plain")
        style.format = LineFormat::Plain;
    else if (format == "record")
        style.format = LineFormat::Record;
    else
        return Fail("unknown --format " + format);
    bool ok = false;
    style.decimals = parser.value(decimalsOpt).toInt(&ok);
    if (!ok || style.decimals < 0 || style.decimals > 6)
        return Fail("--decimals must be 0 to 6");
    style.unit = parser.value(unitOpt).toLatin1();
    style.net = parser.isSet(netOpt);

    const int interval = parser.value(intervalOpt).toInt(&ok);
    if (!ok || interval < 1)
        return Fail("--interval-ms must be a positive number");
    long long count = -1;
    if (parser.isSet(countOpt)) {
        count = parser.value(countOpt).toLongLong(&ok);
        if (!ok || count < 1)
            return Fail("--count must be a positive number");
    }

    LoadCycle load = LoadCycle::Fixed(0);
    if (parser.isSet(scriptOpt)) {
        QFile f(parser.value(scriptOpt));
        if (!f.open(QIODevice::ReadOnly))
            return Fail("cannot read " + f.fileName());
        QString error;
        load = LoadCycle::Script(f.readAll(), &error);
        if (!error.isEmpty())
            return Fail(error);
    } else if (parser.value(cycleOpt).startsWith("fixed=")) {
        const double w = parser.value(cycleOpt).mid(6).replace(',', '.').toDouble(&ok);
        if (!ok)
            return Fail("--cycle fixed=W needs a number");
        load = LoadCycle::Fixed(w);
    } else if (parser.value(cycleOpt) == "random") {
        const double max = parser.value(maxOpt).toDouble(&ok);
        if (!ok || max <= 0)
            return Fail("--max must be a positive number");
        const quint32 seed = parser.isSet(seedOpt) ? parser.value(seedOpt).toUInt()
                                                   : quint32(QDateTime::currentMSecsSinceEpoch());
        load = LoadCycle::Random(max, style.decimals, seed);
    } else {
        return Fail("unknown --cycle " + parser.value(cycleOpt));
    }

    // Before anything is announced: whoever started us may stop us at once.
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGHUP, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<Output> output;
    QByteArray lineEnd = "\r";
    QString error;
    if (parser.isSet(tcpOpt)) {
        const int port = parser.value(tcpOpt).toInt(&ok);
        if (!ok || port < 0 || port > 65535)
            return Fail("--tcp needs a port 0 to 65535");
        auto tcp = std::make_unique<TcpOutput>();
        if (!tcp->Listen(parser.value(bindOpt), quint16(port), &error))
            return Fail(error);
        Announce(QStringLiteral("TCP %1").arg(tcp->Port()));
        output = std::move(tcp);
        lineEnd = "\r\n";  // whole lines for both the serial and the socket rules
    } else if (parser.isSet(ptyOpt)) {
        auto pty = std::make_unique<PtyOutput>();
        if (!pty->Create(&error))
            return Fail(error);
        if (parser.isSet(linkOpt)) {
            const QString link = parser.value(linkOpt);
            const QFileInfo existing(link);
            if (existing.isSymLink())
                QFile::remove(link);
            else if (existing.exists())
                return Fail(link + " exists and is not a symlink");
            // Named before it exists: a signal from here on removes it.
            std::strncpy(linkToRemove, QFile::encodeName(link).constData(), sizeof linkToRemove - 1);
            linkNamed = 1;
            if (!QFile::link(pty->SlavePath(), link)) {
                linkNamed = 0;
                return Fail("cannot create the symlink " + link);
            }
        }
        Announce("PTY " + pty->SlavePath());
        output = std::move(pty);
    } else {
        const int baud = parser.value(baudOpt).toInt(&ok);
        if (!ok || baud <= 0)
            return Fail("--baud must be a positive number");
        auto device = std::make_unique<DeviceOutput>();
        if (!device->Open(parser.value(deviceOpt), baud, &error))
            return Fail(error);
        Announce("DEVICE " + parser.value(deviceOpt));
        output = std::move(device);
    }
    const bool verbose = parser.isSet(verboseOpt);
    int recordNumber = 0;
    long long sent = 0;
    QTimer tick;
    QTimer finish;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const QByteArray line = FormatLine(load.Next(), style, recordNumber);
        if (line.isEmpty())
            return;
        output->Send(line + lineEnd);
        if (verbose)
            QTextStream(stderr) << line << '\n';
        if (count > 0 && ++sent >= count) {
            tick.stop();
            finish.start(50);
        }
    });
    // After the last line: wait until it has left (at most two seconds), then end.
    int finishTicks = 0;
    QObject::connect(&finish, &QTimer::timeout, [&] {
        if ((output->Drained() && finishTicks >= 4) || ++finishTicks > 40)
            app.quit();
        ++finishTicks;
    });
    tick.start(interval);
    const int rc = app.exec();
    output.reset();
    if (linkNamed)
        ::unlink(linkToRemove);
    return rc;
}
