#include "dictionaries/dictionary_actions.h"

#include "core/clipboard_limit.h"

#include "core/cp1250.h"
#include "core/number_forms.h"
#include "core/text.h"
#include "core/user_prompts.h"
#include "dictionaries/dictionary_lookups.h"
#include "dictionaries/dictionary_model.h"
#include "dictionaries/dictionary_texts.h"

namespace {

const QString kMaterialNotAdded = QStringLiteral("Nowy materiał NIE został dodany do bazy.");
const QString kPriceNotNumber = QStringLiteral("Błąd! Cena musi być wartością liczbową!");
const QString kTareNotNumber =
    QStringLiteral("Błąd! Tara musi być wartością liczbową!\nWprowadź nowe opakowanie ponownie.");

void SaveAndReport(DictionaryContext &c)
{
    if (const DictionaryResult r = c.dictionary.Save(); !r)
        c.prompts.Error(r.message);
}

// A typed name as cp1250, or nullopt (with the message shown) when it holds
// something a dictionary line cannot keep.
std::optional<QByteArray> TypedName(DictionaryContext &c, const QString &typed)
{
    std::optional<QByteArray> bytes = cp1250::Encode(typed);
    if (!bytes || bytes->contains('\t') || bytes->contains('\r') || bytes->contains('\n')) {
        c.prompts.Error(RefusedTextMessage());
        return std::nullopt;
    }
    return bytes;
}

std::optional<double> TypedNumber(const QString &typed)
{
    return ParseDictionaryNumber(cp1250::EncodeLossy(typed));
}

QString PricePrompt(const DictionaryContext &c)
{
    return QStringLiteral("Podaj cenę materiału [zł/") + c.unit + QStringLiteral("]:");
}

} // namespace

EntryKey KeyOf(const Dictionary &dictionary, int entry)
{
    EntryKey key{dictionary.LineOf(entry), 0};
    for (int i = 0; i < entry; ++i)
        if (dictionary.LineOf(i) == key.line)
            ++key.occurrence;
    return key;
}

int FindEntry(const Dictionary &dictionary, const EntryKey &key)
{
    int last = -1;
    int seen = 0;
    const int n = dictionary.Count();
    for (int i = 0; i < n; ++i) {
        if (dictionary.LineOf(i) != key.line)
            continue;
        if (seen++ == key.occurrence)
            return i;
        last = i;
    }
    return last;
}

QString RefusedTextMessage()
{
    return QStringLiteral("Błąd! Nazwa nie może zawierać tabulatora, końca wiersza ani znaków spoza "
                          "strony kodowej Windows-1250.");
}

bool RequireRow(DictionaryContext &c, int entry)
{
    if (entry >= 0 && entry < c.dictionary.Count())
        return true;
    c.prompts.Error(DictionaryTexts::Of(c.dictionary.Kind()).noneHighlighted);
    return false;
}

int AddEntry(DictionaryContext &c)
{
    switch (c.dictionary.Kind()) {
    case DictionaryKind::Material:
        return AddMaterial(c);
    case DictionaryKind::Packaging:
        return AddPackaging(c);
    case DictionaryKind::Customer:
        break;
    }
    return AddCustomer(c);
}

int AddMaterial(DictionaryContext &c)
{
    const QString title = QStringLiteral("Nowy materiał");
    const std::optional<QString> typedName =
        c.prompts.InputText(title, QStringLiteral("Podaj nazwę materiału:"), QString(), false);
    if (!typedName) {
        c.prompts.Warning(kMaterialNotAdded);
        return -1;
    }
    const std::optional<QByteArray> name = TypedName(c, *typedName);
    if (!name)
        return -1;

    QByteArray packaging;
    const std::optional<PickedEntry> picked = c.pickPackaging ? c.pickPackaging() : std::nullopt;
    if (picked) {
        packaging = picked->name;
    } else if (!c.prompts.Question(QStringLiteral("Czy dla nowego materiału nie przypisywać domyślnego opakowania?"))) {
        c.prompts.Warning(kMaterialNotAdded);
        return -1;
    }

    const std::optional<QString> typedPrice = c.prompts.InputText(title, PricePrompt(c), QStringLiteral("0.00"), false);
    if (!typedPrice) {
        c.prompts.Warning(kMaterialNotAdded);
        return -1;
    }
    const std::optional<double> price = TypedNumber(*typedPrice);
    if (!price) {
        c.prompts.Error(kPriceNotNumber + QLatin1Char('\n') + kMaterialNotAdded);
        return -1;
    }
    const int index = c.dictionary.Insert({*name, packaging, FormatMoney(*price)});
    if (index < 0) {
        // Only a packaging name with a separator gets here; the packaging
        // dictionary never holds one.
        c.prompts.Error(RefusedTextMessage());
        return -1;
    }
    SaveAndReport(c);
    return index;
}

int AddPackaging(DictionaryContext &c)
{
    const QString title = QStringLiteral("Nowe opakowanie");
    const std::optional<QString> typedName =
        c.prompts.InputText(title, QStringLiteral("Podaj nazwę opakowania:"), QString(), false);
    if (!typedName)
        return -1;
    const std::optional<QByteArray> name = TypedName(c, *typedName);
    if (!name)
        return -1;
    const std::optional<QString> typedTare =
        c.prompts.InputText(title, QStringLiteral("Podaj tarę opakowania [") + c.unit + QStringLiteral("]:"),
                            QString::fromLatin1(FormatMass(0.0, c.massDecimals)), false);
    if (!typedTare)
        return -1;
    const std::optional<double> tare = TypedNumber(*typedTare);
    if (!tare) {
        c.prompts.Error(kTareNotNumber);
        return -1;
    }
    // Added tares carry two decimals whatever the scale's decimals are now.
    const int index = c.dictionary.Insert({*name, FormatMoney(*tare), {}});
    if (index >= 0)
        SaveAndReport(c);
    return index;
}

int AddCustomer(DictionaryContext &c)
{
    const std::optional<QString> typed =
        c.prompts.InputText(QStringLiteral("Nowy klient"), QStringLiteral("Podaj nazwę klienta:"), QString(), false);
    if (!typed)
        return -1;
    const std::optional<QByteArray> name = TypedName(c, *typed);
    if (!name)
        return -1;
    const int index = c.dictionary.Insert({*name, {}, {}});
    if (index >= 0)
        SaveAndReport(c);
    return index;
}

int DeleteEntry(DictionaryContext &c, int entry)
{
    if (!RequireRow(c, entry))
        return -1;
    const EntryKey key = KeyOf(c.dictionary, entry);
    const DictionaryTexts &t = DictionaryTexts::Of(c.dictionary.Kind());
    if (!c.prompts.Question(QuotedQuestion(t.deleteQuestion, c.dictionary.At(entry).name)))
        return -1;
    entry = FindEntry(c.dictionary, key);
    if (entry < 0)
        return -1;
    c.dictionary.Remove(entry);
    SaveAndReport(c);
    return entry;
}

int ConfirmRename(DictionaryContext &c, int entry, const QString &typed)
{
    if (entry < 0 || entry >= c.dictionary.Count())
        return -1;
    const std::optional<QByteArray> name = TypedName(c, typed);
    if (!name)
        return -1;
    const EntryKey key = KeyOf(c.dictionary, entry);
    const DictionaryTexts &t = DictionaryTexts::Of(c.dictionary.Kind());
    if (!c.prompts.Question(QuotedQuestion(t.renameQuestion, c.dictionary.At(entry).name)))
        return -1;
    entry = FindEntry(c.dictionary, key);
    if (entry < 0)
        return -1;
    const int index = c.dictionary.Rename(entry, *name);
    if (index >= 0)
        SaveAndReport(c);
    return index;
}

int EditMaterialPrice(DictionaryContext &c, int entry)
{
    if (!RequireRow(c, entry))
        return -1;
    const EntryKey key = KeyOf(c.dictionary, entry);
    const std::optional<QString> typed = c.prompts.InputText(QStringLiteral("Zmiana ceny"), PricePrompt(c),
                                                             cp1250::Decode(c.dictionary.At(entry).third), false);
    if (!typed)
        return -1;
    const std::optional<double> price = TypedNumber(*typed);
    if (!price) {
        c.prompts.Error(kPriceNotNumber + QStringLiteral("\nWprowadź nowy materiał ponownie."));
        return -1;
    }
    entry = FindEntry(c.dictionary, key);
    if (entry < 0)
        return -1;
    c.dictionary.SetThird(entry, FormatMoney(*price));
    SaveAndReport(c);
    return entry;
}

int EditMaterialPackaging(DictionaryContext &c, int entry)
{
    if (!RequireRow(c, entry))
        return -1;
    const EntryKey key = KeyOf(c.dictionary, entry);
    const std::optional<PickedEntry> picked = c.pickPackaging ? c.pickPackaging() : std::nullopt;
    entry = FindEntry(c.dictionary, key);
    if (entry < 0)
        return -1;
    if (picked) {
        if (!c.dictionary.SetSecond(entry, picked->name)) {
            c.prompts.Error(RefusedTextMessage());
            return -1;
        }
    } else {
        if (c.dictionary.At(entry).second.isEmpty())
            return -1;
        const EntryKey asked = KeyOf(c.dictionary, entry);
        if (!c.prompts.Question(QStringLiteral("Czy usunąć domyślne opakowanie dla wybranego materiału?")))
            return -1;
        entry = FindEntry(c.dictionary, asked);
        if (entry < 0)
            return -1;
        c.dictionary.SetSecond(entry, {});
    }
    SaveAndReport(c);
    return entry;
}

int EditPackagingTare(DictionaryContext &c, int entry)
{
    if (!RequireRow(c, entry))
        return -1;
    const EntryKey key = KeyOf(c.dictionary, entry);
    const std::optional<QString> typed = c.prompts.InputText(
        QStringLiteral("Nowe opakowanie"), QStringLiteral("Podaj tarę opakowanie [") + c.unit + QStringLiteral("]:"),
        cp1250::Decode(c.dictionary.At(entry).second), false);
    if (!typed)
        return -1;
    const std::optional<double> tare = TypedNumber(*typed);
    if (!tare) {
        c.prompts.Error(kTareNotNumber);
        return -1;
    }
    entry = FindEntry(c.dictionary, key);
    if (entry < 0)
        return -1;
    c.dictionary.SetSecond(entry, FormatMass(*tare, c.massDecimals));
    SaveAndReport(c);
    return entry;
}

PickedEntry PickedFrom(DictionaryKind kind, const DictionaryEntry &e)
{
    PickedEntry p;
    p.name = e.name;
    if (kind == DictionaryKind::Material) {
        p.packaging = e.second;
        p.price = e.third;
    } else if (kind == DictionaryKind::Packaging) {
        p.tare = e.second;
    }
    return p;
}

DictionaryCopy BuildCopyText(const DictionaryModel &model)
{
    const Dictionary &d = model.dictionary();
    DictionaryCopy copy;
    copy.rowsShown = model.rowCount();
    copy.text = DictionaryTexts::Of(d.Kind()).copyHeader + "\r\n";
    QByteArray line;
    for (int row = 0; row < copy.rowsShown; ++row) {
        const DictionaryEntry &e = d.At(model.EntryOfRow(row));
        line = e.name;
        if (d.Kind() == DictionaryKind::Material)
            line += '\t' + e.second + '\t' + DotToComma(e.third);
        else if (d.Kind() == DictionaryKind::Packaging)
            line += '\t' + DotToComma(e.second);
        line += "\r\n";
        if (copy.text.size() + line.size() > DictionaryCopy::kCopyLimit)
            break;
        copy.text += line;
        ++copy.rowsCopied;
    }
    return copy;
}

QString CopyCutMessage(const DictionaryCopy &copy)
{
    return ClipboardCutMessage(copy.rowsCopied, copy.rowsShown);
}
