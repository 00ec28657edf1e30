// The three dictionary windows on their real controls: layout, search and
// the buttons it disables, keys, in-place rename, commands started with a
// rename open, choosing, copying, the price right, and a 10,000-line
// dictionary.

#include "app/ui/main_window.h"
#include "core/clock.h"
#include "core/cp1250.h"
#include "dictionaries/ui/customer_window.h"
#include "dictionaries/ui/material_window.h"
#include "dictionaries/ui/packaging_window.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

QByteArray B(const char *utf8)
{
    return cp1250::EncodeLossy(QString::fromUtf8(utf8));
}

template <typename T> T *Child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

QToolButton *Tool(QWidget &w, const char *name)
{
    return Child<QToolButton>(w, name);
}

QTableView *List(QWidget &w)
{
    return Child<QTableView>(w, "LVdictionary");
}

QStringList Column0(QWidget &w)
{
    QStringList out;
    QAbstractItemModel *m = List(w)->model();
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, 0).data().toString();
    return out;
}

// Enabled state of the named buttons, as "1"/"0".
QString Enabled(QWidget &w, std::initializer_list<const char *> names)
{
    QString out;
    for (const char *n : names)
        out += Tool(w, n)->isEnabled() ? '1' : '0';
    return out;
}

void TypeSearch(QWidget &w, const QString &text)
{
    QLineEdit *e = Child<QLineEdit>(w, "Esearch");
    e->setFocus();
    // Key by key, as typed; keyClicks takes only Latin-1.
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

void ClearSearch(QWidget &w)
{
    QLineEdit *e = Child<QLineEdit>(w, "Esearch");
    while (!e->text().isEmpty())
        QTest::keyClick(e, Qt::Key_Backspace);
}

// The open in-place editor (a closed one lingers hidden until deleted).
QLineEdit *OpenEditor(QWidget &w)
{
    for (QLineEdit *e : w.findChildren<QLineEdit *>(QStringLiteral("Erename")))
        if (e->isVisible())
            return e;
    return nullptr;
}

// F2 on `row` and `typed` over the name; the editor is left open.
QLineEdit *OpenRename(QWidget &w, int row, const char *typed)
{
    List(w)->setFocus();
    List(w)->selectRow(row);
    QTest::keyClick(List(w), Qt::Key_F2);
    QLineEdit *editor = OpenEditor(w);
    if (editor) {
        editor->selectAll();
        QTest::keyClicks(editor, typed);
    }
    return editor;
}

QPoint CellCenter(QWidget &w, int row, int column)
{
    return List(w)->visualRect(List(w)->model()->index(row, column)).center();
}

// What a real question, input or message window does to the window under
// it: it takes the activation and the focus, and whatever was queued
// meanwhile runs in its loop; closed, it gives the activation back.
void ActLikeAModalWindow()
{
    QWidget *below = QApplication::activeWindow();
    {
        QDialog d;
        d.setModal(true);
        d.show();
        d.activateWindow();
        if (!QTest::qWaitForWindowActive(&d))
            qWarning("the stand-in dialog did not become active");
        QCoreApplication::processEvents();
    }
    if (below) {
        below->activateWindow();
        if (!QTest::qWaitForWindowActive(below))
            qWarning("the window below did not become active again");
    }
}

// Scripted answers given from windows that act like real modal ones (when
// `modal`), every question and input window logged in the order shown.
class ModalPrompts : public ScriptedPrompts {
  public:
    bool modal = false;
    QStringList shown;

    void Message(Icon icon, const QString &text) override
    {
        ScriptedPrompts::Message(icon, text);
        if (modal)
            ActLikeAModalWindow();
    }
    bool Question(const QString &text) override
    {
        shown << text;
        if (modal)
            ActLikeAModalWindow();
        return ScriptedPrompts::Question(text);
    }
    std::optional<QString> InputText(const QString &title, const QString &prompt, const QString &initial,
                                     bool masked) override
    {
        shown << title + "|" + prompt + "|" + initial;
        if (modal)
            ActLikeAModalWindow();
        return ScriptedPrompts::InputText(title, prompt, initial, masked);
    }
};

QString Q(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

class TestDictionaryWindows : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    ModalPrompts prompts;
    int massDecimals = 2;

    DictionaryWindowEnv Env()
    {
        DictionaryWindowEnv env;
        env.dataDir = tmp.path() + "/";
        env.prompts = &prompts;
        env.unit = [] { return QStringLiteral("kg"); };
        env.massDecimals = [this] { return massDecimals; };
        return env;
    }
    QString FileOf(const char *name) const { return tmp.path() + "/" + name; }

    void Show(QWidget &w)
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }

    std::unique_ptr<DictionaryWindow> Window(DictionaryKind kind)
    {
        switch (kind) {
        case DictionaryKind::Material:
            return std::make_unique<MaterialWindow>(Env());
        case DictionaryKind::Packaging:
            return std::make_unique<PackagingWindow>(Env());
        case DictionaryKind::Customer:
            break;
        }
        return std::make_unique<CustomerWindow>(Env());
    }

  private slots:
    void init()
    {
        prompts = ModalPrompts();
        massDecimals = 2;
        for (const char *f : {"materialy.txt", "opakowania.txt", "klienci.txt"})
            QFile::remove(FileOf(f));
    }

    void materialWindowLayout()
    {
        WriteAll(FileOf("materialy.txt"), B("Żwir\tBig bag\t12.50\r\nBeton\t\t1.00\r\n"));
        MaterialWindow w(Env());
        QCOMPARE(w.objectName(), QString("TFmaterial"));
        QCOMPARE(w.windowTitle(), QString::fromUtf8("Wybierz materiał"));
        QCOMPARE(Child<QLabel>(w, "Lsearch")->text(), QString("Wyszukaj (F3):"));
        QCOMPARE(Child<QLabel>(w, "Lsearch_on")->text(), QString::fromUtf8("<wyszukiwanie włączone>"));
        QVERIFY(Child<QLabel>(w, "Lsearch_on")->isHidden());
        QVERIFY(Child<QLabel>(w, "Lsearch_on")->font().bold());

        QHeaderView *h = List(w)->horizontalHeader();
        QCOMPARE(List(w)->model()->columnCount(), 3);
        QCOMPARE(List(w)->model()->headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("Opakowanie domyślne"));
        QCOMPARE(QList<int>({h->sectionSize(0), h->sectionSize(1), h->sectionSize(2)}), QList<int>({360, 245, 60}));
        QCOMPARE(List(w)->model()->index(1, 2).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
                 int(Qt::AlignRight));
        QCOMPARE(Column0(w), QStringList({"Beton", QString::fromUtf8("Żwir")}));
        QCOMPARE(List(w)->editTriggers(), QAbstractItemView::NoEditTriggers);

        // Tool buttons left to right, each hint as tooltip and accessible name.
        QList<QToolButton *> tools;
        for (const char *n : {"TBadd", "TBdelete", "TBrename", "TBbox", "TBprice", "TBcopy"})
            tools << Tool(w, n);
        const QStringList hints = {
            QString::fromUtf8("dodaj materiał (ins)"), QString::fromUtf8("usuń materiał (del)"),
            QString::fromUtf8("edytuj materiał (F2)"), QString::fromUtf8("edytuj domyślne opakowanie"),
            QString::fromUtf8("edytuj cenę"),          QString::fromUtf8("kopiuj tabelę do schowka")};
        for (int i = 0; i < tools.size(); ++i) {
            QCOMPARE(tools[i]->toolTip(), hints[i]);
            QCOMPARE(tools[i]->accessibleName(), hints[i]);
        }
        QCOMPARE(Tool(w, "TBbox")->text(), QString("Op"));
        QCOMPARE(Tool(w, "TBprice")->text(), QString::fromUtf8("zł"));

        auto *group = Child<QGroupBox>(w, "RGapply_to");
        QCOMPARE(group->title(), QString("Zastosuj do: "));
        QCOMPARE(Child<QRadioButton>(w, "RBapply_current")->text(), QString::fromUtf8("bieżącego pomiaru"));
        QCOMPARE(Child<QRadioButton>(w, "RBapply_following")->text(),
                 QString::fromUtf8("bieżącego pomiaru i następnych"));
        QVERIFY(Child<QRadioButton>(w, "RBapply_current")->isChecked());
        QVERIFY(Child<QPushButton>(w, "BBok")->isDefault());
        QCOMPARE(Child<QPushButton>(w, "BBcancel")->text(), QString("Anuluj"));

        Show(w);
        for (int i = 1; i < tools.size(); ++i)
            QVERIFY(tools[i - 1]->x() < tools[i]->x());
        // The columns fit without a horizontal scroll bar.
        QVERIFY(!List(w)->horizontalScrollBar()->isVisible());
    }

    void searchHidesRowsAndDisablesTheChangingButtons()
    {
        WriteAll(FileOf("materialy.txt"),
                 B("żwir płukany\tBig bag\t12.50\r\nPiasek\tWorek\t45.00\r\nCement\t\t7.25\r\n"));
        MaterialWindow w(Env());
        Show(w);
        const auto buttons = {"TBadd", "TBdelete", "TBrename", "TBbox", "TBprice", "TBcopy"};
        QCOMPARE(Enabled(w, buttons), QString("111111"));

        TypeSearch(w, QString::fromUtf8("żw"));
        QCOMPARE(Child<QLineEdit>(w, "Esearch")->text(), QString::fromUtf8("ŻW")); // upper-cased as typed
        QCOMPARE(List(w)->model()->rowCount(), 3);
        QVERIFY(Child<QLabel>(w, "Lsearch_on")->isHidden());

        TypeSearch(w, "i");
        QCOMPARE(Column0(w), QStringList{QString::fromUtf8("żwir płukany")});
        QVERIFY(Child<QLabel>(w, "Lsearch_on")->isVisible());
        QCOMPARE(Enabled(w, buttons), QString("000001")); // copy stays
        QVERIFY(w.SearchActive());

        // Ins and Del do nothing during a search.
        List(w)->setFocus();
        QTest::keyClick(List(w), Qt::Key_Insert);
        QTest::keyClick(List(w), Qt::Key_Delete);
        QTest::keyClick(List(w), Qt::Key_F2);
        QVERIFY(prompts.inputs.isEmpty());
        QVERIFY(prompts.questions.isEmpty());
        QVERIFY(List(w)->indexWidget(List(w)->currentIndex()) == nullptr);

        ClearSearch(w);
        QCOMPARE(List(w)->model()->rowCount(), 3);
        QCOMPARE(Enabled(w, buttons), QString("111111"));
        QVERIFY(Child<QLabel>(w, "Lsearch_on")->isHidden());

        // A match only in the price field.
        TypeSearch(w, "7.2");
        QCOMPARE(Column0(w), QStringList{"Cement"});
    }

    void priceRightHoldsAfterASearchAndAtEachOpening()
    {
        WriteAll(FileOf("materialy.txt"), "Piasek\tWorek\t45.00\r\n");
        MaterialWindow w(Env());
        w.SetPriceEditAllowed(false);
        Show(w);
        const auto buttons = {"TBadd", "TBdelete", "TBrename", "TBbox", "TBprice"};
        QCOMPARE(Enabled(w, buttons), QString("11110"));
        TypeSearch(w, "PIA");
        QCOMPARE(Enabled(w, buttons), QString("00000"));
        ClearSearch(w);
        QCOMPARE(Enabled(w, buttons), QString("11110"));

        // Closed during a search: the next opening ends it, every button as before.
        TypeSearch(w, "PIA");
        w.hide();
        Show(w);
        QVERIFY(!w.SearchActive());
        QVERIFY(Child<QLineEdit>(w, "Esearch")->text().isEmpty());
        QVERIFY(Child<QLabel>(w, "Lsearch_on")->isHidden());
        QCOMPARE(Enabled(w, buttons), QString("11110"));
        QCOMPARE(List(w)->model()->rowCount(), 1);
        QCOMPARE(List(w)->currentIndex().row(), 0);
        QCOMPARE(w.focusWidget(), List(w)); // the focus goes to the list

        w.SetPriceEditAllowed(true);
        QCOMPARE(Enabled(w, buttons), QString("11111"));
        TypeSearch(w, "PIA");
        w.SetPriceEditAllowed(true); // the right never enables it during a search
        QVERIFY(!Tool(w, "TBprice")->isEnabled());
    }

    void keysOfTheWindow()
    {
        WriteAll(FileOf("klienci.txt"), "Nowak\r\nKowalski\r\n");
        CustomerWindow w(Env());
        Show(w);
        QVERIFY(List(w)->hasFocus());
        QCOMPARE(List(w)->currentIndex().row(), 0);

        // F3 puts the focus into the search field.
        QTest::keyClick(List(w), Qt::Key_F3);
        QVERIFY(Child<QLineEdit>(w, "Esearch")->hasFocus());

        // Esc has no binding.
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(w.isVisible());
        QCOMPARE(w.result(), 0);

        // Ins adds, Del deletes (here "Nie").
        prompts.inputAnswers = {QString("Zieliński")};
        List(w)->setFocus();
        QTest::keyClick(List(w), Qt::Key_Insert);
        QCOMPARE(Column0(w), QStringList({"Kowalski", "Nowak", QString::fromUtf8("Zieliński")}));
        QCOMPARE(List(w)->currentIndex().row(), 2); // the new row is highlighted
        QTest::keyClick(List(w), Qt::Key_Delete);
        QCOMPARE(prompts.questions, QStringList{QString::fromUtf8("Czy napewno usunąć klienta: \"Zieliński\"?")});
        QCOMPARE(List(w)->model()->rowCount(), 3);

        // Enter in the list chooses.
        QTest::keyClick(List(w), Qt::Key_Return);
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(!w.isVisible());
    }

    void deleteHighlightsTheRowAtItsPlace()
    {
        WriteAll(FileOf("opakowania.txt"), "A\t1.00\r\nB\t2.00\r\nC\t3.00\r\n");
        PackagingWindow w(Env());
        Show(w);
        prompts.answers = {true, true, true, true};
        List(w)->selectRow(1);
        Tool(w, "TBdelete")->click();
        QCOMPARE(Column0(w), QStringList({"A", "C"}));
        QCOMPARE(List(w)->currentIndex().row(), 1); // C took B's place
        Tool(w, "TBdelete")->click();
        QCOMPARE(List(w)->currentIndex().row(), 0); // the last was removed: the new last
        QCOMPARE(ReadAll(FileOf("opakowania.txt")), QByteArray("A\t1.00\r\n"));
        Tool(w, "TBdelete")->click();
        QCOMPARE(List(w)->model()->rowCount(), 0);
        QCOMPARE(w.HighlightedEntry(), -1);

        // Nothing highlighted: OK, a double click and the commands say so.
        Child<QPushButton>(w, "BBok")->click();
        QTest::mouseDClick(List(w)->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        Tool(w, "TBtare")->click();
        QCOMPARE(prompts.MessageTexts(), QStringList({QString::fromUtf8("Żadne opakowanie nie zostało wskazane!"),
                                                      QString::fromUtf8("Nie wybrano żadnego opakowania!"),
                                                      QString::fromUtf8("Żadne opakowanie nie zostało wskazane!")}));
        QVERIFY(w.isVisible());
        QCOMPARE(ReadAll(FileOf("opakowania.txt")), QByteArray(""));
    }

    void renameInPlace()
    {
        WriteAll(FileOf("materialy.txt"), "Beton\t\t1.00\r\nCement\tWorek\t2.00\r\n");
        MaterialWindow w(Env());
        Show(w);
        List(w)->selectRow(1);
        QTest::keyClick(List(w), Qt::Key_F2);
        auto *editor = w.findChild<QLineEdit *>("Erename");
        QVERIFY(editor);
        QCOMPARE(editor->text(), QString("Cement"));
        editor->selectAll();
        QTest::keyClicks(editor, "Asfalt");
        prompts.answers = {true};
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(prompts.questions, QStringList{QString::fromUtf8("Czy napewno zmienić materiał: \"Cement\"?")});
        QVERIFY(w.isVisible()); // Enter ended the edit, it did not press "OK"
        QCOMPARE(Column0(w), QStringList({"Asfalt", "Beton"}));
        QCOMPARE(List(w)->currentIndex().row(), 0);
        QCOMPARE(ReadAll(FileOf("materialy.txt")), QByteArray("Asfalt\tWorek\t2.00\r\nBeton\t\t1.00\r\n"));
        // Read-only again.
        QVERIFY(!(List(w)->model()->flags(List(w)->model()->index(0, 0)) & Qt::ItemIsEditable));

        // Esc cancels without a question.
        QTest::keyClick(List(w), Qt::Key_F2);
        QTRY_VERIFY(w.findChild<QLineEdit *>("Erename"));
        editor = w.findChild<QLineEdit *>("Erename");
        QTest::keyClicks(editor, "xyz");
        QTest::keyClick(editor, Qt::Key_Escape);
        QTest::qWait(20);
        QCOMPARE(prompts.questions.size(), 1);
        QVERIFY(w.isVisible());
        QCOMPARE(Column0(w), QStringList({"Asfalt", "Beton"}));

        // "Nie": the old name stays.
        QTest::keyClick(List(w), Qt::Key_F2);
        QTRY_VERIFY(w.findChild<QLineEdit *>("Erename"));
        editor = w.findChild<QLineEdit *>("Erename");
        editor->selectAll();
        QTest::keyClicks(editor, "Gips");
        prompts.answers = {false};
        QTest::keyClick(editor, Qt::Key_Enter);
        QTRY_COMPARE(prompts.questions.size(), 2);
        QCOMPARE(Column0(w), QStringList({"Asfalt", "Beton"}));
        QCOMPARE(ReadAll(FileOf("materialy.txt")), QByteArray("Asfalt\tWorek\t2.00\r\nBeton\t\t1.00\r\n"));
    }

    // Tool buttons take no focus, so a command can start while an in-place
    // rename is open. The prompts act like real modal windows here: the
    // focus they take would end the edit in the middle of the command.
    void deleteWithARenameOpenRemovesTheEntryItNamed_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("renameAnswer");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("highlighted");
        const QByteArray materials = "A\tW\t1.00\r\nB\t\t2.00\r\nC\t\t3.00\r\n";
        QTest::newRow("material renamed")
            << int(DictionaryKind::Material) << materials << true
            << QStringList{Q("Czy napewno zmienić materiał: \"A\"?"), Q("Czy napewno usunąć materiał: \"Z\"?")}
            << QByteArray("B\t\t2.00\r\nC\t\t3.00\r\n") << "C";
        QTest::newRow("material keeps its name")
            << int(DictionaryKind::Material) << materials << false
            << QStringList{Q("Czy napewno zmienić materiał: \"A\"?"), Q("Czy napewno usunąć materiał: \"A\"?")}
            << QByteArray("B\t\t2.00\r\nC\t\t3.00\r\n") << "B";
        QTest::newRow("packaging renamed")
            << int(DictionaryKind::Packaging) << QByteArray("A\t1.00\r\nB\t2.00\r\nC\t3.00\r\n") << true
            << QStringList{Q("Czy napewno zmienić opakowanie: \"A\"?"), Q("Czy napewno usunąć opakowanie: \"Z\"?")}
            << QByteArray("B\t2.00\r\nC\t3.00\r\n") << "C";
        QTest::newRow("customer renamed")
            << int(DictionaryKind::Customer) << QByteArray("A\r\nB\r\nC\r\n") << true
            << QStringList{Q("Czy napewno zmienić klienta: \"A\"?"), Q("Czy napewno usunąć klienta: \"Z\"?")}
            << QByteArray("B\r\nC\r\n") << "C";
    }

    void deleteWithARenameOpenRemovesTheEntryItNamed()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, file);
        QFETCH(bool, renameAnswer);
        QFETCH(QStringList, shown);
        QFETCH(QByteArray, after);
        QFETCH(QString, highlighted);
        const QString path = FileOf(Dictionary::FileName(DictionaryKind(kind)));
        WriteAll(path, file);
        std::unique_ptr<DictionaryWindow> w = Window(DictionaryKind(kind));
        Show(*w);
        prompts.modal = true;
        QVERIFY(OpenRename(*w, 0, "Z"));
        prompts.answers = {renameAnswer, true};
        QTest::mouseClick(Tool(*w, "TBdelete"), Qt::LeftButton);
        QCOMPARE(prompts.shown, shown);
        QCOMPARE(ReadAll(path), after);
        QCOMPARE(Column0(*w), QStringList({"B", "C"}));
        QVERIFY(!OpenEditor(*w));
        // The row that took the deleted one's place.
        QCOMPARE(List(*w)->currentIndex().data().toString(), highlighted);
    }

    void editsWithARenameOpenChangeTheEntryTheyNamed_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QStringList>("typed"); // answers of the input windows
        QTest::addColumn<QByteArray>("picked"); // the packaging picker's answer, empty: cancelled
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QByteArray>("after");
        const QByteArray materials = "A\tW\t1.00\r\nB\t\t2.00\r\nC\t\t3.00\r\n";
        const QString renameMaterial = Q("Czy napewno zmienić materiał: \"A\"?");
        QTest::newRow("price") << int(DictionaryKind::Material) << QByteArray("TBprice") << QStringList{"9"}
                               << QByteArray()
                               << QStringList{renameMaterial, Q("Zmiana ceny|Podaj cenę materiału [zł/kg]:|1.00")}
                               << QByteArray("B\t\t2.00\r\nC\t\t3.00\r\nZ\tW\t9.00\r\n");
        QTest::newRow("default packaging chosen")
            << int(DictionaryKind::Material) << QByteArray("TBbox") << QStringList() << QByteArray("Paleta")
            << QStringList{renameMaterial} << QByteArray("B\t\t2.00\r\nC\t\t3.00\r\nZ\tPaleta\t1.00\r\n");
        QTest::newRow("default packaging cleared")
            << int(DictionaryKind::Material) << QByteArray("TBbox") << QStringList() << QByteArray()
            << QStringList{renameMaterial, Q("Czy usunąć domyślne opakowanie dla wybranego materiału?")}
            << QByteArray("B\t\t2.00\r\nC\t\t3.00\r\nZ\t\t1.00\r\n");
        QTest::newRow("tare") << int(DictionaryKind::Packaging) << QByteArray("TBtare") << QStringList{"5"}
                              << QByteArray()
                              << QStringList{Q("Czy napewno zmienić opakowanie: \"A\"?"),
                                             Q("Nowe opakowanie|Podaj tarę opakowanie [kg]:|1.00")}
                              << QByteArray("B\t2.00\r\nC\t3.00\r\nZ\t5.00\r\n");
    }

    void editsWithARenameOpenChangeTheEntryTheyNamed()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, button);
        QFETCH(QStringList, typed);
        QFETCH(QByteArray, picked);
        QFETCH(QStringList, shown);
        QFETCH(QByteArray, after);
        const QString path = FileOf(Dictionary::FileName(DictionaryKind(kind)));
        WriteAll(path, kind == int(DictionaryKind::Material) ? QByteArray("A\tW\t1.00\r\nB\t\t2.00\r\nC\t\t3.00\r\n")
                                                             : QByteArray("A\t1.00\r\nB\t2.00\r\nC\t3.00\r\n"));
        std::unique_ptr<DictionaryWindow> w = Window(DictionaryKind(kind));
        if (auto *m = qobject_cast<MaterialWindow *>(w.get()))
            m->SetPackagingPicker([picked]() -> std::optional<PickedEntry> {
                ActLikeAModalWindow(); // the packaging window
                if (picked.isEmpty())
                    return std::nullopt;
                PickedEntry p;
                p.name = picked;
                return p;
            });
        Show(*w);
        prompts.modal = true;
        QVERIFY(OpenRename(*w, 0, "Z"));
        prompts.answers = {true, true};
        for (const QString &t : typed)
            prompts.inputAnswers.push_back(t);
        QTest::mouseClick(Tool(*w, button.constData()), Qt::LeftButton);
        QCOMPARE(prompts.shown, shown);
        QCOMPARE(ReadAll(path), after);
        QVERIFY(prompts.messages.isEmpty());
        QVERIFY(!OpenEditor(*w));
        QCOMPARE(List(*w)->currentIndex().row(), 2); // the entry changed, now "Z"
    }

    void addCopyRenameAndKeysEndAnOpenRenameFirst()
    {
        WriteAll(FileOf("klienci.txt"), "A\r\nB\r\nC\r\n");
        CustomerWindow w(Env());
        Show(w);
        prompts.modal = true;

        QVERIFY(OpenRename(w, 0, "Z"));
        prompts.answers = {true};
        prompts.inputAnswers = {QString("D")};
        QTest::mouseClick(Tool(w, "TBadd"), Qt::LeftButton);
        QCOMPARE(prompts.shown,
                 QStringList({Q("Czy napewno zmienić klienta: \"A\"?"), Q("Nowy klient|Podaj nazwę klienta:|")}));
        QCOMPARE(ReadAll(FileOf("klienci.txt")), QByteArray("B\r\nC\r\nD\r\nZ\r\n"));
        QCOMPARE(List(w)->currentIndex().data().toString(), QString("D"));

        // The copy holds the new name.
        prompts.shown.clear();
        QVERIFY(OpenRename(w, 0, "Y"));
        prompts.answers = {true};
        QTest::mouseClick(Tool(w, "TBcopy"), Qt::LeftButton);
        QCOMPARE(prompts.shown, QStringList{Q("Czy napewno zmienić klienta: \"B\"?")});
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("Klient\r\nC\r\nD\r\nY\r\nZ\r\n"));
        QVERIFY(!OpenEditor(w));

        // F2 again in the editor: the first rename is asked and saved, then
        // the renamed entry is edited.
        prompts.shown.clear();
        QLineEdit *editor = OpenRename(w, 0, "X");
        QVERIFY(editor);
        prompts.answers = {true};
        QTest::keyClick(editor, Qt::Key_F2);
        QCOMPARE(prompts.shown, QStringList{Q("Czy napewno zmienić klienta: \"C\"?")});
        QCOMPARE(ReadAll(FileOf("klienci.txt")), QByteArray("D\r\nX\r\nY\r\nZ\r\n"));
        editor = OpenEditor(w);
        QVERIFY(editor);
        QCOMPARE(editor->text(), QString("X"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(prompts.shown.size(), 1);

        // Ins in the editor is the add command.
        prompts.shown.clear();
        editor = OpenRename(w, 0, "W");
        QVERIFY(editor);
        prompts.answers = {true};
        prompts.inputAnswers = {QString("A")};
        QTest::keyClick(editor, Qt::Key_Insert);
        QCOMPARE(prompts.shown,
                 QStringList({Q("Czy napewno zmienić klienta: \"D\"?"), Q("Nowy klient|Podaj nazwę klienta:|")}));
        QCOMPARE(ReadAll(FileOf("klienci.txt")), QByteArray("A\r\nW\r\nX\r\nY\r\nZ\r\n"));
    }

    void aCommandAfterAClickOnAnotherRowActsOnThatRow()
    {
        WriteAll(FileOf("materialy.txt"), "A\tW\t1.00\r\nB\t\t2.00\r\nC\t\t3.00\r\n");
        MaterialWindow w(Env());
        Show(w);
        prompts.modal = true;
        QVERIFY(OpenRename(w, 0, "Z"));
        // The click ends the edit; its question waits in the queue.
        QTest::mouseClick(List(w)->viewport(), Qt::LeftButton, {}, CellCenter(w, 2, 1));
        prompts.answers = {true, true};
        QTest::mouseClick(Tool(w, "TBdelete"), Qt::LeftButton);
        QCOMPARE(prompts.shown,
                 QStringList({Q("Czy napewno zmienić materiał: \"A\"?"), Q("Czy napewno usunąć materiał: \"C\"?")}));
        QCOMPARE(ReadAll(FileOf("materialy.txt")), QByteArray("B\t\t2.00\r\nZ\tW\t1.00\r\n"));
        QTest::qWait(20);
        QCOMPARE(prompts.shown.size(), 2); // not asked a second time
    }

    void choosingEndsAnOpenRenameFirst()
    {
        WriteAll(FileOf("materialy.txt"), "A\tW\t1.00\r\nB\t\t2.00\r\nC\t\t3.00\r\n");
        MaterialWindow w(Env());
        prompts.modal = true;
        const QString renameA = Q("Czy napewno zmienić materiał: \"A\"?");

        // "OK": the renamed entry is chosen.
        bool opened = false;
        QTimer::singleShot(0, &w, [&] {
            opened = OpenRename(w, 0, "Z");
            prompts.answers = {true};
            QTest::mouseClick(Child<QPushButton>(w, "BBok"), Qt::LeftButton);
        });
        std::optional<PickedEntry> p = w.Pick(false);
        QVERIFY(opened);
        QCOMPARE(prompts.shown, QStringList{renameA});
        QVERIFY(p);
        QCOMPARE(p->name, QByteArray("Z"));
        QCOMPARE(p->packaging, QByteArray("W"));
        QCOMPARE(ReadAll(FileOf("materialy.txt")), QByteArray("B\t\t2.00\r\nC\t\t3.00\r\nZ\tW\t1.00\r\n"));

        // A double click on another row chooses that row, after the rename.
        prompts.shown.clear();
        QTimer::singleShot(0, &w, [&] {
            opened = QTest::qWaitForWindowActive(&w) && OpenRename(w, 2, "A");
            prompts.answers = {true};
            // Both clicks come before the queued question of the rename.
            QTest::mouseClick(List(w)->viewport(), Qt::LeftButton, {}, CellCenter(w, 1, 1));
            QTest::mouseDClick(List(w)->viewport(), Qt::LeftButton, {}, CellCenter(w, 1, 1));
        });
        p = w.Pick(false);
        QVERIFY(opened);
        QCOMPARE(prompts.shown, QStringList{Q("Czy napewno zmienić materiał: \"Z\"?")});
        QVERIFY(p);
        QCOMPARE(p->name, QByteArray("C"));
        QCOMPARE(ReadAll(FileOf("materialy.txt")), QByteArray("A\tW\t1.00\r\nB\t\t2.00\r\nC\t\t3.00\r\n"));

        // "Anuluj": asked and saved before the window closes.
        prompts.shown.clear();
        QTimer::singleShot(0, &w, [&] {
            opened = OpenRename(w, 1, "E");
            prompts.answers = {true};
            QTest::mouseClick(Child<QPushButton>(w, "BBcancel"), Qt::LeftButton);
        });
        QVERIFY(!w.Pick(false));
        QVERIFY(opened);
        QCOMPARE(prompts.shown, QStringList{Q("Czy napewno zmienić materiał: \"B\"?")});
        QCOMPARE(ReadAll(FileOf("materialy.txt")), QByteArray("A\tW\t1.00\r\nC\t\t3.00\r\nE\t\t2.00\r\n"));
    }

    void pickReturnsTheHighlightedRowAndTheChoice()
    {
        WriteAll(FileOf("materialy.txt"), "Piasek\tWorek\t12.50\r\nCement\t\t7.00\r\n");
        MaterialWindow w(Env());
        QTimer::singleShot(0, &w, [&] {
            QVERIFY(Child<QGroupBox>(w, "RGapply_to")->isVisible());
            List(w)->selectRow(1);
            Child<QRadioButton>(w, "RBapply_following")->click();
            Child<QPushButton>(w, "BBok")->click();
        });
        std::optional<PickedEntry> p = w.Pick(true);
        QVERIFY(p);
        QCOMPARE(p->name, QByteArray("Piasek"));
        QCOMPARE(p->packaging, QByteArray("Worek"));
        QCOMPARE(p->price, QByteArray("12.50"));
        QVERIFY(p->applyTo == ApplyToChoice::CurrentAndFollowing);

        // Group hidden for one opening; the last choice stays; a double click chooses.
        QTimer::singleShot(0, &w, [&] {
            QVERIFY(Child<QGroupBox>(w, "RGapply_to")->isHidden());
            QVERIFY(Child<QRadioButton>(w, "RBapply_following")->isChecked());
            QTest::mouseDClick(List(w)->viewport(), Qt::LeftButton, {},
                               List(w)->visualRect(List(w)->model()->index(0, 0)).center());
        });
        p = w.Pick(false);
        QVERIFY(p);
        QCOMPARE(p->name, QByteArray("Cement"));
        QVERIFY(p->applyTo == ApplyToChoice::CurrentRow);
        QVERIFY(w.ApplyToShown());

        QTimer::singleShot(0, &w, [&] { Child<QPushButton>(w, "BBcancel")->click(); });
        QVERIFY(!w.Pick(true));
    }

    void packagingTareFollowsTheMassDecimals()
    {
        WriteAll(FileOf("opakowania.txt"), "Worek\t0.25\r\n");
        PackagingWindow w(Env());
        QCOMPARE(w.objectName(), QString("TFbox"));
        QCOMPARE(w.windowTitle(), QString("Wybierz opakowanie"));
        QCOMPARE(Tool(w, "TBtare")->text(), QString("T"));
        QCOMPARE(Tool(w, "TBtare")->toolTip(), QString::fromUtf8("edytuj tarę"));
        QCOMPARE(List(w)->horizontalHeader()->sectionSize(0), 565);
        Show(w);
        massDecimals = 3;
        prompts.inputAnswers = {QString("0,5")};
        Tool(w, "TBtare")->click();
        QCOMPARE(List(w)->model()->index(0, 1).data().toString(), QString("0.500"));
        QCOMPARE(ReadAll(FileOf("opakowania.txt")), QByteArray("Worek\t0.500\r\n"));
        TypeSearch(w, "WOR");
        QVERIFY(!Tool(w, "TBtare")->isEnabled());
    }

    void copyPutsTheRowsShownOnTheClipboard()
    {
        WriteAll(FileOf("materialy.txt"), B("Żwir\tWorek\t12.50\r\nBeton\t\t1.00\r\n"));
        MaterialWindow w(Env());
        Show(w);
        Tool(w, "TBcopy")->click();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QString::fromUtf8("Materiał\tOpakowanie\tCena\r\nBeton\t\t1,00\r\nŻwir\tWorek\t12,50\r\n"));
        TypeSearch(w, "BET");
        Tool(w, "TBcopy")->click();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QString::fromUtf8("Materiał\tOpakowanie\tCena\r\nBeton\t\t1,00\r\n"));
        QVERIFY(prompts.messages.isEmpty());
    }

    void customerWindowAndAnUnreadableFile()
    {
        CustomerWindow w(Env());
        QCOMPARE(w.objectName(), QString("TFklient1"));
        QCOMPARE(w.windowTitle(), QString::fromUtf8("Wybierz dostawcę/klienta"));
        QCOMPARE(List(w)->model()->headerData(0, Qt::Horizontal).toString(), QString("Klient"));
        QCOMPARE(List(w)->horizontalHeader()->sectionSize(0), 595);
        QVERIFY(Tool(w, "TBrename")->toolTip().isEmpty());
        QVERIFY(!Tool(w, "TBrename")->accessibleName().isEmpty());
        QVERIFY(!w.findChild<QToolButton *>("TBprice"));

        // A file that exists but cannot be read: said at creation, never written over.
        QVERIFY(QDir().mkpath(FileOf("klienci.txt")));
        CustomerWindow unread(Env());
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.messages[0].text.startsWith(QString::fromUtf8("Błąd przy odczycie pliku: ")));
        prompts.inputAnswers = {QString("Nowak")};
        unread.AddClick();
        QVERIFY(QFileInfo(FileOf("klienci.txt")).isDir());
        QVERIFY(QDir().rmdir(FileOf("klienci.txt")));
    }

    void aWrongFileOfMegabytesOpensWithoutAPauseAndIsKeptWhole()
    {
        // A file with no line end for megabytes, and NUL bytes, as a binary
        // file put in the dictionary's place would be.
        const QByteArray huge = QByteArray(4000000, 'x') + "\tWorek\t2.00";
        const QByteArray nul("Ce\0ment\tW\0r\t3.00", 17);
        WriteAll(FileOf("materialy.txt"), "Beton\t\t1.00\r\n" + nul + "\r\n" + huge + "\r\n");
        QElapsedTimer t;
        t.start();
        MaterialWindow w(Env());
        Show(w);
        List(w)->viewport()->repaint();
        TypeSearch(w, "WOR");
        List(w)->viewport()->repaint();
        const qint64 ms = t.elapsed();
        QCOMPARE(List(w)->model()->rowCount(), 1);
        QVERIFY2(ms < 1500, qPrintable(QString("the window paused %1 ms").arg(ms)));

        // Only the screen is cut: deleting another row writes both odd rows back whole.
        ClearSearch(w);
        List(w)->selectRow(0);
        prompts.answers = {true};
        Tool(w, "TBdelete")->click();
        QCOMPARE(ReadAll(FileOf("materialy.txt")), nul + "\r\n" + huge + "\r\n");
    }

    void mainWindowCreatesTheThreeWindowsOnce()
    {
        QTemporaryDir work;
        QVERIFY(QDir(work.path()).mkpath("dane"));
        WriteAll(work.filePath("dane/opakowania.txt"), "Worek\t0.25\r\n");
        WriteAll(work.filePath("dane/klienci.txt"), "Nowak\r\nKowalski\r\n");
        ManualClock clock{QDateTime(QDate(2024, 5, 17), QTime(14, 3))};
        MainWindowOptions o;
        o.workDir = work.path();
        o.instanceLockPath = work.filePath("guard.lock");
        o.journalKeyDir = work.filePath("config");
        o.clock = &clock;
        o.prompts = &prompts;
        o.openScaleLink = false;
        MainWindow main(o);
        QVERIFY(main.Materials() && main.Packagings() && main.Customers());
        QCOMPARE(main.Materials()->parent(), &main);
        QCOMPARE(main.Customers()->model().rowCount(), 2);
        QCOMPARE(main.Packagings()->model().rowCount(), 1);
        QVERIFY(!main.Materials()->isVisible());

        // Adding a material opens the packaging window without its group.
        bool groupHidden = false;
        QTimer::singleShot(0, main.Packagings(), [&] {
            groupHidden = main.Packagings()->isVisible() && !main.Packagings()->ApplyToShown();
            Child<QPushButton>(*main.Packagings(), "BBok")->click();
        });
        prompts.inputAnswers = {QString("Piasek"), QString("3")};
        main.Materials()->AddClick();
        QVERIFY(groupHidden);
        QVERIFY(main.Packagings()->ApplyToShown());
        QCOMPARE(prompts.inputs.last(), QString::fromUtf8("Nowy materiał|Podaj cenę materiału [zł/kg]:|0.00"));
        QCOMPARE(ReadAll(work.filePath("dane/materialy.txt")), QByteArray("Piasek\tWorek\t3.00\r\n"));
        QCOMPARE(main.Materials()->model().index(0, 1).data().toString(), QString("Worek"));
        QCOMPARE(main.Materials()->model().index(0, 2).data().toString(), QString("3.00"));
    }

    void tenThousandLines()
    {
        QByteArray file;
        for (int i = 0; i < 10000; ++i)
            file += "Material " + QByteArray::number(i * 7919 % 10000) + "\tWorek " + QByteArray::number(i % 50) +
                    "\t" + QByteArray::number(i % 997) + ".50\r\n";
        WriteAll(FileOf("materialy.txt"), file);
        QElapsedTimer t;
        t.start();
        MaterialWindow w(Env());
        Show(w);
        const qint64 openMs = t.elapsed();
        QCOMPARE(List(w)->model()->rowCount(), 10000);

        QLineEdit *e = Child<QLineEdit>(w, "Esearch");
        e->setFocus();
        QTest::keyClicks(e, "MATERIAL 12");
        t.restart();
        QTest::keyClick(e, '3');
        QCoreApplication::processEvents();
        const qint64 narrowMs = t.elapsed();
        QCOMPARE(List(w)->model()->rowCount(), 11); // 123 and 1230..1239
        qInfo("10,000 materials: window created and shown in %lld ms, one search key in %lld ms", openMs, narrowMs);
        QVERIFY2(narrowMs < 200, "a search key must not pause visibly");
    }
};

QTEST_MAIN(TestDictionaryWindows)
#include "tst_dictionary_windows.moc"
