#include "dictionaries/ui/material_window.h"

#include <QTableView>
#include <QToolButton>

MaterialWindow::MaterialWindow(DictionaryWindowEnv env, QWidget *parent)
    : DictionaryWindow(DictionaryKind::Material, std::move(env), parent)
{
    AddToolButton(QStringLiteral("TBbox"), QStringLiteral("Op"), QStringLiteral("edytuj domyślne opakowanie"), true,
                  [this] { TBboxClick(); });
    price_ = AddToolButton(QStringLiteral("TBprice"), QStringLiteral("zł"), QStringLiteral("edytuj cenę"), true,
                           [this] { TBpriceClick(); });
    ApplySearchState();
}

void MaterialWindow::SetPriceEditAllowed(bool allowed)
{
    priceAllowed_ = allowed;
    ApplySearchState();
}

bool MaterialWindow::MayEnable(const QToolButton *button) const
{
    return button != price_ || priceAllowed_;
}

void MaterialWindow::TBboxClick()
{
    const int entry = CommandEntry();
    DictionaryContext c = Context();
    if (const int changed = EditMaterialPackaging(c, entry); changed >= 0)
        ShowChanged(changed);
}

void MaterialWindow::TBpriceClick()
{
    const int entry = CommandEntry();
    DictionaryContext c = Context();
    if (const int changed = EditMaterialPrice(c, entry); changed >= 0)
        ShowChanged(changed);
}
