#include "core/clock.h"
#include "core/program_config.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/measurement_model.h"
#include "tables/measurement_table.h"
#include "tables/table_set.h"
#include "tables/ui/delete_mode_dialog.h"
#include "tables/ui/measurement_view.h"
#include "tables/ui/table_pages.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QElapsedTimer>
#include <QtTest>

namespace {

QByteArray Row(int nr, const QByteArray &net = "10.00")
{
    return QByteArray::number(nr) + "\t2024-05-17 14:03\t12.00\t" + net + "\t2.00\t1.00\t10.00\t\tPiasek\t\tJAN\t";
}

// Notes whether the busy cursor and the hidden list were still in place when
// a message came or the file dialog opened.
class CursorCheckingPrompts : public ScriptedPrompts {
public:
    std::function<bool()> listVisible;
    QList<bool> busyAtMessage, listVisibleAtMessage, busyAtDialog;
    void Message(Icon icon, const QString &text) override
    {
        busyAtMessage << (QApplication::overrideCursor() != nullptr);
        listVisibleAtMessage << listVisible();
        ScriptedPrompts::Message(icon, text);
    }
    std::optional<QString> OpenFileName(const QString &directory, const QString &filter) override
    {
        busyAtDialog << (QApplication::overrideCursor() != nullptr);
        return ScriptedPrompts::OpenFileName(directory, filter);
    }
};

}  // namespace

class TestTablePages : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    TableSet tables;
    ProgramConfig config;
    DataFilter filter;
    ManualClock clock{QDateTime(QDate(2024, 5, 17), QTime(14, 3, 12))};
    ScriptedPrompts prompts;
    std::unique_ptr<TablePages> pages;

    TablesEnvironment Env()
    {
        TablesEnvironment env;
        env.tables = &tables;
        env.config = &config;
        env.filter = &filter;
        env.dataDir = tmp.path() + "/dane";
        env.workDir = tmp.path();
        env.clock = &clock;
        env.prompts = &prompts;
        env.massDecimals = [] { return 2; };
        return env;
    }

    // The centre of a cell of table `n`, in viewport coordinates.
    QPoint CellCentre(int n, int row, int column)
    {
        MeasurementView *v = pages->View(n);
        return v->visualRect(v->model()->index(row, column)).center();
    }

private slots:
    void init()
    {
        QDir().mkpath(tmp.path() + "/dane");
        WriteAll(tmp.path() + "/dane/pomiary1.txt", Row(1) + "\r\n" + Row(2, "[20.00]") + "\r\n" + Row(3) + "\r\n");
        WriteAll(tmp.path() + "/dane/pomiary2.txt", Row(9, "(5.00)") + "\r\n");
        config = ProgramConfig();
        prompts = ScriptedPrompts();
        tables.SetActiveNumber(1);
        QFile::remove(tmp.path() + "/dane/pomiary3.txt");
        config.screenWidths[ColPackaging] = 0;
        pages = std::make_unique<TablePages>(Env());
        pages->resize(900, 400);
        pages->show();
        QVERIFY(QTest::qWaitForWindowExposed(pages.get()));
        pages->LoadAllTables();
    }

    void cleanup() { pages.reset(); }

    void namedControlsAndCaptions()
    {
        auto *pc = pages->findChild<QTabWidget *>("PCdata");
        QVERIFY(pc);
        QCOMPARE(pc->count(), 5);
        const QStringList tools = {"TBparams", "TBreadtable", "TBsavetable", "TBdeletetable",
                                   "TBprinttable", "TBcopytable", "TBexcel"};
        const QStringList hints = {"Ustaw domyślne parametry tabeli", "Otwórz tabelę z pliku archiwum",
                                   "Zapisz tabelę do pliku archiwum", "Usuń dane z tabeli", "Drukuj tabelę",
                                   "Kopiuj tabelę do schowka", "Zapisz tabelę do pliku Excel"};
        for (int n = 1; n <= 5; ++n) {
            QVERIFY(pages->findChild<QWidget *>(QString("TS%1").arg(n)));
            QVERIFY(pages->findChild<QLabel *>(QString("P%1").arg(n)));
            auto *view = pages->findChild<QTableView *>(QString("LVdata%1").arg(n));
            QVERIFY(view);
            QVERIFY(view->showGrid());
            QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
            QCOMPARE(view->selectionMode(), QAbstractItemView::SingleSelection);
            QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
            QCOMPARE(view->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
            QCOMPARE(view->palette().color(QPalette::Inactive, QPalette::Highlight),
                     view->palette().color(QPalette::Active, QPalette::Highlight));
            QCOMPARE(view->columnWidth(0), 22);
            QCOMPARE(view->columnWidth(1), 50);
            QCOMPARE(view->columnWidth(9), 115);
            QVERIFY(view->isColumnHidden(10));  // opakowanie, width 0
            QVERIFY(!view->isColumnHidden(11));
            QCOMPARE(view->font().family(), QString("Arial"));
            QCOMPARE(view->font().pointSize(), 10);
            for (int i = 0; i < tools.size(); ++i) {
                auto *b = pages->findChild<QToolButton *>(tools[i] + QString::number(n));
                QVERIFY2(b, qPrintable(tools[i]));
                QCOMPARE(b->toolTip(), hints[i]);
                QCOMPARE(b->accessibleName(), hints[i]);
            }
        }
        QCOMPARE(pages->View(1)->model()->headerData(0, Qt::Horizontal).toString(), QString("e"));
        QCOMPARE(pages->View(1)->model()->headerData(7, Qt::Horizontal).toString(), QString("wartość"));
        QCOMPARE(pc->tabText(0), QString("Tabela 1   (3)      "));
        QCOMPARE(pc->tabText(1), QString("Tabela 2   (1)      "));
        QCOMPARE(pc->tabText(4), QString("Tabela 5   (0)      "));
        QCOMPARE(pages->Panel(1)->text(), QString("Tabela 1 - "));
        QCOMPARE(pages->Panel(1)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(pages->Panel(1)->palette().color(QPalette::Window), pages->palette().color(QPalette::Button));
        QCOMPARE(pages->Panel(1)->font().pixelSize(), 15);
        QVERIFY(pages->Panel(1)->font().bold());

        config.tables[1].fields[TableParams::Name] = "Linia B";
        config.tables[1].fields[TableParams::Description] = "Odbi\xf3r";  // cp1250 "Odbiór"
        config.tables[1].fields[TableParams::PanelColour] = "255";      // red
        pages->ApplyConfig();
        QCOMPARE(pc->tabText(1), QString("Linia B   (1)      "));
        QCOMPARE(pages->Panel(2)->text(), QString::fromUtf8("Linia B - Odbiór"));
        QCOMPARE(pages->Panel(2)->palette().color(QPalette::Window), QColor(255, 0, 0));
        config.tables[3].fields[TableParams::PanelFontColour] = "blue";  // not a number: all defaults
        pages->ApplyPanels();
        QCOMPARE(pages->Panel(2)->palette().color(QPalette::Window), pages->palette().color(QPalette::Button));
    }

    void markingWithMouseAndSpace()
    {
        QSignalSpy totals(pages.get(), &TablePages::totalsChanged);
        MeasurementView *v = pages->View(1);
        MeasurementTable &t = tables.Table(1);
        // Simplified marking: a click anywhere toggles the row.
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, CellCentre(1, 1, 5));
        QVERIFY(t.Mark(1));
        QCOMPARE(t.CurrentRow(), 1);
        QCOMPARE(totals.count(), 1);
        QCOMPARE(pages->CurrentTotals().net, QString("20.00 kg"));
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, CellCentre(1, 0, 5));
        QCOMPARE(pages->CurrentTotals().net, QString("30.00 kg"));
        QCOMPARE(pages->CurrentTotals().count, QString("2"));

        // The check box itself toggles once, also with simplified marking on.
        const QRect cell = v->visualRect(v->model()->index(2, 0));
        QPoint box;
        for (int x = cell.left(); x <= cell.right() && box.isNull(); ++x)
            if (v->HitsCheckBox(QPoint(x, cell.center().y())))
                box = QPoint(x + 2, cell.center().y());
        QVERIFY(!box.isNull());
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, box);
        QVERIFY(t.Mark(2));
        QCOMPARE(t.CurrentRow(), 2);

        // Single weighing: the clicked row stays the only one.
        config.singleOnLabel = true;
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, CellCentre(1, 0, 3));
        QVERIFY(!t.Mark(0));  // row 0 was marked: the click unmarked it
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, CellCentre(1, 0, 3));
        QVERIFY(t.Mark(0) && !t.Mark(1) && !t.Mark(2));
        QCOMPARE(pages->CurrentTotals().count, QString("1"));

        // Space toggles the current row and, in single mode, leaves it alone.
        config.singleOnLabel = false;
        v->setFocus();
        t.SetCurrentRow(2);
        QCOMPARE(v->currentIndex().row(), 2);
        QTest::keyClick(v, Qt::Key_Space);
        QVERIFY(t.Mark(2));
        QVERIFY(t.Mark(0));
        QCOMPARE(pages->CurrentTotals().count, QString("2"));

        // Without simplified marking a click beside the box only selects.
        config.simplifiedMarking = false;
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, CellCentre(1, 1, 6));
        QVERIFY(!t.Mark(1));
        QCOMPARE(t.CurrentRow(), 1);
    }

    void switchingTablesShowsTheirTotals()
    {
        QSignalSpy active(pages.get(), &TablePages::activeTableChanged);
        tables.Table(2).SetMark(0, true);
        pages->SetActiveTable(2);
        QCOMPARE(active.count(), 1);
        QCOMPARE(active.at(0).at(0).toInt(), 2);
        QCOMPARE(tables.ActiveNumber(), 2);
        QCOMPARE(pages->CurrentTotals().net, QString("5.00 kg"));
        pages->MarkAll();  // the first row was marked: unmark all
        QCOMPARE(pages->CurrentTotals().count, QString("0"));
        pages->SetActiveTable(1);
        QCOMPARE(pages->CurrentTotals().count, QString("0"));
        pages->MarkDown();
        QCOMPARE(prompts.MessageTexts(), QStringList{"Nie wskazano pomiaru!"});
    }

    void addedRowsAppearAndTotalsLabelsAreFilled()
    {
        MeasurementTable &t = tables.Table(1);
        const int row = t.AddLine(Row(4));
        pages->SelectRow(row);
        QCOMPARE(pages->View(1)->model()->rowCount(), 4);
        QCOMPARE(pages->View(1)->currentIndex().row(), 3);
        // A deleted current row leaves no row highlighted, in the table and in the list.
        t.SetCurrentRow(1);
        t.DeleteRow(1);
        QCOMPARE(t.CurrentRow(), -1);
        QVERIFY(!pages->View(1)->selectionModel()->hasSelection());
        t.SetCurrentRow(1);
        t.DeleteRow(0);
        QCOMPARE(t.CurrentRow(), 0);
        QCOMPARE(pages->View(1)->currentIndex().row(), 0);
        t.AddLine(Row(2, "[20.00]"));
        t.AddLine(Row(1));
        pages->MarkAll();
        QWidget box;
        auto *net = new QLabel(&box);
        net->setObjectName("Ldisp_etyk_sum_n");
        auto *value = new QLabel(&box);
        value->setObjectName("Ldisp_etyk_value");
        ShowTotals(&box, pages->CurrentTotals());
        QCOMPARE(net->text(), QString("50.00 kg"));
        QCOMPARE(value->text(), QString::fromUtf8("40.00 zł"));
    }

    void largeTableDecodesOnlyVisibleRows()
    {
        QByteArray all;
        for (int i = 1; i <= 100000; ++i)
            all += Row(i) + "\r\n";
        WriteAll(tmp.path() + "/dane/pomiary3.txt", all);
        pages->SetActiveTable(3);
        QElapsedTimer timer;
        timer.start();
        pages->LoadAllTables();
        MeasurementView *v = pages->View(3);
        QCOMPARE(v->model()->rowCount(), 100000);
        QCOMPARE(pages->PageControl()->tabText(2), QString("Tabela 3   (100000)      "));
        pages->MarkAll();
        QCOMPARE(pages->CurrentTotals().count, QString("100000"));
        v->scrollToBottom();
        QApplication::processEvents();
        const qint64 ms = timer.elapsed();
        qInfo("load, mark all and scroll of 100000 rows: %lld ms", ms);
        QVERIFY(ms < 3000);
        // Drawing decodes only the cells on screen.
        const qint64 before = pages->Model(3)->DecodedCells();
        v->viewport()->repaint();
        const qint64 decoded = pages->Model(3)->DecodedCells() - before;
        const int visibleRows = v->viewport()->height() / v->verticalHeader()->defaultSectionSize() + 2;
        QVERIFY(decoded > 0);
        QVERIFY2(decoded <= visibleRows * 12, qPrintable(QString::number(decoded)));
        QVERIFY(v->rowAt(v->viewport()->height() - 2) >= 99990);
    }

    void loadErrorIsShownWithCursorAndListRestored()
    {
        WriteAll(tmp.path() + "/dane/pomiary1.txt", Row(1) + "\r\nbad line\r\n");
        CursorCheckingPrompts checking;
        TablesEnvironment env = Env();
        env.prompts = &checking;
        pages = std::make_unique<TablePages>(env);
        checking.listVisible = [this] { return pages->ActiveView()->isVisible(); };
        pages->show();
        QVERIFY(QTest::qWaitForWindowExposed(pages.get()));
        pages->LoadAllTables();
        QCOMPARE(checking.messages.size(), 1);
        QCOMPARE(checking.busyAtMessage, QList<bool>{false});
        QCOMPARE(checking.listVisibleAtMessage, QList<bool>{true});
        QCOMPARE(tables.Table(1).RowCount(), 1);
        QVERIFY(!QApplication::overrideCursor());
    }

    void readingAnArchiveRunsBusyLikeLoading()
    {
        const QString source = tmp.path() + "/stare.txt";
        WriteAll(source, Row(5) + "\r\n" + Row(6) + "\r\nbad line\r\n");
        CursorCheckingPrompts checking;
        checking.listVisible = [this] { return pages->ActiveView()->isVisible(); };
        checking.answers = {false};  // no archive copy first
        checking.fileAnswers = {source};
        TablesEnvironment env = Env();
        env.prompts = &checking;
        pages = std::make_unique<TablePages>(env);
        pages->show();
        QVERIFY(QTest::qWaitForWindowExposed(pages.get()));
        pages->LoadAllTables();
        // The rows are replaced while the cursor is busy and the list hidden.
        QList<bool> busyAtReset, listVisibleAtReset;
        connect(&tables.Table(1), &MeasurementTable::reset, pages.get(), [&] {
            busyAtReset << (QApplication::overrideCursor() != nullptr);
            listVisibleAtReset << pages->ActiveView()->isVisible();
        });
        pages->findChild<QToolButton *>("TBreadtable1")->click();
        QCOMPARE(checking.busyAtDialog, QList<bool>{false});
        QCOMPARE(busyAtReset, QList<bool>{true});
        QCOMPARE(listVisibleAtReset, QList<bool>{false});
        // The reading error comes once both are back.
        QCOMPARE(checking.messages.size(), 1);
        QCOMPARE(checking.busyAtMessage, QList<bool>{false});
        QCOMPARE(checking.listVisibleAtMessage, QList<bool>{true});
        QCOMPARE(tables.Table(1).RowCount(), 2);
        QCOMPARE(pages->PageControl()->tabText(0), QString("Tabela 1   (2)      "));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(pages->ActiveView()->isVisible());
    }

    void deleteWindowKeepsItsChoicesAndDeletes()
    {
        DeleteModeDialog *w = pages->DeleteModeWindow();
        QCOMPARE(w->windowTitle(), QString::fromUtf8("Usuń dane z tabeli"));
        QCOMPARE(w->objectName(), QString("TFdelete_mode"));
        QCOMPARE(w->Choice().mode, 0);
        QVERIFY(w->Choice().archiveFirst);
        QTimer::singleShot(0, w, [w] {
            w->findChild<QRadioButton *>("RBzakres2")->setChecked(true);
            w->findChild<QCheckBox *>("CBarchiwum")->setChecked(false);
            w->accept();
        });
        std::optional<DeleteChoice> c = w->Ask();
        QVERIFY(c);
        QCOMPARE(c->mode, 2);
        QTimer::singleShot(0, w, [w] { w->reject(); });
        QVERIFY(!w->Ask());
        QCOMPARE(w->Choice().mode, 2);
        QVERIFY(!w->Choice().archiveFirst);

        QCOMPARE(pages->ArchiveDir(), tmp.path() + "/archiwum/");
        pages->SetDeleteChooser([] { return DeleteChoice{DeleteChoice::All, false}; });
        QSignalSpy changed(pages.get(), &TablePages::tableDataChanged);
        pages->findChild<QToolButton *>("TBdeletetable1")->click();
        QCOMPARE(tables.Table(1).RowCount(), 0);
        QCOMPARE(ReadAll(tmp.path() + "/dane/pomiary1.txt"), QByteArray());
        QCOMPARE(pages->PageControl()->tabText(0), QString("Tabela 1   (0)      "));
        QCOMPARE(changed.count(), 1);
    }
};

QTEST_MAIN(TestTablePages)
#include "tst_table_pages.moc"
