#pragma once

// GoogleTest programs that drive timers, sockets or serial ports need a Qt
// application object; the first test that needs one makes it.

#include <QCoreApplication>

inline void EnsureApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "pomiary_tests";
    static char *argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}
