#pragma once

// Pickers with answers queued by the test; every opening is recorded.

#include "dictionaries/pickers.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <utility>

// A picked row with its name and, when given, its other columns.
inline PickedEntry Picked(QByteArray name, QByteArray packaging = {}, QByteArray price = {}, QByteArray tare = {},
                          ApplyToChoice applyTo = ApplyToChoice::CurrentRow)
{
    PickedEntry e;
    e.name = std::move(name);
    e.packaging = std::move(packaging);
    e.price = std::move(price);
    e.tare = std::move(tare);
    e.applyTo = applyTo;
    return e;
}

class ScriptedPickers : public Pickers {
public:
    std::optional<PickedEntry> PickMaterial(bool applyToShown) override { return Next("material", applyToShown); }
    std::optional<PickedEntry> PickPackaging(bool applyToShown) override { return Next("packaging", applyToShown); }
    std::optional<PickedEntry> PickCustomer(bool applyToShown) override { return Next("customer", applyToShown); }
    std::optional<PickedEntry> PickOperator() override { return Next("operator", false); }

    // Answers, consumed in order whatever the picker; nullopt = "Anuluj".
    std::deque<std::optional<PickedEntry>> answers;
    // Runs once while the next picker is open, as the scale's data would arrive meanwhile.
    std::function<void()> whileOpen;
    // "material", "packaging+group", ...: which picker opened, and whether with its group.
    QStringList opened;

private:
    std::optional<PickedEntry> Next(const char *which, bool group)
    {
        opened.append(QString::fromLatin1(which) + (group ? "+group" : ""));
        if (auto f = std::exchange(whileOpen, nullptr))
            f();
        // Built field by field: moving an optional of Qt strings trips a false
        // -Wmaybe-uninitialized in GCC 12 at -O2.
        if (answers.empty() || !answers.front().has_value()) {
            if (!answers.empty())
                answers.pop_front();
            return std::nullopt;
        }
        PickedEntry e = std::move(*answers.front());
        answers.pop_front();
        return e;
    }
};
