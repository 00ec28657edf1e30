// The main window's layout: places by width, the settings that show and
// hide controls and columns, the table font, and rows that read whole.

#include "app/ui/main_window.h"
#include "core/cp1250.h"
#include "main_window_test_options.h"
#include "output/main_layout.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/measurement_model.h"
#include "tables/ui/measurement_view.h"
#include "tables/ui/table_pages.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <memory>

namespace {

struct Place {
    const char *name;
    int left, width;
};

// A row as the operator sees it most days: the numbers as long as they get.
const QByteArray kTypicalRow = "12345\t2024-05-17 14:03\t-1234.56\t(1234.56)\t1234.56\t12.50\t123456.78\t"
                               "ZAM/2024/0517\tPiasek płukany\tBig-bag 1 t\tADMINISTRATOR\tKowalski Sp. j.";

}  // namespace

class TestMainWindowLayout : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;

    QString Dane(const QString &name) const { return dir_.filePath("dane/" + name); }

    std::unique_ptr<MainWindow> Shown()
    {
        MainWindowOptions o = TestOptions(dir_, &prompts_);
        o.openScaleLink = false;
        auto w = std::make_unique<MainWindow>(o);
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            return nullptr;
        return w;
    }

    static QRect Geometry(const MainWindow &w, const char *name)
    {
        return w.findChild<QWidget *>(QString::fromLatin1(name))->geometry();
    }

    static QList<MeasurementView *> Views(const MainWindow &w)
    {
        QList<MeasurementView *> views;
        for (int n = 1; n <= 5; ++n)
            views << w.Pages()->View(n);
        return views;
    }

private slots:
    void init()
    {
        QDir(dir_.path()).mkpath("dane");
        QFile::remove(Dane("konfig.ini"));
        QFile::remove(Dane("pomiary1.txt"));
        prompts_ = ScriptedPrompts();
    }

    // W is width(): the area the controls are placed in, which the minimum
    // size binds. The frame does not count (offscreen Qt draws one of 2 px a
    // side, so at width() 920 frameGeometry() is 924 and d must still be 0).
    void placesFollowTheWidth()
    {
        auto w = Shown();
        QVERIFY(w);
        struct Case {
            int width, topCenter;
            std::array<Place, 9> buttons;
            int statusWide;
        };
        const Case cases[] = {
            {920, 59,
             {{{"BBusun", 24, 137}, {"BBmasa", 182, 52}, {"BBtara", 246, 52}, {"BBprice", 310, 52},
               {"BBwz", 376, 81}, {"BBmaterial", 470, 89}, {"BBbox", 574, 89}, {"BBwytop", 675, 89},
               {"BBklient", 776, 113}}},
             190},
            // d = 4: a fifth of it is 0, a half 2, a third 1.
            {924, 61,
             {{{"BBusun", 24, 137}, {"BBmasa", 182, 52}, {"BBtara", 246, 52}, {"BBprice", 310, 52},
               {"BBwz", 376, 81}, {"BBmaterial", 470, 89}, {"BBbox", 574, 89}, {"BBwytop", 675, 89},
               {"BBklient", 776, 113}}},
             191},
            // d = 360, k = 72.
            {1280, 239,
             {{{"BBusun", 24, 137}, {"BBmasa", 182, 52}, {"BBtara", 246, 52}, {"BBprice", 310, 52},
               {"BBwz", 376, 153}, {"BBmaterial", 542, 161}, {"BBbox", 718, 161}, {"BBwytop", 891, 161},
               {"BBklient", 1064, 185}}},
             310},
        };
        // The vertical places are the design width's and do not move with the width.
        const QRect centre = Geometry(*w, "Ptop_center");
        const QRect first = Geometry(*w, "BBusun");
        QCOMPARE(centre.top(), 0);
        // Wider, then narrower again: nothing may depend on the previous width.
        for (int width : {1280, 924, 920, 1280, 920}) {
            const Case &c = *std::find_if(std::begin(cases), std::end(cases), [&](const Case &x) { return x.width == width; });
            w->resize(c.width, MainLayout::kDesignHeight);
            QTRY_COMPARE(w->width(), c.width);
            QCOMPARE(Geometry(*w, "Ptop_center"), QRect(c.topCenter, 0, centre.width(), centre.height()));
            for (const Place &p : c.buttons)
                QCOMPARE(Geometry(*w, p.name), QRect(p.left, first.top(), p.width, first.height()));
            const int status[] = {120, c.statusWide, 140, c.statusWide, 80, 100};
            for (int i = 0; i < 6; ++i)
                QCOMPARE(w->StatusPanel(i)->width(), status[i]);
            // Nothing of the top row or the bottom bar leaves the window or overlaps.
            QVERIFY(Geometry(*w, "BBklient").right() < w->width());
            QVERIFY(Geometry(*w, "PCustawienia").left() > Geometry(*w, "Ptop_center").right());
            QVERIFY(Geometry(*w, "PCustawienia").right() < w->width());
            QVERIFY(first.top() > Geometry(*w, "Ptables").bottom());
        }
    }

    void columnsReturnToTheirWidthsAtEveryResize()
    {
        auto w = Shown();
        QVERIFY(w);
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        MeasurementView *list = w->Pages()->View(1);
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());
        list->setColumnWidth(2, 200);
        w->Pages()->View(3)->setColumnWidth(0, 60);
        w->resize(1000, MainLayout::kDesignHeight);
        const int set[] = {22, 50, 100, 70, 70, 70, 70, 70, 150, 115, 110, 150, 115};
        for (MeasurementView *view : Views(*w)) {
            for (int column = 0; column < 13; ++column)
                QCOMPARE(view->columnWidth(column), set[column]);
        }
        // Hidden and shown again for the widths, the list is still there and keeps the focus.
        QVERIFY(list->isVisible());
        QVERIFY(list->hasFocus());
    }

    void aZeroWidthHidesItsColumnInAllFiveTables()
    {
        auto w = Shown();
        QVERIFY(w);
        const int packaging = MeasurementModel::ColumnOfField(ColPackaging);
        w->Config().screenWidths[ColPackaging] = 0;
        w->ApplyLayoutSettings();
        for (MeasurementView *view : Views(*w)) {
            QVERIFY(view->isColumnHidden(packaging));
            QVERIFY(!view->isColumnHidden(packaging - 1));
            QVERIFY(!view->isColumnHidden(packaging + 1));
        }
        w->Config().screenWidths[ColPackaging] = 130;
        w->ApplyLayoutSettings();
        for (MeasurementView *view : Views(*w)) {
            QVERIFY(!view->isColumnHidden(packaging));
            QCOMPARE(view->columnWidth(packaging), 130);
        }
        // Beyond 500 the width is 500; the check box column never changes.
        w->Config().screenWidths[ColPackaging] = 900;
        w->ApplyLayoutSettings();
        for (MeasurementView *view : Views(*w)) {
            QCOMPARE(view->columnWidth(packaging), 500);
            QCOMPARE(view->columnWidth(MeasurementModel::kCheckColumn), 22);
        }
    }

    void noValueColumnHidesTheValueTotalAndEnlargesTheLabelButton()
    {
        WriteAll(Dane("konfig.ini"), "Szerokosc_kolumny_wartosc=0\r\n");
        auto w = Shown();
        QVERIFY(w);
        auto *button = w->findChild<QPushButton *>("BBdrukuj");
        auto *total = w->findChild<QLabel *>("Ldisp_etyk_value");
        auto *caption = w->findChild<QLabel *>("Ldisp_etyk_value0");
        QCOMPARE(caption->text(), QString("Wartość:"));
        const int value = MeasurementModel::ColumnOfField(ColValue);
        auto hiddenEverywhere = [&] {
            for (MeasurementView *view : Views(*w))
                if (!view->isColumnHidden(value))
                    return false;
            return true;
        };
        QVERIFY(hiddenEverywhere());
        QVERIFY(!total->isVisible());
        QVERIFY(!caption->isVisible());
        QCOMPARE(button->geometry(), QRect(6, 152, 174, 47));
        // A resize keeps the button where the settings put it.
        w->resize(1100, 600);
        QTRY_COMPARE(w->width(), 1100);
        QCOMPARE(button->geometry(), QRect(6, 152, 174, 47));

        w->Config().screenWidths[ColValue] = 70;
        w->ApplyLayoutSettings();
        for (MeasurementView *view : Views(*w))
            QCOMPARE(view->columnWidth(value), 70);
        QVERIFY(total->isVisible());
        QVERIFY(caption->isVisible());
        QCOMPARE(button->geometry(), QRect(6, 174, 174, 25));
        // The button does not cover the total it sits below.
        QVERIFY(total->geometry().bottom() < button->geometry().top());

        w->Config().screenWidths[ColValue] = 0;
        w->ApplyLayoutSettings();
        QVERIFY(hiddenEverywhere());
        QVERIFY(!total->isVisible());
        QCOMPARE(button->geometry(), QRect(6, 152, 174, 47));
    }

    void noPriceColumnHidesThePriceButton()
    {
        WriteAll(Dane("konfig.ini"), "Szerokosc_kolumny_cena=0\r\n");
        auto w = Shown();
        QVERIFY(w);
        auto *price = w->findChild<QPushButton *>("BBprice");
        QVERIFY(!price->isVisible());
        QVERIFY(w->Pages()->View(2)->isColumnHidden(MeasurementModel::ColumnOfField(ColPrice)));
        // The others keep their places; the gap stays.
        QCOMPARE(Geometry(*w, "BBwz").left(), 376);
        w->Config().screenWidths[ColPrice] = 60;
        w->ApplyLayoutSettings();
        QVERIFY(price->isVisible());
        QCOMPARE(price->geometry().left(), 310);
        QCOMPARE(price->geometry().width(), 52);
        w->Config().screenWidths[ColPrice] = 0;
        w->ApplyLayoutSettings();
        QVERIFY(!price->isVisible());
    }

    void tableFontReachesAllFiveViews()
    {
        WriteAll(Dane("konfig.ini"), "Rozmiar_czcionki_tabeli=14\r\nNazwa_czcionki_tabeli=Arial Narrow\r\n");
        auto w = Shown();
        QVERIFY(w);
        for (MeasurementView *view : Views(*w)) {
            QCOMPARE(view->font().family(), QString("Arial Narrow"));
            QCOMPARE(view->font().pointSize(), 14);
            // fonts-liberation stands in for it.
            QCOMPARE(QFontInfo(view->font()).family(), QString("Liberation Sans Narrow"));
        }
        const int tallRows = w->Pages()->View(4)->verticalHeader()->defaultSectionSize();

        w->Config().tableFontName = "Arial";
        w->Config().tableFontSize = 8;
        w->ApplyLayoutSettings();
        for (MeasurementView *view : Views(*w)) {
            QCOMPARE(view->font().family(), QString("Arial"));
            QCOMPARE(view->font().pointSize(), 8);
            QCOMPARE(QFontInfo(view->font()).family(), QString("Liberation Sans"));
            // The rows follow the font.
            QVERIFY(view->verticalHeader()->defaultSectionSize() < tallRows);
        }
    }

    void typicalRowReadsWholeAtTheSetWidths_data()
    {
        QTest::addColumn<QByteArray>("konfig");
        QTest::newRow("Arial 10") << QByteArray();
        QTest::newRow("Arial Narrow 10") << QByteArray("Nazwa_czcionki_tabeli=Arial Narrow\r\n");
    }

    void typicalRowReadsWholeAtTheSetWidths()
    {
        QFETCH(QByteArray, konfig);
        WriteAll(Dane("konfig.ini"), konfig);
        WriteAll(Dane("pomiary1.txt"), *cp1250::Encode(QString::fromUtf8(kTypicalRow)) + "\r\n");
        auto w = Shown();
        QVERIFY(w);
        MeasurementView *view = w->Pages()->View(1);
        QCOMPARE(view->model()->rowCount(), 1);
        QCOMPARE(view->font().pointSize(), 10);
        const int grid = view->showGrid() ? 1 : 0;
        // What the style leaves free on each side of a cell's text.
        const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        const QStringList cells = QString::fromUtf8(kTypicalRow).split('\t');
        for (int field = ColNr; field <= ColValue; ++field) {
            const int column = MeasurementModel::ColumnOfField(field);
            const QStyleOptionViewItem cell = view->CellOption(view->model()->index(0, column));
            const QString text = cells[field];
            QCOMPARE(cell.text, text);
            // The cell drawn is the column less its grid line.
            QCOMPARE(cell.rect.width(), view->columnWidth(column) - grid);
            const qreal room = view->columnWidth(column) - grid - 2 * margin;
            const qreal width = QFontMetricsF(cell.font).horizontalAdvance(text);
            QVERIFY2(width <= room, qPrintable(QString("%1: %2 px in %3").arg(text).arg(width).arg(room)));
            QCOMPARE(QFontMetrics(cell.font).elidedText(text, Qt::ElideRight, int(room)), text);
            // Never condensed past the limit, and only what would not fit otherwise.
            const qreal natural = QFontMetricsF(view->font()).horizontalAdvance(text);
            QVERIFY(width >= natural * MeasurementView::kMinCondensed - 0.5);
            if (natural <= room)
                QCOMPARE(cell.font, view->font());
        }
    }

    void textTooLongEvenCondensedIsCutAtTheLimit_data() { typicalRowReadsWholeAtTheSetWidths_data(); }

    void textTooLongEvenCondensedIsCutAtTheLimit()
    {
        QFETCH(QByteArray, konfig);
        WriteAll(Dane("konfig.ini"), konfig);
        WriteAll(Dane("pomiary1.txt"),
                 *cp1250::Encode(QString::fromUtf8("1\t2024-05-17 14:03\t1.00\t1.00\t0.00\t0.00\t0.00\t\t"
                                                  "Kruszywo łamane frakcji 0-31,5 mm z dowozem\t\tJAN\t")) +
                     "\r\n");
        auto w = Shown();
        QVERIFY(w);
        MeasurementView *view = w->Pages()->View(1);
        const QStyleOptionViewItem cell =
            view->CellOption(view->model()->index(0, MeasurementModel::ColumnOfField(ColMaterial)));
        const qreal natural = QFontMetricsF(view->font()).horizontalAdvance(cell.text);
        const qreal width = QFontMetricsF(cell.font).horizontalAdvance(cell.text);
        QVERIFY(width < natural);
        // The stretch goes in whole percent of the face's width: a step below at most.
        QVERIFY(width >= natural * (MeasurementView::kMinCondensed - 0.015));
        QVERIFY(width > cell.rect.width());
        QCOMPARE(cell.textElideMode, Qt::ElideRight);
    }
};

QTEST_MAIN(TestMainWindowLayout)
#include "tst_main_window_layout.moc"
