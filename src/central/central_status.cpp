#include "central/central_status.h"

namespace central {

QString StatusText(const CentralStatus &s)
{
    using S = CentralStatus::State;
    switch (s.state) {
    case S::Connecting:
        return QStringLiteral("Baza: łączenie...");
    case S::Connected:
        return s.waiting > 0 ? QStringLiteral("Baza: połączono, wysyła %1").arg(s.waiting)
                             : QStringLiteral("Baza: połączono");
    case S::NotConnected:
        return QStringLiteral("Baza: brak połączenia, czeka %1").arg(s.waiting);
    case S::Refused:
        return QStringLiteral("Baza: odmowa (zdarzenie %1)").arg(s.refusedSeq);
    case S::SettingsError:
        return QStringLiteral("Baza: błąd ustawień");
    }
    return {};
}

namespace {

// A reason may carry what the station was given (a name, a connection
// string): a tooltip of megabytes helps no one.
QString Shortened(const QString &text)
{
    constexpr int kMax = 400;
    return text.size() > kMax ? text.left(kMax) + QStringLiteral("…") : text;
}

}  // namespace

QString StatusTip(const CentralStatus &s)
{
    using S = CentralStatus::State;
    if (s.state == S::Connected && s.answerWaitS > 0)
        return QStringLiteral("Serwer bazy jeszcze nie potwierdził wysłanych zdarzeń (%1 s)").arg(s.answerWaitS);
    if (s.state == S::Connected)
        return s.waiting > 0 ? QStringLiteral("Wysyłanie zdarzeń dziennika do bazy")
                             : QStringLiteral("Wszystkie zdarzenia dziennika są w bazie");
    if (s.state == S::Refused)
        return QStringLiteral("Serwer odrzucił zdarzenie %1: %2").arg(s.refusedSeq).arg(Shortened(s.error));
    return Shortened(s.error);
}

}  // namespace central
