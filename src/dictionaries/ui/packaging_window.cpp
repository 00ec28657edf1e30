#include "dictionaries/ui/packaging_window.h"

PackagingWindow::PackagingWindow(DictionaryWindowEnv env, QWidget *parent)
    : DictionaryWindow(DictionaryKind::Packaging, std::move(env), parent)
{
    AddToolButton(QStringLiteral("TBtare"), QStringLiteral("T"), QStringLiteral("edytuj tarę"), true,
                  [this] { TBtareClick(); });
    ApplySearchState();
}

void PackagingWindow::TBtareClick()
{
    const int entry = HighlightedEntry();
    DictionaryContext c = Context();
    if (EditPackagingTare(c, entry))
        ShowChanged(entry);
}
