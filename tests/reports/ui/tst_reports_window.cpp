#include "core/clock.h"
#include "reports/summary_period.h"
#include "reports/ui/reports_window.h"
#include "reports/ui/summary_chart.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedBarSeries>
#include <QTableView>
#include <QtTest>

namespace {

// A service that records what it is asked and answers when the test says so.
class FakeSummaryService : public SummaryService {
  public:
    explicit FakeSummaryService(bool station = true) : station_(station) {}

    void Start(const SummaryRequest &request) override { requests.append(request); }
    QList<SummaryKey> Keys() const override
    {
        QList<SummaryKey> keys = {
            SummaryKey::Day,       SummaryKey::Week,     SummaryKey::Month,    SummaryKey::Year,  SummaryKey::Material,
            SummaryKey::Packaging, SummaryKey::Customer, SummaryKey::Operator, SummaryKey::Order, SummaryKey::Table};
        if (!station_)
            keys.append(SummaryKey::Station);
        return keys;
    }
    bool IsStation() const override { return station_; }

    QList<SummaryRequest> requests;

  private:
    bool station_;
};

SummaryRow Row(const QString &first, const QString &second, qint64 count, double gross, double net, double tare,
               double value)
{
    return SummaryRow{first, second, count, gross, net, tare, value};
}

SummaryResult MaterialResult()
{
    SummaryResult r;
    r.request.first = SummaryKey::Material;
    // In the summary's own (collation) order.
    r.rows = {Row(QStringLiteral("Lublin"), {}, 2, 30, 20.25, 9.75, 40.5),
              Row(QStringLiteral("Łódź"), {}, 1, 12, 9.5, 2.5, 19),
              Row(QStringLiteral("Zebra"), {}, 3, 130, 100, 30, 200),
              Row(QStringLiteral("Żwir"), {}, 4, 50, 45, 5, 90)};
    r.total = Row(QStringLiteral("Razem"), {}, 10, 222, 174.75, 47.25, 349.5);
    return r;
}

SummaryResult MonthByMaterialResult()
{
    SummaryResult r;
    r.request.first = SummaryKey::Month;
    r.request.second = SummaryKey::Material;
    r.rows = {Row(QStringLiteral("2026-10"), QStringLiteral("Piasek"), 2, 30, 20, 10, 40),
              Row(QStringLiteral("2026-10"), QStringLiteral("Żwir"), 1, 12, 10, 2, 20),
              Row(QStringLiteral("2026-11"), QStringLiteral("Cement"), 2, 40, 30, 10, 90),
              Row(QStringLiteral("2026-11"), QStringLiteral("Piasek"), 4, 60, 50, 10, 100)};
    r.total = Row(QStringLiteral("Razem"), {}, 9, 142, 110, 32, 250);
    return r;
}

QStringList Column(const QAbstractItemModel *m, int column)
{
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out.append(m->index(r, column).data().toString());
    return out;
}

} // namespace

class TestReportsWindow : public QObject {
    Q_OBJECT

    // A Wednesday.
    ManualClock clock{QDateTime(QDate(2026, 11, 18), QTime(9, 30))};

    template <typename T> static T *Find(QWidget &w, const char *name)
    {
        T *c = w.findChild<T *>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }

    static void Select(QComboBox *combo, SummaryKey key) { combo->setCurrentIndex(combo->findData(int(key))); }

  private slots:
    void initTestCase() { qRegisterMetaType<SummaryResult>(); }

    void defaultRequestIsTheCurrentMonthByDay()
    {
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        w.SetShownTable(3);
        Find<QPushButton>(w, "BBpokaz")->click();
        QCOMPARE(service.requests.size(), 1);
        const SummaryRequest r = service.requests[0];
        QCOMPARE(r.from, QDate(2026, 11, 1));
        QCOMPARE(r.to, QDate(2026, 11, 30));
        QCOMPARE(r.first, SummaryKey::Day);
        QCOMPARE(r.second, SummaryKey::None);
        QCOMPARE(r.allTables, false);
        QCOMPARE(r.onlyFiltered, false);
        QCOMPARE(r.shownTable, 3);
        QCOMPARE(Find<QLabel>(w, "Lstan")->text(), QStringLiteral("Liczę..."));
        QCOMPARE(w.Measure(), SummaryMeasure::Net);
    }

    void quickChoicesSetThePeriod_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        const QDate wed(2026, 11, 18);
        QTest::newRow("today") << wed << "BBdzis"
                               << "Dziś" << wed << wed;
        QTest::newRow("yesterday") << wed << "BBwczoraj"
                                   << "Wczoraj" << QDate(2026, 11, 17) << QDate(2026, 11, 17);
        QTest::newRow("week") << wed << "BBtydzien"
                              << "Ten tydzień" << QDate(2026, 11, 16) << QDate(2026, 11, 22);
        QTest::newRow("month") << wed << "BBmiesiac"
                               << "Ten miesiąc" << QDate(2026, 11, 1) << QDate(2026, 11, 30);
        QTest::newRow("previous month") << wed << "BBpoprzedni"
                                        << "Poprzedni miesiąc" << QDate(2026, 10, 1) << QDate(2026, 10, 31);
        QTest::newRow("year") << wed << "BBrok"
                              << "Ten rok" << QDate(2026, 1, 1) << QDate(2026, 12, 31);
        // New Year's Day, a Friday: the week and the previous month lie in the old year.
        const QDate ny(2027, 1, 1);
        QTest::newRow("yesterday over new year") << ny << "BBwczoraj"
                                                 << "Wczoraj" << QDate(2026, 12, 31) << QDate(2026, 12, 31);
        QTest::newRow("week over new year") << ny << "BBtydzien"
                                            << "Ten tydzień" << QDate(2026, 12, 28) << QDate(2027, 1, 3);
        QTest::newRow("previous month over new year")
            << ny << "BBpoprzedni"
            << "Poprzedni miesiąc" << QDate(2026, 12, 1) << QDate(2026, 12, 31);
        // Going back from a later period: the period must not be clamped by the old one.
        QTest::newRow("earlier than the default") << QDate(2026, 3, 31) << "BBpoprzedni"
                                                  << "Poprzedni miesiąc" << QDate(2026, 2, 1) << QDate(2026, 2, 28);
    }

    void quickChoicesSetThePeriod()
    {
        QFETCH(QDate, today);
        QFETCH(QString, button);
        QFETCH(QString, text);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        FakeSummaryService service;
        ManualClock fixed{QDateTime(QDate(2026, 11, 18), QTime(8, 0))};
        ReportsWindow w(service, &fixed);
        fixed.Set(QDateTime(today, QTime(8, 0))); // the day may change while the window is open
        auto *b = Find<QPushButton>(w, button.toLatin1().constData());
        QCOMPARE(b->text(), text);
        b->click();
        QCOMPARE(Find<QDateEdit>(w, "DEod")->date(), from);
        QCOMPARE(Find<QDateEdit>(w, "DEdo")->date(), to);
        w.Run();
        QCOMPARE(service.requests.last().from, from);
        QCOMPARE(service.requests.last().to, to);
    }

    void controlsMakeTheRequest_data()
    {
        QTest::addColumn<bool>("all");
        QTest::addColumn<bool>("filtered");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("expectedSecond");
        QTest::newRow("shown table, filtered, by material")
            << false << true << int(SummaryKey::Material) << int(SummaryKey::None) << int(SummaryKey::None);
        QTest::newRow("all tables, by month then customer")
            << true << false << int(SummaryKey::Month) << int(SummaryKey::Customer) << int(SummaryKey::Customer);
        QTest::newRow("the same key twice is once")
            << true << true << int(SummaryKey::Operator) << int(SummaryKey::Operator) << int(SummaryKey::None);
        QTest::newRow("by table then week")
            << false << false << int(SummaryKey::Table) << int(SummaryKey::Week) << int(SummaryKey::Week);
    }

    void controlsMakeTheRequest()
    {
        QFETCH(bool, all);
        QFETCH(bool, filtered);
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(int, expectedSecond);
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        w.SetShownTable(2);
        Find<QRadioButton>(w, all ? "RBwszystkie" : "RBpokazana")->setChecked(true);
        Find<QCheckBox>(w, "CBfiltr")->setChecked(filtered);
        Select(Find<QComboBox>(w, "CBgrupa1"), SummaryKey(first));
        Select(Find<QComboBox>(w, "CBgrupa2"), SummaryKey(second));
        Find<QPushButton>(w, "BBpokaz")->click();
        const SummaryRequest r = service.requests.last();
        QCOMPARE(r.allTables, all);
        QCOMPARE(r.onlyFiltered, filtered);
        QCOMPARE(r.shownTable, 2);
        QCOMPARE(r.first, SummaryKey(first));
        QCOMPARE(r.second, SummaryKey(expectedSecond));
    }

    void officeHasNoSourceChoiceButGroupsByStation()
    {
        FakeSummaryService service(false);
        ReportsWindow w(service, &clock);
        QVERIFY(!w.findChild<QRadioButton *>(QStringLiteral("RBwszystkie")));
        QVERIFY(!w.findChild<QCheckBox *>(QStringLiteral("CBfiltr")));
        auto *first = Find<QComboBox>(w, "CBgrupa1");
        auto *second = Find<QComboBox>(w, "CBgrupa2");
        QCOMPARE(second->itemText(0), QStringLiteral("(brak)"));
        QCOMPARE(first->findText(QStringLiteral("(brak)")), -1);
        Select(first, SummaryKey::Station);
        QCOMPARE(first->currentText(), QStringLiteral("stanowisko"));
        w.Run();
        QCOMPARE(service.requests.last().first, SummaryKey::Station);
        QCOMPARE(service.requests.last().allTables, false);
        QCOMPARE(service.requests.last().onlyFiltered, false);
    }

    void rowsSortAsNumbersAndTheTotalStaysBelow_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("order");
        QTest::addColumn<QStringList>("firsts");
        QTest::addColumn<QString>("shown"); // the sorted column's first cell
        using L = QStringList;
        // As text "100.00" < "20.25" < "45.00" < "9.50".
        QTest::newRow("net ascending") << 3 << int(Qt::AscendingOrder) << L{"Łódź", "Lublin", "Żwir", "Zebra"}
                                       << "9.50";
        QTest::newRow("net descending") << 3 << int(Qt::DescendingOrder) << L{"Zebra", "Żwir", "Lublin", "Łódź"}
                                        << "100.00";
        QTest::newRow("count") << 1 << int(Qt::AscendingOrder) << L{"Łódź", "Lublin", "Zebra", "Żwir"} << "1";
        QTest::newRow("mean net") << 6 << int(Qt::AscendingOrder) << L{"Łódź", "Lublin", "Żwir", "Zebra"} << "9.50";
        // Polish collation: Ł after L, Ż after Z.
        QTest::newRow("names descending")
            << 0 << int(Qt::DescendingOrder) << L{"Żwir", "Zebra", "Łódź", "Lublin"} << "Żwir";
    }

    void rowsSortAsNumbersAndTheTotalStaysBelow()
    {
        QFETCH(int, column);
        QFETCH(int, order);
        QFETCH(QStringList, firsts);
        QFETCH(QString, shown);
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        w.Run();
        emit service.finished(MaterialResult());
        auto *table = Find<QTableView>(w, "TVzestawienie");
        auto *model = table->model();
        QCOMPARE(model->columnCount(), 7);
        QStringList headers;
        for (int c = 0; c < model->columnCount(); ++c)
            headers.append(model->headerData(c, Qt::Horizontal).toString());
        QCOMPARE(headers, (QStringList{"materiał", "Liczba pomiarów", "Masa brutto", "Masa netto", "Tara", "Wartość",
                                       "Średnia masa netto"}));
        // Before any click: the summary's own order.
        QCOMPARE(Column(model, 0), (QStringList{"Lublin", "Łódź", "Zebra", "Żwir"}));

        table->sortByColumn(column, Qt::SortOrder(order));
        QCOMPARE(Column(model, 0), firsts);
        QCOMPARE(model->index(0, column).data().toString(), shown);

        auto *total = Find<QTableView>(w, "TVrazem")->model();
        QCOMPARE(total->rowCount(), 1);
        QCOMPARE(Column(total, 0), QStringList{"Razem"});
        QCOMPARE(total->index(0, 1).data().toString(), QStringLiteral("10"));
        QCOMPARE(total->index(0, 3).data().toString(), QStringLiteral("174.75"));
        QCOMPARE(total->index(0, 6).data().toString(), QStringLiteral("17.48"));
        QCOMPARE(Column(model, 0).contains(QStringLiteral("Razem")), false);
        QCOMPARE(Find<QLabel>(w, "Lstan")->text(), QString());
    }

    void sortSurvivesAnotherPeriodButNotOtherColumns()
    {
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        emit service.finished(MaterialResult());
        auto *table = Find<QTableView>(w, "TVzestawienie");
        table->sortByColumn(3, Qt::DescendingOrder);
        SummaryResult again = MaterialResult();
        again.rows[1].net = 500; // Łódź now the largest
        emit service.finished(again);
        QCOMPARE(Column(table->model(), 0), (QStringList{"Łódź", "Zebra", "Żwir", "Lublin"}));
        // Other groupings: column 3 means something else now.
        emit service.finished(MonthByMaterialResult());
        QCOMPARE(Column(table->model(), 0), (QStringList{"2026-10", "2026-10", "2026-11", "2026-11"}));
        QCOMPARE(Column(table->model(), 1), (QStringList{"Piasek", "Żwir", "Cement", "Piasek"}));
    }

    void periodNeverRunsBackwards_data()
    {
        QTest::addColumn<bool>("moveFrom");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::newRow("from past to") << true << QDate(2026, 12, 5) << QDate(2026, 12, 5) << QDate(2026, 12, 5);
        QTest::newRow("to before from") << false << QDate(2026, 10, 7) << QDate(2026, 10, 7) << QDate(2026, 10, 7);
        QTest::newRow("within") << true << QDate(2026, 11, 10) << QDate(2026, 11, 10) << QDate(2026, 11, 30);
    }

    void periodNeverRunsBackwards()
    {
        QFETCH(bool, moveFrom);
        QFETCH(QDate, date);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        Find<QDateEdit>(w, moveFrom ? "DEod" : "DEdo")->setDate(date);
        const SummaryRequest r = w.Request();
        QCOMPARE(r.from, from);
        QCOMPARE(r.to, to);
    }

    void secondGroupingAddsAColumn()
    {
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        emit service.finished(MonthByMaterialResult());
        auto *model = Find<QTableView>(w, "TVzestawienie")->model();
        QCOMPARE(model->columnCount(), 8);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("miesiąc"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("materiał"));
        QCOMPARE(Column(model, 1), (QStringList{"Piasek", "Żwir", "Cement", "Piasek"}));
        QCOMPARE(model->index(1, 4).data().toString(), QStringLiteral("10.00"));
        QCOMPARE(Find<QTableView>(w, "TVrazem")->model()->columnCount(), 8);
    }

    void chartHasASetPerSecondGroupValue_data()
    {
        QTest::addColumn<bool>("second");
        QTest::addColumn<int>("measure");
        QTest::addColumn<bool>("stacked");
        QTest::addColumn<QStringList>("sets");
        QTest::addColumn<QStringList>("categories");
        QTest::addColumn<QList<qreal>>("firstSet");
        using L = QStringList;
        QTest::newRow("one grouping") << false << int(SummaryMeasure::Net) << false << L{"Masa netto"}
                                      << L{"Lublin", "Łódź", "Zebra", "Żwir"} << QList<qreal>{20.25, 9.5, 100, 45};
        QTest::newRow("two groupings stack")
            << true << int(SummaryMeasure::Net) << true << L{"Piasek", "Żwir", "Cement"} << L{"2026-10", "2026-11"}
            << QList<qreal>{20, 50};
        QTest::newRow("counts stack") << true << int(SummaryMeasure::Count) << true << L{"Piasek", "Żwir", "Cement"}
                                      << L{"2026-10", "2026-11"} << QList<qreal>{2, 4};
        // Means of parts do not add up to the mean of the whole.
        QTest::newRow("means side by side")
            << true << int(SummaryMeasure::MeanNet) << false << L{"Piasek", "Żwir", "Cement"} << L{"2026-10", "2026-11"}
            << QList<qreal>{10, 12.5};
    }

    void chartHasASetPerSecondGroupValue()
    {
        QFETCH(bool, second);
        QFETCH(int, measure);
        QFETCH(bool, stacked);
        QFETCH(QStringList, sets);
        QFETCH(QStringList, categories);
        QFETCH(QList<qreal>, firstSet);
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        auto *measureBox = Find<QComboBox>(w, "CBmiara");
        measureBox->setCurrentIndex(measureBox->findData(measure));
        emit service.finished(second ? MonthByMaterialResult() : MaterialResult());

        QChart *chart = w.ChartView()->chart();
        QCOMPARE(chart->series().size(), 1);
        auto *series = qobject_cast<QAbstractBarSeries *>(chart->series()[0]);
        QVERIFY(series);
        QCOMPARE(qobject_cast<QStackedBarSeries *>(series) != nullptr, stacked);
        QStringList names;
        for (QBarSet *s : series->barSets())
            names.append(s->label());
        QCOMPARE(names, sets);
        QList<qreal> values;
        for (int i = 0; i < series->barSets()[0]->count(); ++i)
            values.append(series->barSets()[0]->at(i));
        QCOMPARE(values, firstSet);
        const SummaryChartData data = BuildSummaryChartData(w.Result(), w.Measure());
        QCOMPARE(data.categories, categories);
        // A second-group value missing in a category is a bar of nothing there.
        if (second && !stacked)
            QCOMPARE(data.sets[1].values, (QList<double>{10, 0}));
    }

    void manyCategoriesKeepTheLargest()
    {
        SummaryResult r;
        r.request.first = SummaryKey::Customer;
        for (int i = 0; i < 50; ++i)
            r.rows.append(Row(QStringLiteral("K%1").arg(i, 2, 10, QLatin1Char('0')), {}, 1, 0, (i * 37) % 50, 0, 0));
        const SummaryChartData data = BuildSummaryChartData(r, SummaryMeasure::Net, 40);
        QCOMPARE(data.categories.size(), 40);
        QCOMPARE(data.omitted, 10);
        // Nets 0..9 are the ten smallest; the rest stay in the summary's order.
        for (int k = 0; k < 40; ++k)
            QVERIFY2(data.sets[0].values[k] >= 10, qPrintable(data.categories[k]));
        QStringList sorted = data.categories;
        sorted.sort();
        QCOMPARE(data.categories, sorted);
    }

    void anotherMeasureRedrawsWithoutAsking()
    {
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        w.Run();
        emit service.finished(MaterialResult());
        auto *measureBox = Find<QComboBox>(w, "CBmiara");
        measureBox->setCurrentIndex(measureBox->findData(int(SummaryMeasure::Value)));
        QCOMPARE(service.requests.size(), 1);
        auto *series = qobject_cast<QAbstractBarSeries *>(w.ChartView()->chart()->series()[0]);
        QCOMPARE(series->barSets()[0]->label(), QStringLiteral("Wartość"));
        QCOMPARE(series->barSets()[0]->at(2), 200.0);
    }

    void skippedTextUnderTheTable()
    {
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        w.show();
        auto *skipped = Find<QLabel>(w, "Lpominiete");
        SummaryResult r = MaterialResult();
        r.skipped = 3;
        emit service.finished(r);
        QCOMPARE(skipped->text(), QStringLiteral("Pominięto 3 pomiarów z nieczytelną datą lub masą"));
        QVERIFY(skipped->isVisible());
        emit service.finished(MaterialResult());
        QVERIFY(!skipped->isVisible());
    }

    void failureIsShownInTheWindow()
    {
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        w.show();
        w.Run();
        emit service.finished(MaterialResult());
        w.Run();
        QCOMPARE(Find<QLabel>(w, "Lstan")->text(), QStringLiteral("Liczę..."));
        emit service.failed(QStringLiteral("Brak połączenia z bazą danych."));
        QCOMPARE(Find<QLabel>(w, "Lstan")->text(), QStringLiteral("Brak połączenia z bazą danych."));
        QVERIFY(!QApplication::activeModalWidget());
        for (QWidget *top : QApplication::topLevelWidgets())
            QVERIFY2(!(qobject_cast<QDialog *>(top) && top->isVisible()), qPrintable(top->objectName()));
        // The old figures no longer answer the question: nothing to print or copy.
        QCOMPARE(Find<QTableView>(w, "TVzestawienie")->model()->rowCount(), 0);
        QVERIFY(!w.HasResult());
        QVERIFY(!Find<QPushButton>(w, "BBkopiuj")->isEnabled());
        QVERIFY(w.ChartView()->chart()->series().isEmpty());
        QVERIFY(Find<QPushButton>(w, "BBpokaz")->isEnabled());
    }

    void outputButtonsHandOverTheResult_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("which");
        QTest::newRow("print") << "BBdrukuj"
                               << "Drukuj..." << 0;
        QTest::newRow("pdf") << "BBpdf"
                             << "PDF..." << 1;
        QTest::newRow("xlsx") << "BBexcel"
                              << "Excel..." << 2;
        QTest::newRow("copy") << "BBkopiuj"
                              << "Kopiuj" << 3;
    }

    void outputButtonsHandOverTheResult()
    {
        QFETCH(QString, button);
        QFETCH(QString, text);
        QFETCH(int, which);
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        QSignalSpy print(&w, &ReportsWindow::printRequested);
        QSignalSpy pdf(&w, &ReportsWindow::pdfRequested);
        QSignalSpy xlsx(&w, &ReportsWindow::xlsxRequested);
        QSignalSpy copy(&w, &ReportsWindow::copyRequested);
        QSignalSpy *spies[] = {&print, &pdf, &xlsx, &copy};
        auto *b = Find<QPushButton>(w, button.toLatin1().constData());
        QCOMPARE(b->text(), text);
        QVERIFY(!b->isEnabled()); // nothing to hand over yet
        emit service.finished(MonthByMaterialResult());
        auto *measureBox = Find<QComboBox>(w, "CBmiara");
        measureBox->setCurrentIndex(measureBox->findData(int(SummaryMeasure::Value)));
        b->click();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(spies[i]->size(), i == which ? 1 : 0);
        const QList<QVariant> args = spies[which]->takeFirst();
        const auto result = args[0].value<SummaryResult>();
        QCOMPARE(result.rows.size(), 4);
        QCOMPARE(result.request.second, SummaryKey::Material);
        QCOMPARE(args[1].value<SummaryMeasure>(), SummaryMeasure::Value);
    }

    void chartRendersIntoAPicture()
    {
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        QImage blank = w.RenderChart(QSize(600, 400));
        QCOMPARE(blank.pixelColor(300, 200), QColor(Qt::white));
        emit service.finished(MonthByMaterialResult());
        const QImage image = w.RenderChart(QSize(600, 400));
        QCOMPARE(image.size(), QSize(600, 400));
        int inked = 0;
        for (int y = 0; y < image.height(); y += 4)
            for (int x = 0; x < image.width(); x += 4)
                inked += image.pixel(x, y) != qRgb(255, 255, 255);
        // Bars, axes and labels, not an empty page.
        QVERIFY2(inked > 1000, qPrintable(QString::number(inked)));
    }

    // A picture of the window for the README: POMIARY_SHOT=<file.png>.
    void screenshot()
    {
        const QString path = qEnvironmentVariable("POMIARY_SHOT");
        if (path.isEmpty())
            QSKIP("POMIARY_SHOT not set");
        FakeSummaryService service;
        ReportsWindow w(service, &clock);
        w.show();
        SummaryResult r = MonthByMaterialResult();
        r.request.from = QDate(2026, 10, 1);
        r.request.to = QDate(2026, 11, 30);
        r.rows.append(Row(QStringLiteral("2026-11"), QStringLiteral("Żwir"), 3, 75, 60.5, 14.5, 121));
        r.total = Row(QStringLiteral("Razem"), {}, 12, 217, 170.5, 46.5, 371);
        r.skipped = 2;
        Select(Find<QComboBox>(w, "CBgrupa1"), SummaryKey::Month);
        Select(Find<QComboBox>(w, "CBgrupa2"), SummaryKey::Material);
        emit service.finished(r);
        QTest::qWait(100);
        QVERIFY(w.grab().save(path));
        QVERIFY(w.RenderChart(QSize(800, 500))
                    .save(QString(path).replace(QStringLiteral(".png"), QStringLiteral("_chart.png"))));
    }
};

QTEST_MAIN(TestReportsWindow)
#include "tst_reports_window.moc"
