#pragma once

// What the logged-in operator may do. The administrator may do everything;
// every other operator is held by the three switches of konfig.ini and is
// always barred from the settings and from changing operators. Computed once
// after the login; every window reads the same rights when it is built.

#include <QByteArrayView>

struct ProgramConfig;

// Exactly "ADMINISTRATOR", case-sensitive.
bool IsAdministrator(QByteArrayView operatorName);

struct OperatorRights {
    bool editMass = false;            // "&Brutto"
    bool editPrice = false;           // "&Cena"
    bool materialPrice = false;       // "zł" of the material window
    bool deleteMeasurements = false;  // "Usuń pomiar" and Del in a table
    bool changeOperator = false;      // "&Operator"
    bool scaleSettings = false;       // "Waga..."
    bool advancedSettings = false;    // "    Ustawienia dodatkowe..."
    bool manageOperators = false;     // "Operatorzy..."
    // Table parameters: the operator field with its two buttons, the table's
    // name and description, the two colour buttons and "Ustaw domyślne kolory".
    bool tableHeaderAndOperator = false;
    // "wyłącz domyślne parametry" empties the default operator too.
    bool resetClearsOperator = false;
};

// The rights of `operatorName` with the switches of `config` as they are now.
OperatorRights RightsFor(QByteArrayView operatorName, const ProgramConfig &config);
