#pragma once

// Per-table defaults and captions: eight text fields, in the order of the
// konfig.ini line Parametry_tabelaN.

#include <QByteArray>
#include <array>

struct TableParams {
    enum Field { Name, Description, Order, Material, Operator, Customer, PanelColour, PanelFontColour, FieldCount };

    static constexpr const char *kDefaultPanelColour = "-2147483633";  // system button face
    static constexpr const char *kDefaultPanelFontColour = "16711680";  // blue (0x00BBGGRR)

    std::array<QByteArray, FieldCount> fields;

    // Table n (1..5): name "Tabela n", default colours, the rest empty.
    static TableParams Defaults(int n);

    const QByteArray &name() const { return fields[Name]; }
    const QByteArray &description() const { return fields[Description]; }

    // The caption panel text: name + " - " + description.
    QByteArray PanelText() const { return fields[Name] + " - " + fields[Description]; }

    // Fields joined by TAB (the konfig.ini value).
    QByteArray Joined() const;
    // Split at TAB into the eight fields; missing fields empty, extra ignored.
    static TableParams FromJoined(QByteArrayView value);
};
