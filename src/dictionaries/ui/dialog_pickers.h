#pragma once

// Pickers answered by the real windows: the material, packaging and
// supplier/customer dictionaries and the operator window.

#include "dictionaries/pickers.h"

class CustomerWindow;
class MaterialWindow;
class OperatorWindow;
class PackagingWindow;

class DialogPickers : public Pickers {
public:
    DialogPickers(MaterialWindow *materials, PackagingWindow *packagings, CustomerWindow *customers,
                  OperatorWindow *operators)
        : materials_(materials), packagings_(packagings), customers_(customers), operators_(operators)
    {
    }

    std::optional<PickedEntry> PickMaterial(bool applyToShown) override;
    std::optional<PickedEntry> PickPackaging(bool applyToShown) override;
    std::optional<PickedEntry> PickCustomer(bool applyToShown) override;
    std::optional<PickedEntry> PickOperator() override;

private:
    MaterialWindow *materials_;
    PackagingWindow *packagings_;
    CustomerWindow *customers_;
    OperatorWindow *operators_;
};
