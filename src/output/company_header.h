#pragma once

// The four lines naming the station's owner, constants of the installation.
// They head labels and table printouts; the first three also form the hint of
// the label panel's image.

#include <QString>
#include <array>

inline std::array<QString, 4> CompanyHeaderLines()
{
    return {QStringLiteral("Zakład Przetwórstwa Surowców „Waga-Pol” Sp. z o.o."),
            QStringLiteral("ul. Przemysłowa 12, 62-030 Luboń"),
            QStringLiteral("tel. 61 810 20 30, NIP 777-000-11-22"),
            QStringLiteral("Punkt ważenia nr 1")};
}
