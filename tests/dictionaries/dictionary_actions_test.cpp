// The dictionary commands with scripted answers: the exact questions and
// messages, what reaches the file, the number forms of prices and tares, the
// row a command acts on when the list changes during its dialogs, and the
// clipboard text.

#include "core/cp1250.h"
#include "dictionaries/dictionary_actions.h"
#include "dictionaries/dictionary_lookups.h"
#include "dictionaries/dictionary_model.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

QByteArray B(const char *utf8)
{
    return cp1250::EncodeLossy(QString::fromUtf8(utf8));
}

QString S(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

const char *const kNotAdded = "Nowy materiał NIE został dodany do bazy.";

class ActionsTest : public ::testing::Test {
  protected:
    QTemporaryDir tmp;
    ScriptedPrompts prompts;
    std::deque<std::optional<PickedEntry>> packagingAnswers;
    int packagingOpened = 0;

    QString FileOf(DictionaryKind k) const { return tmp.path() + "/" + QString::fromLatin1(Dictionary::FileName(k)); }

    Dictionary Loaded(DictionaryKind k, const QByteArray &bytes)
    {
        if (!bytes.isNull()) {
            EXPECT_TRUE(WriteAll(FileOf(k), bytes));
        }
        Dictionary d(k, tmp.path());
        EXPECT_TRUE(d.Load().ok);
        return d;
    }

    DictionaryContext Context(Dictionary &d, const QString &unit = "kg", int massDecimals = 2)
    {
        return DictionaryContext{d, prompts, unit, massDecimals, [this]() -> std::optional<PickedEntry> {
                                     ++packagingOpened;
                                     if (packagingAnswers.empty())
                                         return std::nullopt;
                                     auto a = packagingAnswers.front();
                                     packagingAnswers.pop_front();
                                     return a;
                                 }};
    }

    static std::optional<PickedEntry> Packaging(const QByteArray &name)
    {
        PickedEntry p;
        p.name = name;
        return p;
    }

    // Adds one material answering the price prompt with `typedPrice`; its stored price, or "-" when refused.
    QByteArray PriceStoredFor(const QString &typedPrice)
    {
        QFile::remove(FileOf(DictionaryKind::Material));
        Dictionary d = Loaded(DictionaryKind::Material, QByteArray());
        DictionaryContext c = Context(d);
        prompts.inputAnswers = {QString("X"), typedPrice};
        packagingAnswers = {Packaging("Worek")};
        const int i = AddMaterial(c);
        return i < 0 ? QByteArray("-") : d.At(i).third;
    }
};

} // namespace

TEST_F(ActionsTest, AddMaterialAsksNamePackagingAndPrice)
{
    Dictionary d = Loaded(DictionaryKind::Material, "Piasek\t\t45.00\r\n");
    DictionaryContext c = Context(d, "t");
    prompts.inputAnswers = {S("Żwir"), QString("12,5")};
    packagingAnswers = {Packaging("Big bag")};
    const int i = AddMaterial(c);
    ASSERT_EQ(i, 1);
    EXPECT_EQ(prompts.inputs, (QStringList{S("Nowy materiał|Podaj nazwę materiału:|"),
                                           S("Nowy materiał|Podaj cenę materiału [zł/t]:|0.00")}));
    EXPECT_EQ(packagingOpened, 1);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), B("Piasek\t\t45.00\r\nŻwir\tBig bag\t12.50\r\n"));
}

TEST_F(ActionsTest, AddMaterialStopsWithItsWarnings)
{
    Dictionary d = Loaded(DictionaryKind::Material, QByteArray());
    DictionaryContext c = Context(d);

    prompts.inputAnswers = {std::nullopt}; // name cancelled
    EXPECT_EQ(AddMaterial(c), -1);
    EXPECT_EQ(packagingOpened, 0);

    // Packaging cancelled, "Nie" to keeping no packaging.
    prompts.inputAnswers = {QString("Piasek")};
    prompts.answers = {false};
    EXPECT_EQ(AddMaterial(c), -1);
    EXPECT_EQ(prompts.questions, QStringList{S("Czy dla nowego materiału nie przypisywać domyślnego opakowania?")});

    prompts.inputAnswers = {QString("Piasek"), std::nullopt}; // price cancelled
    packagingAnswers = {Packaging("Worek")};
    EXPECT_EQ(AddMaterial(c), -1);

    prompts.inputAnswers = {QString("Piasek"), QString("12 zł")};
    packagingAnswers = {Packaging("Worek")};
    EXPECT_EQ(AddMaterial(c), -1);

    EXPECT_EQ(prompts.MessageTexts(), (QStringList{S(kNotAdded), S(kNotAdded), S(kNotAdded),
                                                   S("Błąd! Cena musi być wartością liczbową!\n") + S(kNotAdded)}));
    EXPECT_EQ(prompts.messages[0].icon, UserPrompts::Icon::Warning);
    EXPECT_EQ(prompts.messages[3].icon, UserPrompts::Icon::Error);
    EXPECT_EQ(d.Count(), 0);
    EXPECT_FALSE(QFile::exists(FileOf(DictionaryKind::Material)));

    // Packaging cancelled, "Tak": the material has no default packaging.
    prompts.messages.clear();
    prompts.inputAnswers = {QString("Piasek"), QString("45")};
    prompts.answers = {true};
    ASSERT_EQ(AddMaterial(c), 0);
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), "Piasek\t\t45.00\r\n");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(ActionsTest, PricesAreStoredAsMoney)
{
    EXPECT_EQ(PriceStoredFor("12,5"), "12.50");
    EXPECT_EQ(PriceStoredFor("12.5"), "12.50");
    EXPECT_EQ(PriceStoredFor(" 7 "), "7.00");
    EXPECT_EQ(PriceStoredFor("-3"), "-3.00");
    EXPECT_EQ(PriceStoredFor("abc"), "-");
    EXPECT_EQ(PriceStoredFor("12a"), "-");
    EXPECT_EQ(PriceStoredFor("1,2,3"), "-");
    EXPECT_EQ(PriceStoredFor(""), "-");
    // Eight significant digits; the stored text reads back as the same number.
    EXPECT_EQ(PriceStoredFor("123456789"), "123456790.00");
    EXPECT_EQ(MaterialPrice(tmp.path(), "X"), 123456790.0);
    // An exponent, as large prices may be written elsewhere.
    EXPECT_EQ(PriceStoredFor("1,5E2"), "150.00");
}

TEST_F(ActionsTest, NamesWithSeparatorsAreRefused)
{
    Dictionary d = Loaded(DictionaryKind::Material, "Piasek\t\t1.00\r\n");
    DictionaryContext c = Context(d);
    prompts.inputAnswers = {QString("WZ\t12")};
    EXPECT_EQ(AddMaterial(c), -1);
    EXPECT_EQ(packagingOpened, 0); // refused before anything else is asked
    prompts.inputAnswers = {QString("Cement\r\n3")};
    EXPECT_EQ(AddMaterial(c), -1);
    EXPECT_EQ(ConfirmRename(c, 0, "Gips\tx"), -1);
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_EQ(prompts.MessageTexts(), QStringList(3, RefusedTextMessage()));
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), "Piasek\t\t1.00\r\n");

    Dictionary k = Loaded(DictionaryKind::Customer, QByteArray());
    DictionaryContext kc = Context(k);
    prompts.inputAnswers = {QString("Jan\nKowalski"), S("Jan ☺")}; // a line break; no cp1250 byte
    EXPECT_EQ(AddCustomer(kc), -1);
    EXPECT_EQ(AddCustomer(kc), -1);
    EXPECT_EQ(k.Count(), 0);
}

TEST_F(ActionsTest, EditPriceAndDefaultPackaging)
{
    Dictionary d = Loaded(DictionaryKind::Material, "Piasek\tWorek\t12.50\r\nCement\t\t1.2345679E+8\r\n");
    DictionaryContext c = Context(d, "kg");

    EXPECT_EQ(EditMaterialPrice(c, -1), -1);
    EXPECT_EQ(EditMaterialPackaging(c, -1), -1);
    EXPECT_EQ(prompts.MessageTexts(), QStringList(2, S("Żaden materiał nie został wskazany!")));
    prompts.messages.clear();

    prompts.inputAnswers = {QString("13,999"), QString("x1"), std::nullopt};
    ASSERT_EQ(EditMaterialPrice(c, 1), 1);
    EXPECT_EQ(d.At(1).third, "14.00");
    EXPECT_EQ(EditMaterialPrice(c, 1), -1);
    EXPECT_EQ(EditMaterialPrice(c, 1), -1); // "Anuluj": nothing changes, no message
    EXPECT_EQ(prompts.inputs[0], S("Zmiana ceny|Podaj cenę materiału [zł/kg]:|12.50"));
    EXPECT_EQ(prompts.MessageTexts(),
              QStringList{S("Błąd! Cena musi być wartością liczbową!\nWprowadź nowy materiał ponownie.")});
    EXPECT_EQ(d.At(1).third, "14.00");

    // A price in exponent form, confirmed unchanged, is kept as the same number.
    prompts.inputAnswers = {QString("1.2345679E+8")};
    ASSERT_EQ(EditMaterialPrice(c, 0), 0);
    EXPECT_EQ(d.At(0).third, "123456790.00");

    // "Op": a chosen packaging; cancelled on a row with one: the question, "Tak" clears it.
    packagingAnswers = {Packaging("Paleta"), std::nullopt, std::nullopt};
    ASSERT_EQ(EditMaterialPackaging(c, 0), 0);
    EXPECT_EQ(d.At(0).second, "Paleta");
    EXPECT_TRUE(prompts.questions.isEmpty());
    prompts.answers = {true};
    ASSERT_EQ(EditMaterialPackaging(c, 1), 1);
    EXPECT_EQ(prompts.questions, QStringList{S("Czy usunąć domyślne opakowanie dla wybranego materiału?")});
    EXPECT_EQ(d.At(1).second, "");
    EXPECT_EQ(EditMaterialPackaging(c, 1), -1); // nothing to clear: no question
    EXPECT_EQ(prompts.questions.size(), 1);
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), "Cement\tPaleta\t123456790.00\r\nPiasek\t\t14.00\r\n");
}

TEST_F(ActionsTest, PackagingTareTwoDecimalsWhenAddedMassDecimalsWhenEdited)
{
    Dictionary d = Loaded(DictionaryKind::Packaging, QByteArray());
    DictionaryContext c = Context(d, "kg", 3);
    prompts.inputAnswers = {QString("Worek"), QString("0,25"), QString("Skrzynia"), QString("-1.5")};
    ASSERT_EQ(AddPackaging(c), 0);
    ASSERT_EQ(AddPackaging(c), 0);
    EXPECT_EQ(prompts.inputs.mid(0, 2), (QStringList{S("Nowe opakowanie|Podaj nazwę opakowania:|"),
                                                     S("Nowe opakowanie|Podaj tarę opakowania [kg]:|0.000")}));
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Packaging)), "Skrzynia\t-1.50\r\nWorek\t0.25\r\n");

    prompts.inputs.clear();
    prompts.inputAnswers = {QString("0,25")};
    ASSERT_EQ(EditPackagingTare(c, 1), 1);
    EXPECT_EQ(prompts.inputs, QStringList{S("Nowe opakowanie|Podaj tarę opakowanie [kg]:|0.25")});
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Packaging)), "Skrzynia\t-1.50\r\nWorek\t0.250\r\n");

    // Cancels say nothing; a tare that is not a number says so and changes nothing.
    prompts.inputAnswers = {std::nullopt,      QString("Paleta"), std::nullopt,
                            QString("Paleta"), QString("dużo"),   QString("?")};
    EXPECT_EQ(AddPackaging(c), -1);
    EXPECT_EQ(AddPackaging(c), -1);
    EXPECT_EQ(AddPackaging(c), -1);
    EXPECT_EQ(EditPackagingTare(c, 0), -1);
    EXPECT_EQ(EditPackagingTare(c, -1), -1);
    const QString notNumber = S("Błąd! Tara musi być wartością liczbową!\nWprowadź nowe opakowanie ponownie.");
    EXPECT_EQ(prompts.MessageTexts(), (QStringList{notNumber, notNumber, S("Żadne opakowanie nie zostało wskazane!")}));
    EXPECT_EQ(d.Count(), 2);
}

TEST_F(ActionsTest, CustomersTakeTheTextAsTyped)
{
    Dictionary d = Loaded(DictionaryKind::Customer, "Nowak\r\n");
    DictionaryContext c = Context(d);
    prompts.inputAnswers = {QString(""), QString("Nowak"), std::nullopt};
    EXPECT_EQ(AddCustomer(c), 0);
    EXPECT_EQ(AddCustomer(c), 2);
    EXPECT_EQ(AddCustomer(c), -1);
    EXPECT_EQ(prompts.inputs[0], S("Nowy klient|Podaj nazwę klienta:|"));
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Customer)), "\r\nNowak\r\nNowak\r\n");
}

TEST_F(ActionsTest, DeleteAndRenameAskAboutTheQuotedName)
{
    Dictionary d = Loaded(DictionaryKind::Material, B("Beton\t\t1.00\r\nŻwir\tWorek\t2.00\r\n"));
    DictionaryContext c = Context(d);
    prompts.answers = {false, true, false, true};

    EXPECT_EQ(DeleteEntry(c, 1), -1);
    EXPECT_EQ(d.Count(), 2);
    EXPECT_EQ(DeleteEntry(c, 0), 0);
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), B("Żwir\tWorek\t2.00\r\n"));

    EXPECT_EQ(ConfirmRename(c, 0, "Gips"), -1);
    EXPECT_EQ(d.At(0).name, B("Żwir"));
    EXPECT_EQ(ConfirmRename(c, 0, S("Żwir płukany")), 0);
    // Written at once, the other fields with it.
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), B("Żwir płukany\tWorek\t2.00\r\n"));
    EXPECT_EQ(
        prompts.questions,
        (QStringList{S("Czy napewno usunąć materiał: \"Żwir\"?"), S("Czy napewno usunąć materiał: \"Beton\"?"),
                     S("Czy napewno zmienić materiał: \"Żwir\"?"), S("Czy napewno zmienić materiał: \"Żwir\"?")}));

    EXPECT_EQ(DeleteEntry(c, -1), -1);
    EXPECT_EQ(prompts.MessageTexts(), QStringList{S("Żaden materiał nie został wskazany!")});

    Dictionary k = Loaded(DictionaryKind::Customer, "Nowak\r\n");
    DictionaryContext kc = Context(k);
    prompts.answers = {true, true};
    prompts.questions.clear();
    // Renaming to an empty name is allowed.
    EXPECT_EQ(ConfirmRename(kc, 0, ""), 0);
    EXPECT_EQ(DeleteEntry(kc, 0), 0);
    EXPECT_EQ(prompts.questions,
              (QStringList{S("Czy napewno zmienić klienta: \"Nowak\"?"), S("Czy napewno usunąć klienta: \"\"?")}));
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Customer)), "");
}

// The list changes while a dialog is open (as when an in-place rename ends
// and re-sorts it): each command acts on the row it asked about.
TEST_F(ActionsTest, DeleteAndRenameActOnTheRowTheyAskedAbout)
{
    const QByteArray file = "B\t\t2.00\r\nC\t\t3.00\r\n";
    Dictionary d = Loaded(DictionaryKind::Material, file);
    DictionaryContext c = Context(d);
    prompts.answers = {true, true, true};

    prompts.whileOpen = [&] { d.Insert({"A", {}, "1.00"}); }; // C moves from 1 to 2
    EXPECT_EQ(DeleteEntry(c, 1), 2);
    EXPECT_EQ(prompts.questions.last(), S("Czy napewno usunąć materiał: \"C\"?"));
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), "A\t\t1.00\r\nB\t\t2.00\r\n");

    prompts.whileOpen = [&] { d.Insert({"0", {}, "0.00"}); }; // B moves from 1 to 2
    EXPECT_EQ(ConfirmRename(c, 1, "D"), 2);
    EXPECT_EQ(prompts.questions.last(), S("Czy napewno zmienić materiał: \"B\"?"));
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), "0\t\t0.00\r\nA\t\t1.00\r\nD\t\t2.00\r\n");

    // The row went meanwhile: nothing more happens, nothing is said.
    prompts.whileOpen = [&] { d.Remove(0); };
    EXPECT_EQ(DeleteEntry(c, 0), -1);
    EXPECT_EQ(d.Count(), 2);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), "0\t\t0.00\r\nA\t\t1.00\r\nD\t\t2.00\r\n");
}

TEST_F(ActionsTest, EditsChangeTheRowTheyWereStartedOn)
{
    Dictionary d = Loaded(DictionaryKind::Material, "B\tWorek\t2.00\r\nC\tWorek\t3.00\r\n");
    DictionaryContext c = Context(d);

    prompts.inputAnswers = {QString("9")};
    prompts.whileOpen = [&] { d.Insert({"A", {}, "1.00"}); };
    EXPECT_EQ(EditMaterialPrice(c, 0), 1);
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), "A\t\t1.00\r\nB\tWorek\t9.00\r\nC\tWorek\t3.00\r\n");

    // The packaging window is open while the list changes.
    c.pickPackaging = [&]() -> std::optional<PickedEntry> {
        d.Remove(0);
        return Packaging("Paleta");
    };
    EXPECT_EQ(EditMaterialPackaging(c, 2), 1);
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), "B\tWorek\t9.00\r\nC\tPaleta\t3.00\r\n");

    // Cancelled, then the question to clear it.
    c.pickPackaging = [] { return std::optional<PickedEntry>(); };
    prompts.answers = {true};
    prompts.whileOpen = [&] { d.Insert({"A", {}, "1.00"}); };
    EXPECT_EQ(EditMaterialPackaging(c, 0), 1);
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), "A\t\t1.00\r\nB\t\t9.00\r\nC\tPaleta\t3.00\r\n");

    // The row went meanwhile: nothing more happens, nothing is said.
    prompts.inputAnswers = {QString("5")};
    prompts.whileOpen = [&] { d.Remove(2); };
    EXPECT_EQ(EditMaterialPrice(c, 2), -1);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), "A\t\t1.00\r\nB\t\t9.00\r\nC\tPaleta\t3.00\r\n");

    Dictionary p = Loaded(DictionaryKind::Packaging, "B\t2.00\r\nC\t3.00\r\n");
    DictionaryContext pc = Context(p);
    prompts.inputAnswers = {QString("5"), QString("6")};
    prompts.whileOpen = [&] { p.Insert({"A", "1.00", {}}); };
    EXPECT_EQ(EditPackagingTare(pc, 1), 2);
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Packaging)), "A\t1.00\r\nB\t2.00\r\nC\t5.00\r\n");
    prompts.whileOpen = [&] { p.Remove(1); };
    EXPECT_EQ(EditPackagingTare(pc, 1), -1);
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Packaging)), "A\t1.00\r\nB\t2.00\r\nC\t5.00\r\n");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(ActionsTest, RowsOfTheSameLineAreFoundByTheirPlaceAmongThem)
{
    Dictionary d = Loaded(DictionaryKind::Customer, "X\r\nX\r\nX\r\nY\r\n");
    const EntryKey second = KeyOf(d, 1);
    EXPECT_EQ(second.line, "X");
    EXPECT_EQ(second.occurrence, 1);
    EXPECT_EQ(FindEntry(d, KeyOf(d, 3)), 3);

    d.Insert({"A", {}, {}});
    EXPECT_EQ(FindEntry(d, second), 2);
    // Fewer alike rows: the last of them stands for it.
    d.Remove(1);
    d.Remove(1);
    EXPECT_EQ(FindEntry(d, second), 1);
    d.Remove(1);
    EXPECT_EQ(FindEntry(d, second), -1);
    EXPECT_EQ(FindEntry(d, EntryKey{"Y", 0}), 1);
}

TEST_F(ActionsTest, CopyTextOfTheRowsShown)
{
    Dictionary m = Loaded(DictionaryKind::Material, B("Żwir\tWorek\t12.50\r\nBeton\t\t-3.00\r\n"));
    DictionaryModel mm(m);
    DictionaryCopy copy = BuildCopyText(mm);
    EXPECT_EQ(copy.text, B("Materiał\tOpakowanie\tCena\r\nBeton\t\t-3,00\r\nŻwir\tWorek\t12,50\r\n"));
    EXPECT_EQ(copy.text.count('\t'), 2 + 4);
    EXPECT_EQ(copy.text.count("\r\n"), 1 + 2);
    EXPECT_EQ(copy.rowsCopied, 2);

    // During a search the rows shown are copied.
    ASSERT_TRUE(mm.SetSearch("WOR"));
    EXPECT_EQ(BuildCopyText(mm).text, B("Materiał\tOpakowanie\tCena\r\nŻwir\tWorek\t12,50\r\n"));

    Dictionary p = Loaded(DictionaryKind::Packaging, "Worek\t0.250\r\nPaleta\r\n");
    EXPECT_EQ(BuildCopyText(DictionaryModel(p)).text, "Opakowanie\tTara\r\nPaleta\t\r\nWorek\t0,250\r\n");

    Dictionary k = Loaded(DictionaryKind::Customer, "C\r\nA\r\nB.1\r\n");
    EXPECT_EQ(BuildCopyText(DictionaryModel(k)).text, "Klient\r\nA\r\nB.1\r\nC\r\n");
}

TEST_F(ActionsTest, CopyStopsBeforeTheRowThatWouldPassAMillionCharacters)
{
    Dictionary k = Loaded(DictionaryKind::Customer, QByteArray());
    // A header of 8 characters and rows of 1000 with their CR LF: 999 rows fit.
    for (int i = 0; i < 1002; ++i)
        k.Insert({QByteArray::number(1000 + i) + QByteArray(994, 'x'), {}, {}});
    const DictionaryCopy copy = BuildCopyText(DictionaryModel(k));
    EXPECT_EQ(copy.rowsShown, 1002);
    EXPECT_EQ(copy.rowsCopied, 999);
    EXPECT_EQ(copy.text.size(), 8 + 999 * 1000);
    EXPECT_TRUE(copy.text.endsWith(QByteArray(994, 'x') + "\r\n"));
    EXPECT_EQ(CopyCutMessage(copy),
              S("Do schowka skopiowano tylko 999 z 1002 wierszy: kopia może mieć najwyżej 1000000 znaków."));
}
