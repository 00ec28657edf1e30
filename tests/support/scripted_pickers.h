#pragma once

// Pickers with answers queued by the test; every opening is recorded.

#include "dictionaries/pickers.h"

#include <QStringList>
#include <deque>

class ScriptedPickers : public Pickers {
public:
    std::optional<PickedEntry> PickMaterial(bool applyToShown) override { return Next("material", applyToShown); }
    std::optional<PickedEntry> PickPackaging(bool applyToShown) override { return Next("packaging", applyToShown); }
    std::optional<PickedEntry> PickCustomer(bool applyToShown) override { return Next("customer", applyToShown); }
    std::optional<PickedEntry> PickOperator() override { return Next("operator", false); }

    // Answers, consumed in order whatever the picker; nullopt = "Anuluj".
    std::deque<std::optional<PickedEntry>> answers;
    // "material", "packaging+group", ...: which picker opened, and whether with its group.
    QStringList opened;

private:
    std::optional<PickedEntry> Next(const char *which, bool group)
    {
        opened.append(QString::fromLatin1(which) + (group ? "+group" : ""));
        if (answers.empty())
            return std::nullopt;
        std::optional<PickedEntry> a = std::move(answers.front());
        answers.pop_front();
        return a;
    }
};
