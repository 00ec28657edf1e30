#include "dictionaries/dictionary_texts.h"

#include "core/cp1250.h"

namespace {

DictionaryTexts MaterialTexts()
{
    DictionaryTexts t;
    t.formName = QStringLiteral("TFmaterial");
    t.title = QStringLiteral("Wybierz materiał");
    t.columns = {{QStringLiteral("Materiał"), 360, false},
                 {QStringLiteral("Opakowanie domyślne"), 245, false},
                 {QStringLiteral("Cena"), 60, true}};
    t.addHint = QStringLiteral("dodaj materiał (ins)");
    t.deleteHint = QStringLiteral("usuń materiał (del)");
    t.renameHint = QStringLiteral("edytuj materiał (F2)");
    t.noneHighlighted = QStringLiteral("Żaden materiał nie został wskazany!");
    t.noneDoubleClicked = QStringLiteral("Nie wybrano żadnego materiału!");
    t.deleteQuestion = QStringLiteral("Czy napewno usunąć materiał: ");
    t.renameQuestion = QStringLiteral("Czy napewno zmienić materiał: ");
    t.copyHeader = cp1250::EncodeLossy(QStringLiteral("Materiał\tOpakowanie\tCena"));
    return t;
}

DictionaryTexts PackagingTexts()
{
    DictionaryTexts t;
    t.formName = QStringLiteral("TFbox");
    t.title = QStringLiteral("Wybierz opakowanie");
    t.columns = {{QStringLiteral("Opakowanie"), 565, false}, {QStringLiteral("Tara"), 60, true}};
    t.addHint = QStringLiteral("dodaj opakowanie (ins)");
    t.deleteHint = QStringLiteral("usuń opakowanie (del)");
    t.renameHint = QStringLiteral("edytuj opakowanie (F2)");
    t.noneHighlighted = QStringLiteral("Żadne opakowanie nie zostało wskazane!");
    t.noneDoubleClicked = QStringLiteral("Nie wybrano żadnego opakowania!");
    t.deleteQuestion = QStringLiteral("Czy napewno usunąć opakowanie: ");
    t.renameQuestion = QStringLiteral("Czy napewno zmienić opakowanie: ");
    t.copyHeader = "Opakowanie\tTara";
    return t;
}

DictionaryTexts CustomerTexts()
{
    DictionaryTexts t;
    t.formName = QStringLiteral("TFklient1");
    t.title = QStringLiteral("Wybierz dostawcę/klienta");
    t.columns = {{QStringLiteral("Klient"), 595, false}};
    t.addHint = QStringLiteral("dodaj klienta (ins)");
    t.deleteHint = QStringLiteral("usuń klienta (del)");
    t.noneHighlighted = QStringLiteral("Żaden klient nie został wskazany!");
    t.noneDoubleClicked = QStringLiteral("Nie wybrano żadnego klienta!");
    t.deleteQuestion = QStringLiteral("Czy napewno usunąć klienta: ");
    t.renameQuestion = QStringLiteral("Czy napewno zmienić klienta: ");
    t.copyHeader = "Klient";
    return t;
}

} // namespace

const DictionaryTexts &DictionaryTexts::Of(DictionaryKind kind)
{
    static const DictionaryTexts material = MaterialTexts();
    static const DictionaryTexts packaging = PackagingTexts();
    static const DictionaryTexts customer = CustomerTexts();
    switch (kind) {
    case DictionaryKind::Material:
        return material;
    case DictionaryKind::Packaging:
        return packaging;
    case DictionaryKind::Customer:
        break;
    }
    return customer;
}

QString QuotedQuestion(const QString &prefix, const QByteArray &name)
{
    return prefix + QLatin1Char('"') + cp1250::Decode(name) + QStringLiteral("\"?");
}
