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
    const int entry = CommandEntry();
    DictionaryContext c = Context();
    if (const int changed = EditPackagingTare(c, entry); changed >= 0)
        ShowChanged(changed);
}
