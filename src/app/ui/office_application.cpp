#include "app/ui/office_application.h"

#include "app/office_command.h"
#include "core/clock.h"
#include "core/ui/dialog_prompts.h"
#include "output/company_header.h"
#include "output/ui/print_platform.h"
#include "reports/office_summary.h"
#include "reports/ui/reports_actions.h"
#include "reports/ui/reports_window.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

int RunOfficeApplication(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zestawienia pomiarów - biuro"));
    QGuiApplication::setDesktopFileName(QStringLiteral("pomiary-biuro"));
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Polish), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    const OfficeStart start = OfficeStartFor(argc, argv, QStringLiteral("dane/"));
    if (!start.problem.isEmpty()) {
        QMessageBox::critical(nullptr, QApplication::applicationName(), start.problem);
        return 2;
    }
    SystemClock clock;
    OfficeSummary service(start.conninfo);
    ReportsWindow window(service, &clock);
    // No typed answers are asked here: the input window is never needed.
    DialogPrompts prompts(&window, [](const QString &, const QString &, const QString &, bool) {
        return std::optional<QString>();
    });
    SystemPrintPlatform printing;
    ReportsOutputEnvironment env;
    env.print.platform = &printing;
    env.print.prompts = &prompts;
    env.print.clock = &clock;
    env.print.parent = &window;
    // The office's printouts carry the same company lines when dane/naglowek.txt is there.
    env.company = [] { return ReadCompanyHeader(QStringLiteral("dane/")); };
    env.startDir = QDir::currentPath();
    ConnectReportsOutputs(&window, env);
    window.show();
    return app.exec();
}
