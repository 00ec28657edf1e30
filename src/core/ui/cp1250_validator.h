#pragma once

// The validator of every data text field. It refuses, as they are typed or
// pasted, characters that Windows-1250 data files cannot hold, so nothing is
// silently mangled when it is stored; and a pasted TAB, CR or LF becomes a
// space the user can see, because the data files part fields by TAB and rows
// by line ends.

#include "core/cp1250.h"

#include <QValidator>

class Cp1250Validator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        for (QChar &c : input)
            if (c == u'\t' || c == u'\r' || c == u'\n')
                c = u' ';
        return cp1250::CanEncode(input) ? Acceptable : Invalid;
    }
};
