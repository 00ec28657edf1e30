#include "app/ui/application.h"

#include "app/ui/tform1.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int RunApplication(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Archiwizacja pomiarów"));
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));

    // Qt's own dialogs speak Polish ("Tak", "Nie", "Anuluj", file and print dialogs).
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Polish), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    TForm1 form;
    if (form.TerminateRequested())
        return 0;
    form.show();
    return app.exec();
}
