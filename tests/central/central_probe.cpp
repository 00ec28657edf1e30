// A station's sender alone in a process, for the test that kills it:
//     central_probe <data folder> <connection> <station> <events per batch>
// It sends until killed, and prints each status as it changes.

#include "central/central_sender.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: central_probe DIR CONNECTION STATION BATCH\n");
        return 2;
    }
    central::SenderOptions o;
    o.dataDir = QString::fromLocal8Bit(argv[1]) + '/';
    o.settings.connection = argv[2];
    o.settings.station = QString::fromLocal8Bit(argv[3]);
    o.batchEvents = std::atoi(argv[4]);
    o.pollMs = 20;
    o.retryMinMs = 50;
    o.retryMaxMs = 200;
    central::CentralSender sender(o);
    QObject::connect(&sender, &central::CentralSender::statusChanged, [](const central::CentralStatus &s) {
        std::printf("%d %lld %lld\n", int(s.state), static_cast<long long>(s.confirmed),
                    static_cast<long long>(s.waiting));
        std::fflush(stdout);
    });
    sender.Start();
    return app.exec();
}
