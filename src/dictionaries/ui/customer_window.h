#pragma once

// Window "Wybierz dostawcę/klienta" (form TFklient1, its objectName): the
// supplier/customer dictionary, one name per line.

#include "dictionaries/ui/dictionary_window.h"

class CustomerWindow : public DictionaryWindow {
    Q_OBJECT
  public:
    explicit CustomerWindow(DictionaryWindowEnv env, QWidget *parent = nullptr)
        : DictionaryWindow(DictionaryKind::Customer, std::move(env), parent)
    {
    }
};
