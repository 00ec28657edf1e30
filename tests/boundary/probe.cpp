// A file compiled exactly as a file of pomiary_logic is; POMIARY_PROBE picks
// what it includes. Only QtCore (0) may compile.

#if POMIARY_PROBE == 1
#include <QtWidgets/QLabel>
#elif POMIARY_PROBE == 2
#include <QtGui/QColor>
#elif POMIARY_PROBE == 3
#include <QtPrintSupport/QPrinter>
#elif POMIARY_PROBE == 4
#include <QtMultimedia/QSoundEffect>
#else
#include <QtCore/QString>
#endif

int LogicBoundaryProbe()
{
    return POMIARY_PROBE;
}
