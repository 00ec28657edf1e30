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
    const int entry = HighlightedEntry();
    DictionaryContext c = Context();
    if (EditMaterialPackaging(c, entry))
        ShowChanged(entry);
}

void MaterialWindow::TBpriceClick()
{
    const int entry = HighlightedEntry();
    DictionaryContext c = Context();
    if (EditMaterialPrice(c, entry))
        ShowChanged(entry);
}
