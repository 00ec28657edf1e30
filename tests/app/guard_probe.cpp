// A stand-in for a starting copy of the program: takes the program's locks
// for the current directory's data folder, says "held", "running" or
// "unguarded" on stdout and keeps the locks until stdin closes.
// Usage: guard_probe [machine-lock-path]   (none: the program's own)

#include "app/instance_guard.h"

#include <QDir>
#include <QString>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    const QString dataDir = QDir::current().filePath(QStringLiteral("dane")) + '/';
    const QString machine = argc > 1 ? QString::fromLocal8Bit(argv[1]) : InstanceGuard::MachineLockPath();
    InstanceGuard guard(InstanceGuard::ProgramLockPaths(dataDir, machine));
    const bool started = guard.Acquire();
    std::puts(!started ? "running" : guard.Held() ? "held" : "unguarded");
    std::fflush(stdout);
    char c;
    while (::read(STDIN_FILENO, &c, 1) > 0) {
    }
    return 0;
}
