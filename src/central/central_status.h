#pragma once

// What the station shows of its sending to the central database: the status
// panel's text and its tooltip (the last error).

#include <QMetaType>
#include <QString>

namespace central {

struct CentralStatus {
    enum class State {
        Connecting,     // the first attempt is under way
        Connected,      // the server answers; events go out as they come
        NotConnected,   // the server cannot be reached; events wait in the journal
        Refused,        // the server refused an event of this journal
        SettingsError,  // dane/baza.ini cannot be used
    };
    State state = State::Connecting;
    qint64 waiting = 0;      // journal events the server has not confirmed
    qint64 confirmed = -1;   // the last event it confirmed (-1: none)
    qint64 refusedSeq = -1;  // Refused: the event
    QString error;           // the last error, or the refusal's reason
    int answerWaitS = 0;     // how long the batch sent has waited for the server's answer

    bool operator==(const CentralStatus &) const = default;
};

// "Baza: połączono", "Baza: brak połączenia, czeka 12", ...
QString StatusText(const CentralStatus &s);
// The tooltip: the last error, or what the state means.
QString StatusTip(const CentralStatus &s);

}  // namespace central

Q_DECLARE_METATYPE(central::CentralStatus)
