#pragma once

// Refuses, as they are typed or pasted, characters that Windows-1250 data
// files cannot hold, so nothing is silently mangled when it is stored.

#include "core/cp1250.h"

#include <QValidator>

class Cp1250Validator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        return cp1250::CanEncode(input) ? Acceptable : Invalid;
    }
};
