#pragma once

// Realistic working-file lines for the benchmarks (cp1250, 12 fields).

#include <QByteArray>

#include <random>

inline QByteArray MakeLine(int i, std::mt19937 &rng)
{
    static const char *const materials[] = {"Piasek p\xb3ukany 0-2", "\xafwir 2-8", "Kruszywo 8-16", "Glina",
                                            "Z\xb3om stalowy"};
    static const char *const customers[] = {"PHU Kowalski Sp. z o.o.", "Budmax S.A.", "Transbet",
                                            "Gmina Nowa Wie\x9c", "Przedsi\xea" "biorstwo Drogowe"};
    static const char *const operators[] = {"KOWALSKI JAN", "NOWAK ANNA", "ADMINISTRATOR"};
    const int gross = 500 + int(rng() % 300000);
    const int tare = int(rng() % 5000);
    const bool bracket = rng() % 2;
    const QByteArray net = QByteArray::number((gross - tare) / 100.0, 'f', 2);
    const int minutes = i * 7;
    const QByteArray time = QByteArray("2024-") + QByteArray::number(1 + (minutes / 40000) % 12).rightJustified(2, '0') +
                            "-" + QByteArray::number(1 + (minutes / 1440) % 28).rightJustified(2, '0') + " " +
                            QByteArray::number((minutes / 60) % 24).rightJustified(2, '0') + ":" +
                            QByteArray::number(minutes % 60).rightJustified(2, '0');
    return QByteArray::number(i + 1) + "\t" + time + "\t" + QByteArray::number(gross / 100.0, 'f', 2) + "\t" +
           (bracket ? "(" + net + ")" : net) + "\t" + QByteArray::number(tare / 100.0, 'f', 2) + "\t0.45\t" +
           QByteArray::number((gross - tare) / 100.0 * 0.45, 'f', 2) + "\tWZ/2024/" + QByteArray::number(i % 9000) +
           "\t" + materials[rng() % 5] + "\tBig bag 1000 kg\t" + operators[rng() % 3] + "\t" + customers[rng() % 5];
}

// `rows` lines joined with CR LF, about 125 bytes a row.
inline QByteArray MakeTableFile(int rows, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray all;
    all.reserve(qsizetype(rows) * 130);
    for (int i = 0; i < rows; ++i)
        all += MakeLine(i, rng) + "\r\n";
    return all;
}
