#include "app/ui/application.h"

#include "app/ui/main_window.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char c = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}

// SIGTERM (shutdown, kill) and SIGHUP close the main window the normal way,
// so konfig.ini is written as on any regular close.
void CloseOnTerminationSignals(MainWindow &form)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &form);
    QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form] {
        char c;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &c, 1);
        form.close();
    });
    struct sigaction sa = {};
    sa.sa_handler = OnTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

}  // namespace

int RunApplication(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Archiwizacja pomiarów"));
    // The launcher's name and icon, so a task bar pairs the window with it.
    QGuiApplication::setDesktopFileName(QStringLiteral("pomiary"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("pomiary")));
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));

    // Qt's own dialogs speak Polish ("Tak", "Nie", "Anuluj", file and print dialogs).
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Polish), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    MainWindowOptions options;
    // Exactly two arguments (operator name, password) log in without the password window.
    options.arguments = QApplication::arguments().mid(1);
    MainWindow form(std::move(options));
    if (form.TerminateRequested())
        return 0;
    CloseOnTerminationSignals(form);
    form.show();
    return app.exec();
}
