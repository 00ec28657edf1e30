// The window "Ustawienia dodatkowe": what it shows at every opening, its
// totals and checks, the folder button, and what the main window does with
// its OK (and its "Anuluj").

#include "../../app/ui/main_window_test_options.h"
#include "app/ui/main_window.h"
#include "core/program_config.h"
#include "dictionaries/advanced_settings.h"
#include "dictionaries/operator_file.h"
#include "dictionaries/ui/advanced_settings_window.h"
#include "scale/ui/gauge_widget.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/measurement_model.h"
#include "tables/ui/measurement_view.h"
#include "tables/ui/table_pages.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>
#include <functional>
#include <memory>

namespace {

const QString kNotInteger = QString::fromUtf8("Masa maksymalna musi być liczbą całkowitą.");
const QString kNotPositive = QString::fromUtf8("Masa maksymalna musi być większa od zera.");
const QString kEmptyFolder = QString::fromUtf8("Katalog archiwum nie może być pusty.");

template <typename T>
T *Find(QWidget &w, const QString &name)
{
    T *c = w.findChild<T *>(name);
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}

// Each check box and the switch it shows.
struct Switch {
    const char *box;
    bool ProgramConfig::*setting;
};
const Switch kSwitches[] = {
    {"CBpelny_ekran", &ProgramConfig::fullScreen},
    {"CBzegar_domyslny", &ProgramConfig::dialDefaultView},
    {"CBskala_procentowa", &ProgramConfig::dialPercent},
    {"CBpoj_pomiar", &ProgramConfig::singleOnLabel},
    {"CBuproszczone_zaznaczanie", &ProgramConfig::simplifiedMarking},
    {"CBblokuj_mase", &ProgramConfig::lockMassEdit},
    {"CBblokuj_cene", &ProgramConfig::lockPriceEdit},
    {"CBblokuj_usuwanie", &ProgramConfig::lockDelete},
    {"CBnawiasy", &ProgramConfig::netInBrackets},
    {"CBauto_usuwanie", &ProgramConfig::autoDelete},
    {"CBauto_numeracja", &ProgramConfig::autoNumbering},
    {"CBtara_z_opakowania", &ProgramConfig::tareFromPackaging},
};

// The stems of the width fields, in Column order.
const char *const kStems[ColumnCount] = {"num", "czas", "masa_brutto", "masa_netto", "tara", "cena",
                                         "wartosc", "wz", "mat", "opakowanie", "oper", "cli"};

QSpinBox *Width(QWidget &w, const char *group, Column c)
{
    return Find<QSpinBox>(w, QStringLiteral("SE%1_%2").arg(group, kStems[c]));
}

QString Total(QWidget &w, const char *group)
{
    return Find<QLabel>(w, QStringLiteral("L%1_suma").arg(group))->text();
}

const QByteArray kRow = "1\t2024-05-17 14:03\t100.00\t90.00\t10.00\t2.00\t180.00\t\t\t\tADMINISTRATOR\t";

}  // namespace

class TestAdvancedSettingsWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;

    QString Dane(const QString &name) const { return dir_.filePath("dane/" + name); }

    std::unique_ptr<MainWindow> Shown(const QByteArray &login = "ADMINISTRATOR")
    {
        MainWindowOptions o = TestOptions(dir_, &prompts_);
        o.openScaleLink = false;
        o.loginAs = login;
        auto w = std::make_unique<MainWindow>(o);
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            return nullptr;
        return w;
    }

    // Clicks "    Ustawienia dodatkowe..." and runs `inside` while the window is open.
    static void OpenSettings(MainWindow &w, const std::function<void(AdvancedSettingsWindow &)> &inside)
    {
        AdvancedSettingsWindow *window = w.AdvancedWindow();
        bool ran = false;
        QTimer::singleShot(0, window, [&] {
            ran = true;
            QVERIFY(window->isVisible());
            inside(*window);
            // A test that forgot to close it must not hang.
            if (window->isVisible())
                window->reject();
        });
        Find<QPushButton>(w, "BBparams_adv")->click();
        QVERIFY(ran);
    }

    static void Ok(QWidget &w) { Find<QPushButton>(w, "BBok")->click(); }

private slots:
    void init()
    {
        QDir(dir_.path()).mkpath("dane");
        for (const char *f : {"konfig.ini", "operatorzy.txt", "pomiary1.txt", "pomiary2.txt"})
            QFile::remove(Dane(f));
        prompts_ = ScriptedPrompts();
    }

    // ---- The window alone ----

    void opensOnTheFirstPageEvenIfClosedOnTheSecond()
    {
        ProgramConfig c;
        AdvancedSettingsWindow w(c, prompts_);
        QCOMPARE(w.objectName(), QString("TFparams_adv"));
        QCOMPARE(w.windowTitle(), QString("Ustawienia dodatkowe"));
        auto *pages = Find<QTabWidget>(w, "PCparams_adv");
        QCOMPARE(pages->tabText(0), QString::fromUtf8("Ustawienia ogólne"));
        QCOMPARE(pages->tabText(1), QString("Rozmiar i ukrywanie kolumn"));

        QTimer::singleShot(0, &w, [&] {
            pages->setCurrentIndex(1);
            Find<QPushButton>(w, "BBok")->click();
        });
        QVERIFY(w.Edit());
        QCOMPARE(pages->currentIndex(), 1);
        int shownFirst = -1;
        QTimer::singleShot(0, &w, [&] {
            shownFirst = pages->currentIndex();
            Find<QPushButton>(w, "BBcancel")->click();
        });
        QVERIFY(!w.Edit());
        QCOMPARE(shownFirst, 0);
        // A dialog of fixed size.
        QCOMPARE(w.minimumSize(), w.maximumSize());
    }

    void everySwitchHasItsOwnBox()
    {
        // One switch turned from its default at a time: only its box follows,
        // and OK gives back exactly the settings shown.
        for (const Switch &flipped : kSwitches) {
            ProgramConfig c;
            c.*flipped.setting = !(c.*flipped.setting);
            AdvancedSettingsWindow w(c, prompts_);
            w.FormActivate();
            for (const Switch &s : kSwitches)
                QVERIFY2(Find<QCheckBox>(w, s.box)->isChecked() == c.*s.setting, s.box);
            ProgramConfig taken;
            StoreAdvancedSettings(w.Settings(), taken);
            taken.archiveDir = c.archiveDir;
            QVERIFY2(SerializeConfig(taken) == SerializeConfig(c), flipped.box);
        }
    }

    void everyOtherControlIsPresetFromTheSettings()
    {
        ProgramConfig c;
        c.tableFontSize = 16;
        c.tableFontName = "Arial Narrow";
        c.maxMass = 3000;
        c.archiveDir = "C:\\wagi\\archiwum\\";
        c.excelVersion = 1;
        for (int i = 0; i < ColumnCount; ++i) {
            c.screenWidths[i] = 10 + i;
            c.printWidths[i] = 30 + i;
        }
        for (Column col : kLabelColumns)
            c.labelWidths[col] = 60 + col;
        AdvancedSettingsWindow w(c, prompts_);
        w.FormActivate();
        auto *size = Find<QComboBox>(w, "CBrozmiar_czcionki");
        auto *name = Find<QComboBox>(w, "CBnazwa_czcionki");
        QCOMPARE(size->count(), 6);
        QCOMPARE(size->currentText(), QString("16"));
        QCOMPARE(name->currentText(), QString("Arial Narrow"));
        QCOMPARE(Find<QLineEdit>(w, "Emasa_max")->text(), QString("3000"));
        QCOMPARE(Find<QLineEdit>(w, "Emasa_max")->maxLength(), 5);
        QCOMPARE(Find<QLineEdit>(w, "Ekatalog_archiwum")->text(), QString("C:\\wagi\\archiwum\\"));
        QCOMPARE(Find<QLineEdit>(w, "Ekatalog_archiwum")->maxLength(), 200);
        QCOMPARE(Find<QComboBox>(w, "CBwersja_excel")->currentText(), QString("Excel 2007 i nowsze (pliki: xlsx)"));
        for (int i = 0; i < ColumnCount; ++i) {
            const Column col = Column(i);
            QCOMPARE(Width(w, "kol", col)->value(), 10 + i);
            QCOMPARE(Width(w, "druk", col)->value(), 30 + i);
            QCOMPARE(Width(w, "kol", col)->maximum(), 500);
        }
        for (Column col : kLabelColumns)
            QCOMPARE(Width(w, "et", col)->value(), 60 + int(col));
        for (Column col : {ColNr, ColTime, ColOperator, ColCustomer})
            QVERIFY(!w.findChild<QSpinBox *>(QStringLiteral("SEet_%1").arg(kStems[col])));

        // A font the lists do not hold leaves the entry shown before.
        c.tableFontSize = 11;
        c.tableFontName = "arial";
        size->setCurrentIndex(0);
        w.FormActivate();
        QCOMPARE(size->currentText(), QString("8"));
        QCOMPARE(name->currentText(), QString("Arial Narrow"));
        // What is typed over is taken back at the next opening.
        Find<QLineEdit>(w, "Emasa_max")->setText("7");
        Width(w, "druk", ColTime)->setValue(1);
        w.FormActivate();
        QCOMPARE(Find<QLineEdit>(w, "Emasa_max")->text(), QString("3000"));
        QCOMPARE(Width(w, "druk", ColTime)->value(), 31);
    }

    void captionsStandLeftOfTheirBoxesAndEveryControlIsNamed()
    {
        ProgramConfig c;
        AdvancedSettingsWindow w(c, prompts_);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *box = Find<QCheckBox>(w, "CBpoj_pomiar");
        auto *caption = Find<QLabel>(w, "Lpoj_pomiar");
        QCOMPARE(caption->text(), QString("Etykieta zawiera pojedynczy pomiar:"));
        QVERIFY(caption->mapTo(&w, QPoint()).x() < box->mapTo(&w, QPoint()).x());
        // The caption toggles its box too.
        QTest::mouseClick(caption, Qt::LeftButton);
        QVERIFY(box->isChecked());
        // The boxes of a group stand in one column.
        QCOMPARE(Find<QCheckBox>(w, "CBnawiasy")->mapTo(&w, QPoint()).x(),
                 Find<QCheckBox>(w, "CBtara_z_opakowania")->mapTo(&w, QPoint()).x());
        // A control without text of its own carries a name for screen readers.
        for (QWidget *control : w.findChildren<QWidget *>()) {
            const QString n = control->objectName();
            auto *button = qobject_cast<QPushButton *>(control);
            if (button && button->text() != "...")
                continue;
            if (n.startsWith("CB") || n.startsWith("SE") || n.startsWith("BB") || n.startsWith('E'))
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(n));
        }
    }

    void totalsFollowEverySpinField()
    {
        ProgramConfig c;
        AdvancedSettingsWindow w(c, prompts_);
        w.SetTableMeasure([] { return AdvancedSettingsWindow::TableMeasure{22, 843}; });
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(Total(w, "kol"), QString("1162"));
        QCOMPARE(Total(w, "druk"), QString("108"));
        QCOMPARE(Total(w, "et"), QString("75"));
        QCOMPARE(Find<QLabel>(w, "Lkol_info")->text(), QString::fromUtf8("(*) Szerokość tabeli: 843 punktów"));
        QCOMPARE(Find<QLabel>(w, "Ldruk_info")->text(),
                 QString::fromUtf8("(*) Szerokość kartki A4: 113 zn. (pionowo) lub 162 zn. (poziomo)"));
        QCOMPARE(Find<QLabel>(w, "Let_info")->text(),
                 QString::fromUtf8("(*) Szerokość kartki A4: 83 zn. (pionowo) lub 123 zn. (poziomo)"));

        // Typed: the total changes with the keystroke, not when the field is left.
        Find<QTabWidget>(w, "PCparams_adv")->setCurrentIndex(1);
        QSpinBox *price = Width(w, "kol", ColPrice);
        price->setFocus();
        price->selectAll();
        QTest::keyClick(price, Qt::Key_Delete);
        QTest::keyClicks(price, "5");
        QCOMPARE(Total(w, "kol"), QString("1097"));
        // Each group counts its own fields only.
        Width(w, "druk", ColCustomer)->setValue(115);
        QCOMPARE(Total(w, "druk"), QString("208"));
        QCOMPARE(Total(w, "kol"), QString("1097"));
        Width(w, "et", ColTare)->setValue(0);
        QCOMPARE(Total(w, "et"), QString("68"));
        QCOMPARE(Total(w, "druk"), QString("208"));
        for (int i = 0; i < ColumnCount; ++i)
            Width(w, "kol", Column(i))->setValue(0);
        QCOMPARE(Total(w, "kol"), QString("22"));
        // Not limited to a sheet.
        for (int i = 0; i < ColumnCount; ++i)
            Width(w, "druk", Column(i))->setValue(500);
        QCOMPARE(Total(w, "druk"), QString("6000"));
        // Reopened: from the settings again.
        w.hide();
        w.show();
        QCOMPARE(Total(w, "kol"), QString("1162"));
    }

    void columnFieldsStandAsTheyArePrinted()
    {
        ProgramConfig c;
        AdvancedSettingsWindow w(c, prompts_);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Find<QTabWidget>(w, "PCparams_adv")->setCurrentIndex(1);
        auto at = [&](QWidget *x) { return x->mapTo(&w, QPoint()); };
        // One field under the other, in the order given.
        auto column = [&](const char *group, const QList<Column> &cols) {
            for (int i = 1; i < cols.size(); ++i) {
                QCOMPARE(at(Width(w, group, cols[i])).x(), at(Width(w, group, cols[0])).x());
                QVERIFY(at(Width(w, group, cols[i])).y() > at(Width(w, group, cols[i - 1])).y());
            }
        };
        for (const char *group : {"kol", "druk"}) {
            column(group, {ColNr, ColTime, ColGross, ColNet, ColTare, ColPrice});
            column(group, {ColValue, ColOrder, ColMaterial, ColPackaging, ColOperator, ColCustomer});
            QVERIFY(at(Width(w, group, ColValue)).x() > at(Width(w, group, ColNr)).x());
            QCOMPARE(at(Width(w, group, ColValue)).y(), at(Width(w, group, ColNr)).y());
            QLabel *total = Find<QLabel>(w, QStringLiteral("L%1_suma").arg(group));
            QCOMPARE(at(total).x(), at(Width(w, group, ColValue)).x());
            QVERIFY(at(total).y() > at(Width(w, group, ColCustomer)).y());
        }
        column("et", {ColMaterial, ColPackaging, ColOrder, ColGross, ColNet});
        column("et", {ColTare, ColPrice, ColValue});
        QCOMPARE(at(Width(w, "et", ColTare)).y(), at(Width(w, "et", ColMaterial)).y());
        QLabel *total = Find<QLabel>(w, "Let_suma");
        QCOMPARE(at(total).x(), at(Width(w, "et", ColTare)).x());
        QVERIFY(at(total).y() > at(Width(w, "et", ColValue)).y());
    }

    void maximumMassIsCheckedWhenLeft()
    {
        ProgramConfig c;
        AdvancedSettingsWindow w(c, prompts_);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *mass = Find<QLineEdit>(w, "Emasa_max");
        auto *folder = Find<QLineEdit>(w, "Ekatalog_archiwum");
        mass->setFocus();
        mass->setText("12a");
        QTest::keyClick(mass, Qt::Key_Tab);
        QCOMPARE(prompts_.MessageTexts(), QStringList{kNotInteger});
        QCOMPARE(prompts_.messages[0].icon, UserPrompts::Icon::Error);
        QCOMPARE(QApplication::focusWidget(), mass);
        // Our own rule: the dial divides by it.
        mass->setText("0");
        QTest::keyClick(mass, Qt::Key_Tab);
        QCOMPARE(prompts_.MessageTexts(), (QStringList{kNotInteger, kNotPositive}));
        QCOMPARE(QApplication::focusWidget(), mass);
        mass->setText("250");
        QTest::keyClick(mass, Qt::Key_Tab);
        QCOMPARE(prompts_.messages.size(), 2);
        QVERIFY(QApplication::focusWidget() != mass);

        // Leaving the archive folder checks the maximum mass as well.
        mass->setText("x");
        folder->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), folder);
        QTest::keyClick(folder, Qt::Key_Tab);
        QCOMPARE(prompts_.MessageTexts().last(), kNotInteger);
        QCOMPARE(prompts_.messages.size(), 3);
        QCOMPARE(QApplication::focusWidget(), mass);

        // OK clicked straight from the field says it once and stays open.
        QTest::mouseClick(Find<QPushButton>(w, "BBok"), Qt::LeftButton);
        QCOMPARE(prompts_.messages.size(), 4);
        QCOMPARE(prompts_.MessageTexts().last(), kNotInteger);
        QVERIFY(w.isVisible());
        QCOMPARE(QApplication::focusWidget(), mass);

        // "Anuluj" closes whatever the field holds.
        QTest::mouseClick(Find<QPushButton>(w, "BBcancel"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(prompts_.messages.size(), 4);
        QCOMPARE(w.result(), int(QDialog::Rejected));
    }

    // Whatever control or page takes the focus from the field, the check
    // runs, and a refusal brings back the first page with the focus in it.
    void maximumMassIsCheckedWhateverTakesTheFocus_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : {"tab clicked", "Ctrl+Tab", "Ctrl+Shift+Tab", "another window", "OK reached by Tab"})
            QTest::newRow(how) << QString(how);
    }

    void maximumMassIsCheckedWhateverTakesTheFocus()
    {
        QFETCH(QString, how);
        ProgramConfig c;
        AdvancedSettingsWindow w(c, prompts_);
        bool accepted = false;
        connect(&w, &QDialog::accepted, this, [&] { accepted = true; });
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *pages = Find<QTabWidget>(w, "PCparams_adv");
        auto *mass = Find<QLineEdit>(w, "Emasa_max");
        mass->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), mass);
        mass->setText("abc");
        QWidget other;
        if (how == "tab clicked") {
            QTabBar *bar = pages->tabBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        } else if (how == "Ctrl+Tab") {
            QTest::keyClick(mass, Qt::Key_Tab, Qt::ControlModifier);
        } else if (how == "Ctrl+Shift+Tab") {
            QTest::keyClick(mass, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        } else if (how == "another window") {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        } else {
            // Tab from the field straight on to "OK".
            QWidget::setTabOrder(mass, Find<QPushButton>(w, "BBok"));
            QTest::keyClick(mass, Qt::Key_Tab);
        }
        if (how == "another window") {
            // Another program or window taking the focus is no leaving of the
            // field: no message over whatever the user went to.
            QTest::qWait(50);
            QVERIFY(prompts_.messages.isEmpty());
            return;
        }
        QTRY_COMPARE(prompts_.MessageTexts(), QStringList{kNotInteger});
        QCOMPARE(prompts_.messages[0].icon, UserPrompts::Icon::Error);
        QTRY_COMPARE(pages->currentIndex(), 0);
        QTRY_COMPARE(w.focusWidget(), mass);
        // Said once, and the window stays open.
        QTest::qWait(20);
        QCOMPARE(prompts_.messages.size(), 1);
        QVERIFY(w.isVisible() && !accepted);
    }

    void okRefusesWhatWasNeverLeft()
    {
        ProgramConfig c;
        AdvancedSettingsWindow w(c, prompts_);
        bool accepted = false;
        connect(&w, &QDialog::accepted, this, [&] { accepted = true; });
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *pages = Find<QTabWidget>(w, "PCparams_adv");
        auto *mass = Find<QLineEdit>(w, "Emasa_max");
        auto *folder = Find<QLineEdit>(w, "Ekatalog_archiwum");
        // Typed over without leaving; OK pressed from the other page.
        mass->setText("1.5");
        pages->setCurrentIndex(1);
        w.BBokClick();
        QCOMPARE(prompts_.MessageTexts(), QStringList{kNotInteger});
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(QApplication::focusWidget(), mass);
        mass->setText("-20");
        w.BBokClick();
        QCOMPARE(prompts_.MessageTexts().last(), kNotPositive);
        QVERIFY(w.isVisible());

        // Our own rule: an archive folder must be named.
        mass->setText("60");
        folder->clear();
        w.BBokClick();
        QCOMPARE(prompts_.MessageTexts().last(), kEmptyFolder);
        QCOMPARE(prompts_.messages.size(), 3);
        QCOMPARE(QApplication::focusWidget(), folder);
        QVERIFY(w.isVisible() && !accepted);

        folder->setText("dane2");
        w.BBokClick();
        QVERIFY(accepted);
        QCOMPARE(prompts_.messages.size(), 3);
        const AdvancedSettings s = w.Settings();
        QCOMPARE(s.maxMass, QString("60"));
        // The window gives the folder as typed; OK in the main window adds the separator.
        QCOMPARE(s.archiveDir, QByteArray("dane2"));
    }

    void folderButtonAsksThroughItsSeam()
    {
        ProgramConfig c;
        c.archiveDir = "archiwum\\";
        AdvancedSettingsWindow w(c, prompts_);
        QStringList asked;
        std::deque<std::optional<QString>> answers{QString("/srv/wagi/archiwum/"), std::nullopt,
                                                   QString::fromUtf8("/home/日本"), QString("/")};
        w.SetFolderChooser([&](const QString &title, const QString &start) {
            asked << title + "|" + start;
            std::optional<QString> a = answers.front();
            answers.pop_front();
            return a;
        });
        w.FormActivate();
        auto *folder = Find<QLineEdit>(w, "Ekatalog_archiwum");
        auto *button = Find<QPushButton>(w, "BBkatalog_archiwum");
        QCOMPARE(button->text(), QString("..."));
        button->click();
        QCOMPARE(asked, QStringList{QString::fromUtf8("Wskaż katalog archiwum|")});
        QCOMPARE(folder->text(), QString("/srv/wagi/archiwum"));
        // Cancelled: the text stays.
        button->click();
        QCOMPARE(folder->text(), QString("/srv/wagi/archiwum"));
        // A name the settings cannot hold is refused, not mangled.
        button->click();
        QCOMPARE(prompts_.MessageTexts(),
                 QStringList{QString::fromUtf8(
                     "Nazwa wskazanego katalogu zawiera znaki, których nie można zapisać w ustawieniach.")});
        QCOMPARE(folder->text(), QString("/srv/wagi/archiwum"));
        QCOMPARE(w.Settings().archiveDir, QByteArray("/srv/wagi/archiwum"));
        button->click();
        QCOMPARE(folder->text(), QString("/"));
        QCOMPARE(asked.size(), 4);
    }

    // ---- With the main window ----

    void okAppliesEverythingAndTheValuesReachKonfigAtClose()
    {
        {
            auto w = Shown();
            QVERIFY(w);
            QVERIFY(!w->AutoAdding().NoUpdate());
            w->Scale().DecodeLine("1200.00");
            QVERIFY(ShownWeight(*w) != QString("1200.00"));  // beyond 500: overload
            OpenSettings(*w, [](AdvancedSettingsWindow &d) {
                Find<QComboBox>(d, "CBrozmiar_czcionki")->setCurrentIndex(3);
                Find<QComboBox>(d, "CBnazwa_czcionki")->setCurrentIndex(1);
                for (const Switch &s : kSwitches)
                    if (QByteArray(s.box) != "CBpoj_pomiar")
                        Find<QCheckBox>(d, s.box)->toggle();
                Find<QLineEdit>(d, "Emasa_max")->setText("1500");
                Find<QLineEdit>(d, "Ekatalog_archiwum")->setText("/srv/arch");
                Find<QComboBox>(d, "CBwersja_excel")->setCurrentIndex(1);
                Width(d, "kol", ColPackaging)->setValue(130);
                Width(d, "druk", ColTime)->setValue(20);
                Width(d, "et", ColTare)->setValue(9);
                Ok(d);
            });
            QVERIFY(!w->AdvancedWindow()->isVisible());
            QVERIFY(prompts_.messages.isEmpty());
            const ProgramConfig &c = w->Config();
            QCOMPARE(c.tableFontSize, 14);
            QCOMPARE(c.tableFontName, QByteArray("Arial Narrow"));
            const ProgramConfig defaults;
            for (const Switch &s : kSwitches)
                if (QByteArray(s.box) != "CBpoj_pomiar")
                    QVERIFY2(c.*s.setting != defaults.*s.setting, s.box);
            QCOMPARE(c.maxMass, 1500);
            QCOMPARE(c.archiveDir, QByteArray("/srv/arch/"));
            QCOMPARE(c.excelVersion, 1);
            QCOMPARE(c.screenWidths[ColPackaging], 130);

            // On the screen at once: the font of the five lists, the columns,
            // the tare controls, the new maximum in the decoder, automatic adding afresh.
            for (int n = 1; n <= 5; ++n) {
                MeasurementView *list = w->Pages()->View(n);
                QCOMPARE(list->font().family(), QString("Arial Narrow"));
                QCOMPARE(list->font().pointSize(), 14);
                QCOMPARE(list->columnWidth(MeasurementModel::ColumnOfField(ColPackaging)), 130);
            }
            QVERIFY(Find<QLabel>(*w, "Ltarefrombox")->isVisible());
            QVERIFY(!Find<QPushButton>(*w, "BBset_tare")->isVisible());
            w->Scale().DecodeLine("1200.00");
            QCOMPARE(ShownWeight(*w), QString("1200.00"));
            QVERIFY(w->AutoAdding().NoUpdate());
            // Nothing is written before the program ends.
            QVERIFY(!QFile::exists(Dane("konfig.ini")));
            w->close();
        }
        const QByteArray konfig = ReadAll(Dane("konfig.ini"));
        for (const char *line :
             {"Rozmiar_czcionki_tabeli=14", "Nazwa_czcionki_tabeli=Arial Narrow", "Masa_maksymalna=1500",
              "Katalog_archiwum=/srv/arch/", "Wersja_excel=1", "Szerokosc_kolumny_opakowanie=130",
              "Szerokosc_druk_kolumny_czas=20", "Szerokosc_et_druk_kolumny_tara=9", "Tryb_pelnoekranowy=1",
              "Zegar_widokiem_domyslnym=1", "Zegar_skala_procentowa=0", "Poj_pomiar_na_etykiecie=0",
              "Uproszczone_zaznacz_pomiarow=0", "Zablokuj_edycje_masy=1", "Zablokuj_edycje_ceny=1",
              "Zablokuj_usuwanie_pomiarow=1", "Masa_otoczona_nawiasami=1", "Auto_usuwanie=1",
              "Auto_numerowanie_pomiarow=0", "Tara_z_opakowania=1"})
            QVERIFY2(konfig.contains("\r\n" + QByteArray(line) + "\r\n"), line);
    }

    void archiveFolderGetsItsFinalSeparator_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("relative") << "archiwum2" << QByteArray("archiwum2/");
        QTest::newRow("absolute") << "/srv/arch" << QByteArray("/srv/arch/");
        QTest::newRow("ends in /") << "/srv/arch/" << QByteArray("/srv/arch/");
        QTest::newRow("backslashes") << "D:\\wagi\\arch" << QByteArray("D:\\wagi\\arch\\");
        QTest::newRow("ends in \\") << "archiwum\\" << QByteArray("archiwum\\");
    }

    void archiveFolderGetsItsFinalSeparator()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, stored);
        auto w = Shown();
        QVERIFY(w);
        OpenSettings(*w, [&](AdvancedSettingsWindow &d) {
            Find<QLineEdit>(d, "Ekatalog_archiwum")->setText(typed);
            Ok(d);
        });
        QCOMPARE(w->Config().archiveDir, stored);
        // The archive buttons work with it the program's way.
        QVERIFY(w->Pages()->ArchiveDir().endsWith('/'));
        QVERIFY(!w->Pages()->ArchiveDir().contains('\\'));
    }

    void singleWeighingLabelsClearEveryMark_data()
    {
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("after");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("switched on") << false << true << true;
        QTest::newRow("left off") << false << false << false;
        QTest::newRow("left on") << true << true << false;
        QTest::newRow("switched off") << true << false << false;
    }

    void singleWeighingLabelsClearEveryMark()
    {
        QFETCH(bool, before);
        QFETCH(bool, after);
        QFETCH(bool, cleared);
        WriteAll(Dane("konfig.ini"), QByteArray("Poj_pomiar_na_etykiecie=") + (before ? "1" : "0") + "\r\n");
        auto w = Shown();
        QVERIFY(w);
        for (int n = 1; n <= 5; ++n) {
            MeasurementTable &t = w->Tables().Table(n);
            t.AddLine(kRow);
            t.AddLine(kRow);
            t.SetMark(n == 1 ? 1 : 0, true);
        }
        w->Pages()->RefreshTotals();
        auto *count = Find<QLabel>(*w, "Ldisp_etyk_num");
        QCOMPARE(count->text(), QString("1"));
        OpenSettings(*w, [&](AdvancedSettingsWindow &d) {
            Find<QCheckBox>(d, "CBpoj_pomiar")->setChecked(after);
            Ok(d);
        });
        QCOMPARE(w->Config().singleOnLabel, after);
        for (int n = 1; n <= 5; ++n)
            QCOMPARE(w->Tables().Table(n).MarkedCount(), cleared ? 0 : 1);
        // The totals follow.
        QCOMPARE(count->text(), QString(cleared ? "0" : "1"));
    }

    void priceWidthHidesThePriceButtonAtOnce()
    {
        auto w = Shown();
        QVERIFY(w);
        auto *price = Find<QPushButton>(*w, "BBprice");
        QCOMPARE(price->text(), QString("&Cena"));
        QVERIFY(price->isVisible());
        const int column = MeasurementModel::ColumnOfField(ColPrice);
        OpenSettings(*w, [](AdvancedSettingsWindow &d) {
            Width(d, "kol", ColPrice)->setValue(0);
            Ok(d);
        });
        QVERIFY(!price->isVisible());
        QVERIFY(w->Pages()->View(1)->isColumnHidden(column));
        OpenSettings(*w, [](AdvancedSettingsWindow &d) {
            QCOMPARE(Width(d, "kol", ColPrice)->value(), 0);
            Width(d, "kol", ColPrice)->setValue(70);
            Ok(d);
        });
        QVERIFY(price->isVisible());
        QVERIFY(!w->Pages()->View(1)->isColumnHidden(column));
        QCOMPARE(w->Pages()->View(1)->columnWidth(column), 70);
    }

    void cancelLeavesEverySettingAsItWas()
    {
        auto w = Shown();
        QVERIFY(w);
        const QByteArray before = SerializeConfig(w->Config());
        OpenSettings(*w, [](AdvancedSettingsWindow &d) {
            Find<QComboBox>(d, "CBrozmiar_czcionki")->setCurrentIndex(5);
            for (const Switch &s : kSwitches)
                Find<QCheckBox>(d, s.box)->toggle();
            Find<QLineEdit>(d, "Emasa_max")->setText("99");
            Find<QLineEdit>(d, "Ekatalog_archiwum")->setText("/tmp/inny");
            for (int i = 0; i < ColumnCount; ++i)
                Width(d, "kol", Column(i))->setValue(0);
            Find<QPushButton>(d, "BBcancel")->click();
        });
        QCOMPARE(SerializeConfig(w->Config()), before);
        QVERIFY(Find<QPushButton>(*w, "BBprice")->isVisible());
        // The next opening shows the settings, not what was typed.
        OpenSettings(*w, [](AdvancedSettingsWindow &d) {
            QCOMPARE(Find<QComboBox>(d, "CBrozmiar_czcionki")->currentText(), QString("10"));
            QCOMPARE(Find<QLineEdit>(d, "Emasa_max")->text(), QString("500"));
            QCOMPARE(Find<QLineEdit>(d, "Ekatalog_archiwum")->text(), QString("archiwum\\"));
            QCOMPARE(Width(d, "kol", ColTime)->value(), 100);
            QVERIFY(!Find<QCheckBox>(d, "CBtara_z_opakowania")->isChecked());
            Find<QPushButton>(d, "BBcancel")->click();
        });
    }

    void screenTotalMeasuresTheListOfTheFirstTable()
    {
        auto w = Shown();
        QVERIFY(w);
        w->resize(1100, 600);
        QTRY_COMPARE(w->width(), 1100);
        MeasurementView *list = w->Pages()->View(1);
        const int check = list->columnWidth(MeasurementModel::kCheckColumn);
        QVERIFY(check > 0);
        OpenSettings(*w, [&](AdvancedSettingsWindow &d) {
            QCOMPARE(Find<QLabel>(d, "Lkol_info")->text(), TableWidthLine(list->width()));
            QCOMPARE(Total(d, "kol"), QString::number(check + 1140));
            for (int i = 0; i < ColumnCount; ++i)
                Width(d, "kol", Column(i))->setValue(0);
            QCOMPARE(Total(d, "kol"), QString::number(check));
            Find<QPushButton>(d, "BBcancel")->click();
        });
    }

    void listsGoBackToTheirTops()
    {
        auto w = Shown();
        QVERIFY(w);
        MeasurementTable &t = w->Tables().Table(1);
        for (int i = 0; i < 300; ++i)
            t.AddLine(kRow);
        MeasurementView *list = w->Pages()->View(1);
        QScrollBar *bar = list->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        OpenSettings(*w, [](AdvancedSettingsWindow &d) { Ok(d); });
        QCOMPARE(bar->value(), 0);
        QVERIFY(list->isVisible());
    }

    void theDialStartsOverAfterOk()
    {
        auto w = Shown();
        QVERIFY(w);
        w->Scale().DecodeLine("250.00");
        QTRY_VERIFY(w->Gauge()->GaugeValue() > 0);
        OpenSettings(*w, [](AdvancedSettingsWindow &d) { Find<QPushButton>(d, "BBcancel")->click(); });
        QVERIFY(w->Gauge()->GaugeValue() > 0);
        OpenSettings(*w, [](AdvancedSettingsWindow &d) {
            Find<QLineEdit>(d, "Emasa_max")->setText("1000");
            Ok(d);
        });
        QCOMPARE(w->Gauge()->GaugeValue(), -1.0);
    }

    void onlyAnAdministratorReachesTheWindow()
    {
        WriteAll(Dane("operatorzy.txt"), SerializeOperators({{"ADMINISTRATOR", "957"}, {"Nowak", "n"}}));
        {
            auto w = Shown("Nowak");
            QVERIFY(w);
            auto *button = Find<QPushButton>(*w, "BBparams_adv");
            QCOMPARE(button->text(), QString("    Ustawienia dodatkowe..."));
            QVERIFY(!button->isEnabled());
            button->click();
            QVERIFY(!w->AdvancedWindow()->isVisible());
        }
        auto w = Shown();
        QVERIFY(w);
        QVERIFY(Find<QPushButton>(*w, "BBparams_adv")->isEnabled());
    }
};

QTEST_MAIN(TestAdvancedSettingsWindow)
#include "tst_advanced_settings_window.moc"
