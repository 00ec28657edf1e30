#include "dictionaries/ui/dialog_pickers.h"

#include "dictionaries/ui/customer_window.h"
#include "dictionaries/ui/material_window.h"
#include "dictionaries/ui/operator_window.h"
#include "dictionaries/ui/packaging_window.h"

std::optional<PickedEntry> DialogPickers::PickMaterial(bool applyToShown)
{
    return materials_->Pick(applyToShown);
}

std::optional<PickedEntry> DialogPickers::PickPackaging(bool applyToShown)
{
    return packagings_->Pick(applyToShown);
}

std::optional<PickedEntry> DialogPickers::PickCustomer(bool applyToShown)
{
    return customers_->Pick(applyToShown);
}

std::optional<PickedEntry> DialogPickers::PickOperator()
{
    return operators_->Pick();
}
