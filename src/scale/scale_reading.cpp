#include "scale/scale_reading.h"

#include "core/cp1250.h"
#include "core/number_forms.h"
#include "core/user_prompts.h"
#include "scale/frame_decoder.h"

bool ScaleReading::HasMass() const
{
    return !displayText.isEmpty() && displayText != kOverloadText && displayText != kNoReadingText;
}

bool SetTareFromDisplay(ScaleReading &reading, UserPrompts &prompts)
{
    // An empty display (unreadable line) is no weight either: taking it as
    // tare would leave a tare that no later computation can read.
    if (!reading.HasMass()) {
        prompts.Error(QStringLiteral("Brak pomiaru!"));
        return false;
    }
    reading.tareText = reading.displayText;
    return true;
}

bool EditTare(ScaleReading &reading, UserPrompts &prompts)
{
    const auto typed = prompts.InputText(QStringLiteral("Tara"), QStringLiteral("Podaj tarę:"),
                                         cp1250::Decode(reading.tareText), false);
    if (!typed)
        return false;
    const auto value = ParseReal(typed->toLatin1());
    if (!value || !cp1250::CanEncode(*typed)) {
        prompts.Error(QStringLiteral("Błędna wartość!"));
        return false;
    }
    reading.tareText = FormatFixed(*value, reading.massDecimals);
    return true;
}
