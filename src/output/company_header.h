#pragma once

// The four lines naming the station's owner. They head labels and table
// printouts; the first three also form the hint of the label panel's image.
// They are the installer's: read from "naglowek.txt" in the data folder
// (Windows-1250, one line each, the first four lines count), with neutral
// lines of our own when that file is missing or cannot be read.

#include <QString>
#include <array>

using CompanyHeader = std::array<QString, 4>;

// dataDir + "naglowek.txt".
QString CompanyHeaderFile(const QString &dataDir);

// The lines of that file; missing lines are empty.
CompanyHeader ReadCompanyHeader(const QString &dataDir);

// What is printed when no file gives the lines.
CompanyHeader DefaultCompanyHeader();
