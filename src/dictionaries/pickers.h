#pragma once

// The picker windows an action may open in the middle (material, packaging,
// supplier/customer, operator). Windows implement it with the real dictionary
// and operator windows; tests with scripted answers.

#include <QByteArray>
#include <optional>

// "Zastosuj do: " of a picker or input window.
enum class ApplyToChoice { CurrentRow = 0, CurrentAndFollowing = 1 };

// The highlighted row of a picker closed with OK. Texts are cp1250, exactly as
// the window shows them.
struct PickedEntry {
    QByteArray name;
    QByteArray packaging;  // material: its default packaging
    QByteArray price;      // material: its price text
    QByteArray tare;       // packaging: its tare text
    ApplyToChoice applyTo = ApplyToChoice::CurrentRow;  // meaningful only when the group was shown
};

class Pickers {
public:
    virtual ~Pickers() = default;

    // Each opens its window modally; nullopt when it did not close with OK.
    // `applyToShown` shows the "Zastosuj do: " group for this opening only.
    virtual std::optional<PickedEntry> PickMaterial(bool applyToShown) = 0;
    virtual std::optional<PickedEntry> PickPackaging(bool applyToShown) = 0;
    virtual std::optional<PickedEntry> PickCustomer(bool applyToShown) = 0;
    // The operator window in the mode last set (selection or management).
    virtual std::optional<PickedEntry> PickOperator() = 0;
};
