#pragma once

// Window "Wybierz materiał" (form TFmaterial, its objectName): the material
// dictionary with "Op" (default packaging) and "zł" (price). Add and "Op"
// open the packaging window as a picker with its group hidden.

#include "dictionaries/ui/dictionary_window.h"

class MaterialWindow : public DictionaryWindow {
    Q_OBJECT
  public:
    explicit MaterialWindow(DictionaryWindowEnv env, QWidget *parent = nullptr);

    // The packaging picker for Add and "Op" (the packaging window, group hidden).
    void SetPackagingPicker(std::function<std::optional<PickedEntry>()> picker)
    {
        DictionaryWindow::SetPackagingPicker(std::move(picker));
    }

    // The operator's right to change prices: "zł" is enabled only with it,
    // outside a search, and again when a search ends or the window opens.
    void SetPriceEditAllowed(bool allowed);
    bool PriceEditAllowed() const { return priceAllowed_; }

    void TBboxClick();
    void TBpriceClick();

  protected:
    bool MayEnable(const QToolButton *button) const override;

  private:
    QToolButton *price_ = nullptr;
    bool priceAllowed_ = true;
};
