// scale-sim: a scale indicator for demonstrations and tests of the program.
// It speaks the plain line formats and the common indicator families (Toledo
// continuous, SMA, SICS, the si request/reply family) over a pseudo-terminal,
// a serial device or TCP, continuously or answering requests, and serves the
// weight over Modbus TCP or RTU. `scale-sim --help` lists every option; the
// Modbus registers are: the weight at --modbus-register (one or two words),
// the status at --modbus-status-register (default: the weight's register + 2),
// bit 0 stable, bit 1 overload, bit 2 underload, bit 3 net; holding and input
// registers hold the same values.

#include "sim_load.h"
#include "sim_modbus.h"
#include "sim_outputs.h"
#include "sim_protocols.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
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

// Control bytes shown as \xNN, so binary frames stay readable on a terminal.
QByteArray Printable(const QByteArray &bytes)
{
    QByteArray out;
    for (const char ch : bytes) {
        const auto u = uchar(ch);
        if (u >= 0x20 && u < 0x7F && ch != '\\')
            out += ch;
        else
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
    }
    return out;
}



// Makes `link` a symlink to `target`, registered for removal at exit; empty on success.
QString MakeLink(const QString &link, const QString &target)
{
    const QFileInfo existing(link);
    if (existing.isSymLink())
        QFile::remove(link);
    else if (existing.exists())
        return link + " exists and is not a symlink";
    // Named before it exists: a signal from here on removes it.
    std::strncpy(linkToRemove, QFile::encodeName(link).constData(), sizeof linkToRemove - 1);
    linkNamed = 1;
    if (!QFile::link(target, link)) {
        linkNamed = 0;
        return "cannot create the symlink " + link;
    }
    return {};
}

bool ParseModbusFormat(const QString &text, ModbusLayout::Format *format)
{
    static const QList<std::pair<QString, ModbusLayout::Format>> kNames = {
        {"int16", ModbusLayout::Format::Int16},   {"uint16", ModbusLayout::Format::UInt16},
        {"int32", ModbusLayout::Format::Int32},   {"uint32", ModbusLayout::Format::UInt32},
        {"float32", ModbusLayout::Format::Float32}};
    for (const auto &[name, value] : kNames) {
        if (text == name) {
            *format = value;
            return true;
        }
    }
    return false;
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
        "  toledo  Toledo continuous output: STX, status words A B C, 6 weight digits, 6 tare\n"
        "          digits, CR; --checksum adds the checksum byte\n"
        "  sma     SMA replies <LF>srnmf, 10-character weight, 3-character unit, <CR>; requests\n"
        "          <LF>W<CR> or W<CR>; other commands get <LF>?<CR>\n"
        "  sics    \"S S      12.34 kg\" / \"S D ...\" / \"S +\" / \"S -\", CR LF; requests SI (at once),\n"
        "          S (the next stable weight, \"S I\" after --stable-timeout-ms); others get ES\n"
        "  si      \"SI   -     12.34 kg \": command, mark (space stable, ? unstable, ^ over,\n"
        "          v under), sign, 10-character mass, 3-character unit, CR LF; requests SI, S,\n"
        "          C1/C0 (continuous on/off, answered \"C1 A\"/\"C0 A\"); others get no answer\n"
        "  modbus  a Modbus server: TCP with --tcp, RTU with --pty (the announced pseudo-terminal\n"
        "          is relayed to a second one the server opens) or --device\n"
        "Lines of header/plain/record end with CR on serial lines and CR LF over TCP.\n\n"
        "--mode: continuous (default for header, plain, record, toledo) sends a frame every tick;\n"
        "request (default for sma, sics, si) answers each request a client sends with a frame of\n"
        "the current weight. Requests end with CR (SMA) or CR, LF or CR LF (SICS, si).\n\n"
        "Load (--cycle or --script):\n"
        "  random       empty, loading, unstable, stable at a random weight, unloading (default)\n"
        "  fixed=W      always W, stable\n"
        "  --script F   steps from file F, one per line: \"WEIGHT [TICKS] [ST|US]\", repeated;\n"
        "               WEIGHT may be OVER or UNDER (overload, underload)\n"
        "With --max given, a weight above it is an overload and one below minus it an underload.\n\n"
        "Modbus registers: the weight at --modbus-register (one word for int16/uint16, two\n"
        "otherwise), the status at --modbus-status-register (default: --modbus-register + 2):\n"
        "bit 0 stable, bit 1 overload, bit 2 underload, bit 3 net. Holding and input registers\n"
        "hold the same values, updated every tick.");
    parser.addHelpOption();
    const QCommandLineOption tcpOpt("tcp", "Serve TCP on <port>.", "port");
    const QCommandLineOption bindOpt("bind", "Address to listen on (default 0.0.0.0).", "address", "0.0.0.0");
    const QCommandLineOption ptyOpt("pty", "Create a pseudo-terminal.");
    const QCommandLineOption linkOpt("link", "Symlink <path> to the pseudo-terminal (removed at exit).", "path");
    const QCommandLineOption deviceOpt("device", "Write to serial device <path>.", "path");
    const QCommandLineOption baudOpt("baud", "Rate of --device (default 9600).", "bps", "9600");
    const QCommandLineOption formatOpt("format", "header, plain, record, toledo, sma, sics, si or modbus (default header).",
                                       "form", "header");
    const QCommandLineOption modeOpt("mode", "continuous or request (default: by --format).", "mode");
    const QCommandLineOption cycleOpt("cycle", "random or fixed=W (default random).", "cycle", "random");
    const QCommandLineOption scriptOpt("script", "Load steps from <file>.", "file");
    const QCommandLineOption intervalOpt("interval-ms", "Time between lines (default 200).", "ms", "200");
    const QCommandLineOption countOpt("count", "Stop after <n> lines or answers (default: never).", "n");
    const QCommandLineOption decimalsOpt("decimals", "Decimals of the weight (default 2).", "n", "2");
    const QCommandLineOption unitOpt("unit", "Unit after the weight (default kg).", "unit", "kg");
    const QCommandLineOption maxOpt("max", "Largest random weight (default 500); when given, also the range.", "mass",
                                    "500");
    const QCommandLineOption seedOpt("seed", "Seed of the random cycle and the junk (default: the time).", "n");
    const QCommandLineOption netOpt("net", "The weight is net: NT instead of GS, the families' net marks.");
    const QCommandLineOption tareOpt("tare", "Tare sent where the family has a tare field (implies --net).", "mass");
    const QCommandLineOption checksumOpt("checksum", "toledo: add the checksum byte after CR.");
    const QCommandLineOption garbageOpt("garbage", "Junk bytes before a frame with probability <p> (0 to 1).", "p",
                                        "0");
    const QCommandLineOption noAnswerOpt("no-answer-after", "Answer only the first <n> requests.", "n");
    const QCommandLineOption delayOpt("answer-delay-ms", "Delay every answer by <ms> (default 0).", "ms", "0");
    const QCommandLineOption stableWaitOpt("stable-timeout-ms",
                                           "How long S waits for a stable weight (default 3000).", "ms", "3000");
    const QCommandLineOption unitIdOpt("modbus-unit", "Modbus unit (server) address (default 1).", "n", "1");
    const QCommandLineOption registerOpt("modbus-register", "First register of the weight (default 0).", "n", "0");
    const QCommandLineOption statusRegOpt("modbus-status-register", "Status register (default: weight's + 2).", "n");
    const QCommandLineOption modbusFormatOpt("modbus-format", "int16, uint16, int32, uint32 or float32 (default int32).",
                                             "form", "int32");
    const QCommandLineOption wordOrderOpt("modbus-word-order", "high or low word first (default high).", "order",
                                          "high");
    const QCommandLineOption modbusDecimalsOpt("modbus-decimals", "Integer formats: weight = raw / 10^n (default 2).",
                                               "n", "2");
    const QCommandLineOption verboseOpt("verbose", "Echo every line sent on stderr.");
    parser.addOptions({tcpOpt,      bindOpt,        ptyOpt,          linkOpt,      deviceOpt,       baudOpt,
                       formatOpt,   modeOpt,        cycleOpt,        scriptOpt,    intervalOpt,     countOpt,
                       decimalsOpt, unitOpt,        maxOpt,          seedOpt,      netOpt,          tareOpt,
                       checksumOpt, garbageOpt,     noAnswerOpt,     delayOpt,     stableWaitOpt,   unitIdOpt,
                       registerOpt, statusRegOpt,   modbusFormatOpt, wordOrderOpt, modbusDecimalsOpt, verboseOpt});
    parser.process(app);

    const int ways = int(parser.isSet(tcpOpt)) + int(parser.isSet(ptyOpt)) + int(parser.isSet(deviceOpt));
    if (ways != 1)
        return Fail("choose exactly one of --tcp, --pty and --device (see --help)");
    if (parser.isSet(linkOpt) && !parser.isSet(ptyOpt))
        return Fail("--link needs --pty");

    // What is sent: a plain line form, a family's frames, or Modbus registers.
    LineStyle style;
    std::optional<SimFamily> family;
    bool modbus = false;
    const QString format = parser.value(formatOpt);
    if (format == "header")
        style.format = LineFormat::Header;
    else if (format == "plain")
        style.format = LineFormat::Plain;
    else if (format == "record")
        style.format = LineFormat::Record;
    else if (format == "toledo")
        family = SimFamily::Toledo;
    else if (format == "sma")
        family = SimFamily::Sma;
    else if (format == "sics")
        family = SimFamily::Sics;
    else if (format == "si")
        family = SimFamily::Si;
    else if (format == "modbus")
        modbus = true;
    else
        return Fail("unknown --format " + format);
    const bool answers = family && family != SimFamily::Toledo;
    bool continuous = !answers;
    if (parser.isSet(modeOpt)) {
        const QString mode = parser.value(modeOpt);
        if (mode != "continuous" && mode != "request")
            return Fail("--mode must be continuous or request");
        continuous = mode == "continuous";
        if (!continuous && !answers)
            return Fail("--mode request needs --format sma, sics or si");
    }

    bool ok = false;
    style.decimals = parser.value(decimalsOpt).toInt(&ok);
    if (!ok || style.decimals < 0 || style.decimals > 6)
        return Fail("--decimals must be 0 to 6");
    style.unit = parser.value(unitOpt).toLatin1();
    style.net = parser.isSet(netOpt) || parser.isSet(tareOpt);
    FrameStyle frameStyle;
    frameStyle.decimals = style.decimals;
    frameStyle.unit = style.unit;
    frameStyle.net = style.net;
    frameStyle.checksum = parser.isSet(checksumOpt);
    if (parser.isSet(tareOpt)) {
        frameStyle.tare = parser.value(tareOpt).replace(',', '.').toDouble(&ok);
        if (!ok || frameStyle.tare < 0)
            return Fail("--tare must be a number, 0 or more");
    }

    const int interval = parser.value(intervalOpt).toInt(&ok);
    if (!ok || interval < 1)
        return Fail("--interval-ms must be a positive number");
    long long count = -1;
    if (parser.isSet(countOpt)) {
        count = parser.value(countOpt).toLongLong(&ok);
        if (!ok || count < 1)
            return Fail("--count must be a positive number");
    }
    const double garbage = parser.value(garbageOpt).toDouble(&ok);
    if (!ok || garbage < 0 || garbage > 1)
        return Fail("--garbage must be 0 to 1");
    long long noAnswerAfter = -1;
    if (parser.isSet(noAnswerOpt)) {
        noAnswerAfter = parser.value(noAnswerOpt).toLongLong(&ok);
        if (!ok || noAnswerAfter < 0)
            return Fail("--no-answer-after must be 0 or more");
    }
    const int answerDelay = parser.value(delayOpt).toInt(&ok);
    if (!ok || answerDelay < 0)
        return Fail("--answer-delay-ms must be 0 or more");
    const int stableWait = parser.value(stableWaitOpt).toInt(&ok);
    if (!ok || stableWait < 1)
        return Fail("--stable-timeout-ms must be a positive number");

    ModbusLayout layout;
    layout.net = style.net;
    {
        bool okUnit = false, okReg = false, okDec = false, okStatus = true;
        layout.unit = parser.value(unitIdOpt).toInt(&okUnit);
        layout.weightRegister = parser.value(registerOpt).toInt(&okReg);
        layout.decimals = parser.value(modbusDecimalsOpt).toInt(&okDec);
        layout.statusRegister = parser.isSet(statusRegOpt) ? parser.value(statusRegOpt).toInt(&okStatus)
                                                            : layout.weightRegister + 2;
        if (!okUnit || !okReg || !okDec || !okStatus)
            return Fail("--modbus-unit, --modbus-register, --modbus-status-register and --modbus-decimals take numbers");
        if (!ParseModbusFormat(parser.value(modbusFormatOpt), &layout.format))
            return Fail("--modbus-format must be int16, uint16, int32, uint32 or float32");
        const QString order = parser.value(wordOrderOpt);
        if (order != "high" && order != "low")
            return Fail("--modbus-word-order must be high or low");
        layout.highWordFirst = order == "high";
        const QString layoutError = ModbusLayoutError(layout);
        if (modbus && !layoutError.isEmpty())
            return Fail(layoutError);
    }

    const quint32 seed =
        parser.isSet(seedOpt) ? parser.value(seedOpt).toUInt() : quint32(QDateTime::currentMSecsSinceEpoch());
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
        load = LoadCycle::Random(max, style.decimals, seed);
    } else {
        return Fail("unknown --cycle " + parser.value(cycleOpt));
    }
    if (parser.isSet(maxOpt)) {
        const double max = parser.value(maxOpt).toDouble(&ok);
        if (!ok || max <= 0)
            return Fail("--max must be a positive number");
        load.SetRange(max);
    }

    // Before anything is announced: whoever started us may stop us at once.
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGHUP, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<Output> output;
    std::unique_ptr<PtyOutput> relayEnd;  // Modbus RTU: the pseudo-terminal the server opens
    std::unique_ptr<ModbusSim> modbusSim;
    QByteArray lineEnd = "\r";
    QString error;
    if (modbus) {
        modbusSim = std::make_unique<ModbusSim>(layout);
        if (parser.isSet(tcpOpt)) {
            const int port = parser.value(tcpOpt).toInt(&ok);
            if (!ok || port < 0 || port > 65535)
                return Fail("--tcp needs a port 0 to 65535");
            if (!modbusSim->ListenTcp(parser.value(bindOpt), quint16(port), &error))
                return Fail(error);
            Announce(QStringLiteral("TCP %1").arg(modbusSim->Port()));
        } else if (parser.isSet(ptyOpt)) {
            // The client's pseudo-terminal and the server's, with bytes relayed between their masters.
            auto client = std::make_unique<PtyOutput>();
            relayEnd = std::make_unique<PtyOutput>();
            if (!client->Create(&error) || !relayEnd->Create(&error))
                return Fail(error);
            PtyOutput *clientSide = client.get();
            PtyOutput *serverSide = relayEnd.get();
            client->SetEvents({{}, [serverSide](int, const QByteArray &b) { serverSide->Send(b); }, {}});
            relayEnd->SetEvents({{}, [clientSide](int, const QByteArray &b) { clientSide->Send(b); }, {}});
            if (!modbusSim->OpenRtu(relayEnd->SlavePath(), 19200, &error))
                return Fail(error);
            if (parser.isSet(linkOpt)) {
                error = MakeLink(parser.value(linkOpt), client->SlavePath());
                if (!error.isEmpty())
                    return Fail(error);
            }
            Announce("PTY " + client->SlavePath());
            output = std::move(client);
        } else {
            const int baud = parser.value(baudOpt).toInt(&ok);
            if (!ok || baud <= 0)
                return Fail("--baud must be a positive number");
            if (!modbusSim->OpenRtu(parser.value(deviceOpt), baud, &error))
                return Fail(error);
            Announce("DEVICE " + parser.value(deviceOpt));
        }
    } else if (parser.isSet(tcpOpt)) {
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
            error = MakeLink(parser.value(linkOpt), pty->SlavePath());
            if (!error.isEmpty())
                return Fail(error);
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
    long long requests = 0;
    QRandomGenerator junkRandom(seed ^ 0x9e3779b9u);
    QTimer tick;
    QTimer finish;
    // A request that comes before the first tick sees the first weight.
    Sample current = load.Next();

    auto countSent = [&] {
        if (count > 0 && ++sent >= count && tick.isActive()) {
            tick.stop();
            finish.start(50);
        }
    };
    auto sendTo = [&](int channel, const QByteArray &bytes) {
        if (!output || (count > 0 && sent >= count))
            return;
        output->SendTo(channel, bytes);
        if (verbose)
            QTextStream(stderr) << Printable(bytes) << '\n';
        countSent();
    };
    auto answer = [&](int channel, const QByteArray &bytes) {
        if (answerDelay > 0)
            QTimer::singleShot(answerDelay, &app, [&sendTo, channel, bytes] { sendTo(channel, bytes); });
        else
            sendTo(channel, bytes);
    };
    auto withJunk = [&](const QByteArray &frame) {
        if (garbage > 0 && junkRandom.generateDouble() < garbage)
            return Junk(family.value_or(SimFamily::Si), junkRandom) + frame;
        return frame;
    };

    // The request/reply families keep one responder per peer.
    std::map<int, Responder> responders;
    const int stableWaitTicks = (stableWait + interval - 1) / interval;
    if (answers && output) {
        Output::Events events;
        events.opened = [&](int channel) {
            responders.try_emplace(channel, *family, frameStyle, continuous, stableWaitTicks,
                                   [&] { return noAnswerAfter < 0 || requests++ < noAnswerAfter; });
        };
        events.received = [&](int channel, const QByteArray &bytes) {
            const auto it = responders.find(channel);
            if (it == responders.end())
                return;
            for (const QByteArray &a : it->second.Receive(bytes, current))
                answer(channel, a);
        };
        events.closed = [&](int channel) { responders.erase(channel); };
        output->SetEvents(events);
    }

    QObject::connect(&tick, &QTimer::timeout, [&] {
        current = load.Next();
        if (modbusSim) {
            modbusSim->Update(current);
            return;
        }
        if (answers) {
            QList<int> channels;
            for (const auto &entry : responders)
                channels.append(entry.first);
            for (const int channel : channels) {
                const auto it = responders.find(channel);
                if (it == responders.end())
                    continue;
                const Responder::TickOutput out = it->second.Tick(current);
                for (const QByteArray &a : out.answers)
                    answer(channel, a);
                if (!out.frame.isEmpty())
                    sendTo(channel, withJunk(out.frame));
            }
            return;
        }
        QByteArray frame;
        if (family)
            frame = ContinuousFrame(*family, current, frameStyle);
        else if (const QByteArray line = FormatLine(current, style, recordNumber); !line.isEmpty())
            frame = line + lineEnd;
        if (frame.isEmpty())
            return;
        if (garbage > 0 && junkRandom.generateDouble() < garbage) {
            QByteArray junk = Junk(family.value_or(SimFamily::Toledo), junkRandom);
            if (!family)
                junk += lineEnd;
            frame.prepend(junk);
        }
        output->Send(frame);
        if (verbose)
            QTextStream(stderr) << Printable(frame) << '\n';
        countSent();
    });
    if (modbusSim)
        modbusSim->Update(current);
    // After the last line: wait until it has left (at most two seconds), then end.
    int finishTicks = 0;
    QObject::connect(&finish, &QTimer::timeout, [&] {
        if (((!output || output->Drained()) && finishTicks >= 4) || ++finishTicks > 40)
            app.quit();
        ++finishTicks;
    });
    tick.start(interval);
    const int rc = app.exec();
    responders.clear();
    output.reset();
    relayEnd.reset();
    modbusSim.reset();
    if (linkNamed)
        ::unlink(linkToRemove);
    return rc;
}
