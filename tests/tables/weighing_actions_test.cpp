#include "core/clock.h"
#include "core/event_log.h"
#include "file_size_limit.h"
#include "scale/auto_add.h"
#include "scale/scale_reading.h"
#include "support/recording_write_hook.h"
#include "support/scripted_pickers.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/data_filter.h"
#include "tables/measurement_record.h"
#include "tables/table_set.h"
#include "tables/table_storage.h"
#include "tables/weighing_actions.h"

#include <gtest/gtest.h>

namespace {

class Actions : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        dataDir = tmp.path() + "/";
        config.tables[0].fields[TableParams::Material] = "Zwir";
        config.tables[0].fields[TableParams::Operator] = "JAN";
        reading.displayText = "100.00";
        reading.tareText = "10.00";
        log.enabled = true;
    }

    // One set of actions for the whole test, as the main window keeps one.
    WeighingActions &Make()
    {
        if (actions)
            return *actions;
        WeighingEnvironment env;
        env.tables = &tables;
        env.storage = &storage;
        env.config = &config;
        env.reading = &reading;
        env.prompts = &prompts;
        env.pickers = &pickers;
        env.clock = &clock;
        env.log = &log;
        env.autoAdd = &autoAdd;
        env.filter = filterForActions;
        env.lookups.materialPrice = [](QByteArrayView m) { return m == "Zwir" ? 2.0 : 0.0; };
        env.lookups.materialDefaultPackaging = [](QByteArrayView) { return QByteArray("Worek"); };
        env.lookups.packagingTare = [](QByteArrayView) { return 0.5; };
        env.askOrder = [this](const QByteArray &order) -> std::optional<OrderAnswer> {
            orderPresets << order;
            if (auto f = std::exchange(whileOrderOpen, nullptr))
                f();
            if (orderAnswers.isEmpty())
                return std::nullopt;
            return orderAnswers.takeFirst();
        };
        env.isAdministrator = [this] { return administrator; };
        env.view.refreshCaptions = [this] { ++captions; };
        env.view.refreshTotals = [this] { ++totals; };
        env.view.focusList = [this] { ++focus; };
        actions = std::make_unique<WeighingActions>(std::move(env));
        return *actions;
    }

    MeasurementTable &T() { return tables.Active(); }
    QByteArray File() const { return ReadAll(dataDir + "pomiary1.txt"); }
    QByteArray TableBytes()
    {
        QByteArray out;
        for (int r = 0; r < T().RowCount(); ++r)
            out += T().Line(r) + "\r\n";
        return out;
    }
    // Five weighings of 100.00 - 10.00 at 2.00 (nr 1..5).
    void AddFive()
    {
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(Make().AddWeighing());
    }

    QTemporaryDir tmp;
    QString dataDir;
    TableSet tables;
    TableStorage storage{tmp.path()};
    ProgramConfig config;
    ScaleReading reading;
    ScriptedPrompts prompts;
    ScriptedPickers pickers;
    ManualClock clock{QDateTime(QDate(2024, 5, 17), QTime(14, 3, 9))};
    EventLog log{tmp.path() + "/log.txt", clock};
    AutoAdd autoAdd;
    std::unique_ptr<WeighingActions> actions;
    QList<OrderAnswer> orderAnswers;
    QList<QByteArray> orderPresets;
    std::function<void()> whileOrderOpen;
    bool administrator = true;
    const DataFilter *filterForActions = nullptr;
    int captions = 0, totals = 0, focus = 0;
};

}  // namespace

TEST_F(Actions, AddingWritesTheRowAndLogsIt)
{
    ASSERT_TRUE(Make().AddWeighing());
    const QByteArray row = "1\t2024-05-17 14:03\t100.00\t90.00\t10.00\t2.00\t180.00\t\tZwir\tWorek\tJAN\t";
    EXPECT_EQ(T().Line(0), row);
    EXPECT_EQ(File(), row + "\r\n");
    EXPECT_EQ(T().CurrentRow(), 0);
    EXPECT_EQ(captions, 1);
    EXPECT_EQ(totals, 0);  // a new row carries no mark
    EXPECT_TRUE(autoAdd.NoUpdate());
    EXPECT_TRUE(ReadAll(tmp.path() + "/log.txt").contains("3\tonline"));
}

TEST_F(Actions, NoMeasurementAddsNothing)
{
    for (const char *shown : {"- - - - -", "* * * * *", ""}) {
        reading.displayText = shown;
        EXPECT_FALSE(Make().AddWeighing());
    }
    EXPECT_EQ(prompts.MessageTexts(), QStringList(3, "Brak pomiaru!"));
    EXPECT_EQ(T().RowCount(), 0);
    EXPECT_FALSE(QFile::exists(dataDir + "pomiary1.txt"));
}

TEST_F(Actions, OnlyStableRefusesWhatTheIndicatorMarksMoving)
{
    using S = IndicatorFrame::Stability;
    // Off, or a reading without a flag: added as always.
    reading.stability = S::Moving;
    EXPECT_TRUE(Make().AddWeighing());
    config.onlyStable = true;
    reading.stability = S::Unknown;
    EXPECT_TRUE(Make().AddWeighing());
    reading.stability = S::Moving;
    EXPECT_FALSE(Make().AddWeighing());
    EXPECT_EQ(prompts.MessageTexts(), QStringList{"Odczyt wagi nie jest stabilny!"});
    EXPECT_EQ(T().RowCount(), 2);
}

TEST_F(Actions, WeighingRecordsAndANewSeries)
{
    Make().AddRecordRow("7", "100.00", false);
    EXPECT_EQ(T().Line(0), "1\t2024-05-17 14:03\t100.00\t90.00\t10.00\t2.00\t200.00\t\tZwir\tWorek\t* * * * *\t");
    Make().AddRecordRow("8", "50.00", false);
    T().SetMark(0, true);
    const int totalsBefore = totals;
    Make().AddRecordRow("9", "60.00", true);  // a new series starts the table afresh
    ASSERT_EQ(T().RowCount(), 1);
    EXPECT_EQ(totals, totalsBefore + 1);  // the marked rows are gone from the totals
    EXPECT_EQ(Field(T().Line(0), ColGross), "60.00");
    EXPECT_EQ(File(), TableBytes());
    EXPECT_TRUE(prompts.messages.isEmpty());

    // Invalid lines the table never showed go with the file: said afterwards.
    WriteAll(dataDir + "pomiary1.txt", File() + "\r\n1\t2\r\n");
    Make().AddRecordRow("1", "70.00", true);
    EXPECT_EQ(T().RowCount(), 1);
    EXPECT_EQ(File(), TableBytes());
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].icon, UserPrompts::Icon::Information);
    EXPECT_EQ(prompts.messages[0].text,
              QString::fromUtf8("Nowa seria pomiarów: z pliku tabeli usunięto też nieprawidłowe linie: 2."));
}

TEST_F(Actions, UpdatingTheLastRowFollowsTheDisplay)
{
    config.netInBrackets = true;
    AddFive();
    reading.displayText = "120.00";
    clock.AdvanceMs(60000);
    Make().UpdateLastRow();
    EXPECT_EQ(T().Line(4), "5\t2024-05-17 14:04\t120.00\t(110.00)\t10.00\t2.00\t220.00\t\tZwir\tWorek\tJAN\t");
    EXPECT_EQ(File(), TableBytes());
    EXPECT_EQ(T().CurrentRow(), 4);
}

// Automatic adding follows its load in the row it added; a row that is not
// that one (deleted, or others added after it) is never overwritten.
TEST_F(Actions, OnlyTheNewestAddedRowIsBroughtUpToDate)
{
    AddFive();
    T().SetCurrentRow(4);
    prompts.answers = {true};
    Make().DeleteRow();
    const QByteArray before = File();
    reading.displayText = "120.00";
    Make().UpdateLastRow();
    EXPECT_EQ(Field(T().Line(3), ColGross), "100.00");
    EXPECT_EQ(File(), before);

    reading.displayText = "100.00";
    ASSERT_TRUE(Make().AddWeighing());
    reading.displayText = "120.00";
    Make().UpdateLastRow();
    EXPECT_EQ(Field(T().Line(4), ColGross), "120.00");

    Make().AddRecordRow("7", "80.00", false);  // the scale's own record comes after it
    reading.displayText = "130.00";
    Make().UpdateLastRow();
    EXPECT_EQ(Field(T().Line(4), ColGross), "120.00");
    EXPECT_EQ(Field(T().Line(5), ColGross), "80.00");
    EXPECT_EQ(File(), TableBytes());
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Actions, TareAndPriceThroughTheInputWindow)
{
    AddFive();
    T().SetCurrentRow(1);
    prompts.inputAnswers = {QString("15"), QString("2,5"), QString("x")};
    Make().EditTare();
    Make().EditPrice();
    Make().EditGross();  // not a number: nothing changes
    EXPECT_EQ(prompts.inputs, (QStringList{"Tara|Podaj tarę:|10.00", "Cena|Podaj cenę:|2.00",
                                           "Masa brutto|Podaj masę brutto:|100.00"}));
    EXPECT_EQ(T().Line(1), "2\t2024-05-17 14:03\t100.00\t85.00\t15.00\t2.50\t212.50\t\tZwir\tWorek\tJAN\t");
    EXPECT_EQ(prompts.MessageTexts(), QStringList{"Błędna wartość!"});
    EXPECT_EQ(File(), TableBytes());
    EXPECT_EQ(totals, 2);
}

TEST_F(Actions, PickersApplyToTheCurrentRowAndTheFollowingOnes)
{
    AddFive();
    T().SetCurrentRow(2);
    pickers.answers = {Picked("Piasek", "Paleta", "12.50", {}, ApplyToChoice::CurrentAndFollowing)};
    Make().EditMaterial();
    EXPECT_EQ(pickers.opened, QStringList{"material+group"});
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(Field(T().Line(r), ColMaterial), r < 2 ? "Zwir" : "Piasek") << r;
    EXPECT_EQ(Field(T().Line(4), ColValue), "1125.00");
    EXPECT_EQ(T().CurrentRow(), 2);
    EXPECT_EQ(File(), TableBytes());

    orderAnswers = {OrderAnswer{"WZ/5", ApplyToChoice::CurrentRow}};
    Make().EditOrder();
    EXPECT_EQ(Field(T().Line(2), ColOrder), "WZ/5");
    EXPECT_EQ(Field(T().Line(3), ColOrder), "");
}

TEST_F(Actions, DeletingKeepsANeighbourCurrent)
{
    AddFive();
    T().SetCurrentRow(4);
    prompts.answers = {true, false, true};
    Make().DeleteRow();
    EXPECT_EQ(prompts.questions.value(0),
              QString::fromUtf8("Czy napewno usunąć zaznaczony pomiar 5 ?\nczas pobrania: 2024-05-17 14:03\n"
                                "masa brutto: 100.00\nmasa netto: 90.00"));
    EXPECT_EQ(T().RowCount(), 4);
    EXPECT_EQ(T().CurrentRow(), 3);  // the new last row
    Make().DeleteRow();              // "Nie"
    EXPECT_EQ(T().RowCount(), 4);
    T().SetCurrentRow(1);
    Make().DeleteRow();
    EXPECT_EQ(T().CurrentRow(), 1);
    EXPECT_EQ(Field(T().Line(1), ColNr), "3");
    EXPECT_EQ(File(), TableBytes());

    while (T().RowCount() > 1)
        T().DeleteRow(0);
    T().SetCurrentRow(0);
    prompts.answers = {true};
    Make().DeleteRow();
    EXPECT_EQ(T().RowCount(), 0);
    EXPECT_EQ(T().CurrentRow(), -1);

    prompts.messages.clear();
    Make().EditTare();
    EXPECT_EQ(prompts.MessageTexts(), QStringList{"Nie wskazano pomiaru!"});
}

TEST_F(Actions, DeleteKeyFollowsTheRights)
{
    AddFive();
    T().SetCurrentRow(0);
    administrator = false;
    config.lockDelete = true;
    Make().DeleteKey();
    EXPECT_TRUE(prompts.questions.isEmpty());
    config.lockDelete = false;
    Make().DeleteKey();
    EXPECT_EQ(prompts.questions.size(), 1);
}

TEST_F(Actions, DoubleClickAsksForTheEmptyColumnsInOrder)
{
    AddFive();
    T().SetCurrentRow(0);
    orderAnswers = {OrderAnswer{"WZ/1", ApplyToChoice::CurrentRow}};
    pickers.answers = {Picked("Budex")};
    Make().DoubleClick();
    // Order then customer: material and operator are filled.
    EXPECT_EQ(orderPresets, QList<QByteArray>{""});
    EXPECT_EQ(pickers.opened, QStringList{"customer+group"});
    EXPECT_EQ(Field(T().Line(0), ColCustomer), "Budex");
    Make().DoubleClick();  // all four filled: nothing
    EXPECT_EQ(pickers.opened.size(), 1);
}

// The scale goes on while a window of an action is open: the answer goes to
// the row the action began on, or nowhere when that row is gone.
TEST_F(Actions, AWeighingAddedWhileAWindowIsOpenLeavesTheAnswerToItsRow)
{
    AddFive();
    auto addOne = [this] { ASSERT_TRUE(actions->AddWeighing()); };
    T().SetCurrentRow(1);
    pickers.whileOpen = addOne;
    pickers.answers = {Picked("Piasek", "Paleta", "12.50")};
    Make().EditMaterial();
    ASSERT_EQ(T().RowCount(), 6);
    EXPECT_EQ(Field(T().Line(1), ColMaterial), "Piasek");
    EXPECT_EQ(Field(T().Line(5), ColMaterial), "Zwir");
    EXPECT_EQ(T().CurrentRow(), 1);

    T().SetCurrentRow(2);
    prompts.whileOpen = addOne;
    prompts.inputAnswers = {QString("15")};
    Make().EditTare();
    EXPECT_EQ(Field(T().Line(2), ColTare), "15.00");
    EXPECT_EQ(Field(T().Line(6), ColTare), "10.00");

    // The double-click chain stays on the clicked row: its customer, not the new row's.
    T().SetCurrentRow(0);
    whileOrderOpen = addOne;
    orderAnswers = {OrderAnswer{"WZ/1", ApplyToChoice::CurrentRow}};
    pickers.answers = {Picked("Budex")};
    Make().DoubleClick();
    ASSERT_EQ(T().RowCount(), 8);
    EXPECT_EQ(Field(T().Line(0), ColOrder), "WZ/1");
    EXPECT_EQ(Field(T().Line(0), ColCustomer), "Budex");
    EXPECT_EQ(Field(T().Line(7), ColCustomer), "");
    EXPECT_EQ(File(), TableBytes());
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Actions, ATableStartedAfreshWhileAWindowIsOpenTakesNoAnswer)
{
    AddFive();
    // A new series of five records from the scale replaces the rows meanwhile.
    auto newSeries = [this] {
        for (int i = 1; i <= 5; ++i)
            actions->AddRecordRow(QByteArray::number(i), QByteArray::number(60 + i) + ".00", i == 1);
    };
    const QString gone = QString::fromUtf8("Wskazany pomiar nie jest już w tabeli. Zmiana nie została wprowadzona.");
    T().SetCurrentRow(3);
    prompts.whileOpen = newSeries;
    prompts.answers = {true};
    Make().DeleteRow();
    EXPECT_EQ(T().RowCount(), 5);
    EXPECT_EQ(prompts.MessageTexts(), QStringList{gone});

    T().SetCurrentRow(2);
    prompts.whileOpen = newSeries;
    prompts.inputAnswers = {QString("5")};
    Make().EditGross();
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(Field(T().Line(r), ColGross), QByteArray::number(61 + r) + ".00");
    EXPECT_EQ(prompts.MessageTexts(), QStringList(2, gone));
    EXPECT_EQ(File(), TableBytes());
}

TEST_F(Actions, DeletingTheNewestRowWhileItIsBroughtUpToDate)
{
    AddFive();
    T().SetCurrentRow(4);
    prompts.whileOpen = [this] {
        reading.displayText = "120.00";
        actions->UpdateLastRow();
    };
    prompts.answers = {true};
    Make().DeleteRow();
    EXPECT_EQ(T().RowCount(), 4);
    EXPECT_EQ(File(), TableBytes());
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// A write that fails (a file made read-only for a moment, a full disk) takes
// the change back in memory too: the table always equals its file, and the
// message says what was not recorded.
TEST_F(Actions, EveryFailedWriteLeavesTheTableEqualToItsFile)
{
    AddFive();
    T().SetMark(1, true);
    const QString path = dataDir + "pomiary1.txt";
    const QByteArray before = File();
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    const QString refused = QString::fromUtf8("Błąd przy zapisie do pliku: ") + path +
                            QString::fromUtf8(".\nBrak miejsca na dysku lub dysk zabezpieczony przed zapisem.\n");
    auto expectUnchanged = [&](const char *what, const QString &lastLine) {
        SCOPED_TRACE(what);
        EXPECT_EQ(File(), before);
        EXPECT_EQ(TableBytes(), before);
        EXPECT_EQ(prompts.MessageTexts(), QStringList{refused + lastLine});
        prompts.messages.clear();
    };
    const QString notAdded = QString::fromUtf8("Pomiar nie został zapisany.");
    const QString notChanged = QString::fromUtf8("Zmiana nie została zapisana.");

    // The newest row is followed no further after its update failed: one message.
    reading.displayText = "120.00";
    Make().UpdateLastRow();
    expectUnchanged("update", notChanged);
    Make().UpdateLastRow();
    EXPECT_TRUE(prompts.messages.isEmpty());

    EXPECT_FALSE(Make().AddWeighing());
    expectUnchanged("button", notAdded);
    EXPECT_EQ(captions, 5);  // no sixth row to count

    Make().AddRecordRow("7", "80.00", false);
    expectUnchanged("record", notAdded);

    Make().AddRecordRow("8", "80.00", true);  // the new series cannot start, nor the record be added
    EXPECT_EQ(prompts.MessageTexts(),
              (QStringList{QString::fromUtf8("Błąd (1) przy zapisie do pliku: ") + path +
                               QString::fromUtf8(".\nBrak miejsca na dysku lub dysk zabezpieczony przed zapisem.\n"
                                                 "Nowa seria pomiarów nie została rozpoczęta."),
                           refused + notAdded}));
    prompts.messages.clear();
    EXPECT_EQ(TableBytes(), before);

    T().SetCurrentRow(1);
    prompts.inputAnswers = {QString("150"), QString("15"), QString("3")};
    Make().EditGross();
    expectUnchanged("gross", notChanged);
    Make().EditTare();
    expectUnchanged("tare", notChanged);
    Make().EditPrice();
    expectUnchanged("price", notChanged);
    orderAnswers = {OrderAnswer{"WZ/5", ApplyToChoice::CurrentAndFollowing}};
    Make().EditOrder();
    expectUnchanged("range of orders", notChanged);
    pickers.answers = {Picked("Piasek", "Paleta", "12.50", {}, ApplyToChoice::CurrentAndFollowing),
                       Picked("Paleta", {}, {}, "25.00"), Picked("Budex"), Picked("EWA")};
    Make().EditMaterial();
    expectUnchanged("material", notChanged);
    config.tareFromPackaging = true;
    Make().EditPackaging();
    expectUnchanged("packaging", notChanged);
    Make().EditCustomer();
    expectUnchanged("customer", notChanged);
    Make().EditOperator();
    expectUnchanged("operator", notChanged);

    prompts.answers = {true};
    Make().DeleteRow();
    expectUnchanged("delete", QString::fromUtf8("Pomiar nie został usunięty."));
    EXPECT_EQ(T().CurrentRow(), 1);
    EXPECT_TRUE(T().Mark(1));

    // Writable again: everything works and the numbering goes on.
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(Make().AddWeighing());
    EXPECT_EQ(Field(T().Line(5), ColNr), "6");
    EXPECT_EQ(File(), TableBytes());
}

// A disk that fills up in the middle of a write: the same rule.
TEST_F(Actions, AFullDiskTakesBackTheAddedRowAndTheRangeEdit)
{
    AddFive();
    const QByteArray before = File();
    {
        const FileSizeLimit full(before.size() + 10);
        EXPECT_FALSE(Make().AddWeighing());
        T().SetCurrentRow(0);
        orderAnswers = {OrderAnswer{"WZ/123456789", ApplyToChoice::CurrentAndFollowing}};
        Make().EditOrder();
    }
    EXPECT_EQ(File(), before);
    EXPECT_EQ(TableBytes(), before);
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(prompts.messages[0].text.endsWith(QString::fromUtf8("Pomiar nie został zapisany.")));
    EXPECT_TRUE(prompts.messages[1].text.endsWith(QString::fromUtf8("Zmiana nie została zapisana.")));
}

// Automatic adding in mode 1: the next load could not be recorded, so the
// readings that follow it must not bring the previous load's row up to date.
TEST_F(Actions, AFailedAddEndsTheFollowingOfTheRowBefore)
{
    AddFive();
    const QByteArray before = File();
    ASSERT_TRUE(QFile::setPermissions(dataDir + "pomiary1.txt", QFileDevice::ReadOwner));
    reading.displayText = "300.00";
    EXPECT_FALSE(Make().AddWeighing());
    autoAdd.NoteAutomaticAddDone();
    Make().UpdateLastRow();
    EXPECT_EQ(Field(T().Line(4), ColGross), "100.00");
    EXPECT_EQ(File(), before);
    EXPECT_EQ(prompts.messages.size(), 1);
}

// The row to delete is gone from its file (edited outside): it goes from the
// table as well, so both agree; nothing to report.
TEST_F(Actions, DeletingARowItsFileNoLongerHolds)
{
    AddFive();
    WriteAll(dataDir + "pomiary1.txt", T().Line(0) + "\r\n");
    T().SetCurrentRow(3);
    prompts.answers = {true};
    Make().DeleteRow();
    EXPECT_EQ(T().RowCount(), 4);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// Under a filter the new number follows the last numbered line of the file,
// hidden ones included, so no two weighings share a number.
TEST_F(Actions, NumberingUnderAFilterFollowsTheWholeFile)
{
    QByteArray file;
    for (int nr = 1; nr <= 40; ++nr)
        file += QByteArray::number(nr) + "\t2024-05-17 14:03\t1.00\t1.00\t0.00\t0.00\t0.00\t\t" +
                (nr <= 5 ? "Piasek" : "Zwir") + "\t\tJAN\t\r\n";
    file += "\t2024-05-17 14:03\t1.00\t1.00\t0.00\t0.00\t0.00\t\tZwir\t\tJAN\t\r\n";  // not numbered
    ASSERT_TRUE(WriteAll(dataDir + "pomiary1.txt", file));
    DataFilter filter;
    filter.material = "piasek";
    ASSERT_TRUE(LoadTable(dataDir + "pomiary1.txt", T(), filter).ok);
    ASSERT_EQ(T().RowCount(), 5);
    filterForActions = &filter;
    ASSERT_TRUE(Make().AddWeighing());
    EXPECT_EQ(Field(T().Line(5), ColNr), "41");
    Make().AddRecordRow("9", "50.00", false);
    EXPECT_EQ(Field(T().Line(6), ColNr), "42");

    // Without a filter the rows shown decide, as they hold the whole file.
    filter = {};
    ASSERT_TRUE(LoadTable(dataDir + "pomiary1.txt", T(), filter).ok);
    ASSERT_TRUE(Make().AddWeighing());
    EXPECT_EQ(Field(T().Line(T().RowCount() - 1), ColNr), "43");
}

TEST_F(Actions, EachWriteTellsTheJournalWhatTheActionWas)
{
    RecordingWriteHook hook;
    storage.SetWriteHook(&hook);
    ASSERT_TRUE(Make().AddWeighing());
    ASSERT_TRUE(Make().AddWeighing(TableAction::AddInsert));
    ASSERT_TRUE(Make().AddWeighing(TableAction::AddAutomatic));  // mode 0: no load follows
    config.autoAddMode = 1;
    ASSERT_TRUE(Make().AddWeighing(TableAction::AddAutomatic));
    // Mode 1: the updates of the load, then its end when the next row comes.
    reading.displayText = "101.00";
    Make().UpdateLastRow();
    Make().EndLoad();
    prompts.inputAnswers = {QString("150")};
    Make().EditGross();
    pickers.answers = {Picked("Piasek", "Paleta", "12.50", {}, ApplyToChoice::CurrentAndFollowing)};
    T().SetCurrentRow(0);
    Make().EditMaterial();
    prompts.answers = {true};
    Make().DeleteRow();
    Make().AddRecordRow("7", "55.00", true);
    storage.SetWriteHook(nullptr);
    EXPECT_EQ(hook.writes, (QStringList{"end of load", "append button", "end of load", "append insert", "end of load",
                                        "append auto", "end of load", "append auto load", "replace load update",
                                        "end of load",
                                        QString("replace correction field %1").arg(ColGross),
                                        QString("replace correction field %1 range").arg(ColMaterial),
                                        "replace delete", "rewrite series", "append record"}));
}
