#pragma once

// Window "Wybierz opakowanie" (form TFbox, its objectName): the packaging
// dictionary with "T" (tare, written with the decimals of masses now).

#include "dictionaries/ui/dictionary_window.h"

class PackagingWindow : public DictionaryWindow {
    Q_OBJECT
  public:
    explicit PackagingWindow(DictionaryWindowEnv env, QWidget *parent = nullptr);

    void TBtareClick();
};
