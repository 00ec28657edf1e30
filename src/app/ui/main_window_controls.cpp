// The main window's controls and their places.

#include "app/ui/main_window.h"

#include "core/ui/clickable_label.h"
#include "core/ui/cp1250_validator.h"
#include "core/ui/limited_field.h"
#include "output/main_layout.h"
#include "scale/ui/gauge_widget.h"
#include "scale/ui/link_indicator.h"
#include "tables/totals.h"
#include "tables/ui/table_pages.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>

namespace {

constexpr int kTopHeight = 215;
constexpr int kTopCenterWidth = 650;
constexpr int kSettingsWidth = 205;
constexpr int kBottomBarHeight = 34;

template <typename W>
W *Named(W *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// A button whose only text is an icon carries its hint for screen readers too.
void Hint(QWidget *w, const QString &hint)
{
    w->setToolTip(hint);
    w->setAccessibleName(hint);
}

}  // namespace

void MainWindow::BuildControls()
{
    setObjectName(QStringLiteral("TForm1"));
    central_ = new QWidget(this);
    central_->setObjectName("Pmain");
    setCentralWidget(central_);
    setMinimumSize(MainLayout::kDesignWidth, MainLayout::kDesignHeight);

    topCenter_ = BuildTopCenter(central_);
    settingsPages_ = BuildSettingsPages(central_);

    // The five table pages are placed here.
    tablesArea_ = Named(new QWidget(central_), "Ptables");
    new QVBoxLayout(tablesArea_);
    tablesArea_->layout()->setContentsMargins(0, 0, 0, 0);

    BuildBottomBar(central_);
    BuildStatusBar();
}

QWidget *MainWindow::BuildTopCenter(QWidget *parent)
{
    auto *panel = Named(new QWidget(parent), "Ptop_center");
    panel->resize(kTopCenterWidth, kTopHeight);

    display_ = Named(new QLabel(QStringLiteral("-9999.99"), panel), "Ldisplay");
    QFont big(QStringLiteral("Arial"));
    big.setPixelSize(96);
    display_->setFont(big);
    display_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    display_->setAutoFillBackground(true);
    QPalette pal = display_->palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    pal.setColor(QPalette::WindowText, Qt::black);
    display_->setPalette(pal);
    display_->setGeometry(0, 4, 400, 110);
    display_->setAccessibleName(QStringLiteral("Aktualna masa"));

    unit_ = Named(new QLabel(QStringLiteral("kg"), panel), "Ljednost");
    QFont unitFont(QStringLiteral("Arial"));
    unitFont.setPixelSize(24);
    unitFont.setBold(true);
    unit_->setFont(unitFont);
    unit_->setGeometry(406, 76, 52, 32);

    QFont medium(QStringLiteral("Arial"));
    medium.setPixelSize(18);
    setTare_ = Named(new QPushButton(QStringLiteral("Tara "), panel), "BBset_tare");
    setTare_->setGeometry(0, 122, 90, 30);
    connect(setTare_, &QPushButton::clicked, this, &MainWindow::BBset_tareClick);
    auto *tare = Named(new ClickableLabel(QStringLiteral("0.00"), panel), "Ltara");
    tare->setFont(medium);
    tare->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    tare->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tare->setGeometry(96, 122, 110, 30);
    tare->setCursor(Qt::PointingHandCursor);
    Hint(tare, QStringLiteral("Ustaw tarę"));
    connect(tare, &ClickableLabel::clicked, this, &MainWindow::LtaraClick);
    tare_ = tare;
    tareFromBox_ = Named(new QLabel(QStringLiteral("<Tara pobierana z opakowania>"), panel), "Ltarefrombox");
    tareFromBox_->setGeometry(0, 122, 300, 30);

    add_ = Named(new QPushButton(QStringLiteral("  Dodaj pomiar"), panel), "BBdodaj");
    add_->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    add_->setGeometry(0, 160, 200, 50);
    add_->setFont(medium);
    connect(add_, &QPushButton::clicked, this, &MainWindow::BBdodajClick);

    autoAdd_ = Named(new QToolButton(panel), "SBauto_dodaj");
    autoAdd_->setCheckable(true);
    autoAdd_->setText(QStringLiteral("A"));
    autoAdd_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    autoAdd_->setGeometry(206, 160, 50, 50);
    Hint(autoAdd_, QStringLiteral("Automatyczne dodawanie pomiarów"));

    auto *filter = Named(new QPushButton(QStringLiteral("Ustaw filtr"), panel), "BBfilter");
    filter->setGeometry(266, 160, 120, 26);
    auto *filterStatus = Named(new QLabel(QStringLiteral("<Filtr włączony>"), panel), "Lfilter_status");
    filterStatus->setGeometry(266, 190, 130, 20);
    filterStatus->setStyleSheet(QStringLiteral("color: red"));
    filterStatus->hide();

    sledEthernet_ = new LinkIndicator(panel);
    sledEthernet_->setGeometry(404, 190, 18, 18);

    labelGroup_ = BuildLabelGroup(panel);
    return panel;
}

QGroupBox *MainWindow::BuildLabelGroup(QWidget *parent)
{
    auto *group = Named(new QGroupBox(QStringLiteral("    Drukuj etykietę"), parent), "GBdrukuj");
    group->setGeometry(464, 0, 186, 205);
    // The labels' names and texts come from the totals; only their places are here.
    constexpr std::array<int, 5> tops{20, 40, 60, 80, 152};
    const auto &labels = TotalsLabels();
    static_assert(tops.size() == std::tuple_size_v<std::remove_cvref_t<decltype(labels)>>);
    for (size_t i = 0; i < labels.size(); ++i) {
        const TotalsLabel &l = labels[i];
        const QString name = QString::fromLatin1(l.name);
        auto *caption = new QLabel(QString::fromUtf8(l.caption), group);
        caption->setObjectName(name + QLatin1Char('0'));
        caption->setGeometry(6, tops[i], 82, 18);
        auto *value = new QLabel(QString::fromUtf8(l.initial), group);
        value->setObjectName(name);
        value->setGeometry(88, tops[i], 92, 18);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setToolTip(QString::fromUtf8(l.hint));
        value->setAccessibleDescription(QString::fromUtf8(l.hint));
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        totals_.append(value);
        if (name == QLatin1String("Ldisp_etyk_value")) {
            valueCaption_ = caption;
            valueTotal_ = value;
        }
    }

    auto *selectAll = Named(new QToolButton(group), "SBselectall");
    selectAll->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    selectAll->setGeometry(6, 104, 26, 26);
    Hint(selectAll, QStringLiteral("Zaznacz / odznacz wszystkie pomiary"));
    auto *selectDown = Named(new QToolButton(group), "SBselectdown");
    selectDown->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    selectDown->setGeometry(36, 104, 26, 26);
    Hint(selectDown, QStringLiteral("Zaznacz / odznacz bieżący pomiar i następne"));

    // The company lines live in hidden labels; the image shows them as its
    // hint. Both are filled once the data folder is known (ApplyCompanyHeader).
    for (int i = 0; i < 3; ++i) {
        auto *l = new QLabel(group);
        l->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        l->hide();
    }
    auto *image = Named(new QLabel(group), "Image1");
    image->setPixmap(style()->standardIcon(QStyle::SP_FileDialogInfoView).pixmap(24, 24));
    image->setGeometry(150, 104, 28, 28);

    printLabel_ = Named(new QPushButton(QStringLiteral("    Drukuj etykietę"), group), "BBdrukuj");
    printLabel_->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
    printLabel_->setGeometry(6, 174, 174, 25);
    return group;
}

QTabWidget *MainWindow::BuildSettingsPages(QWidget *parent)
{
    auto *pages = Named(new QTabWidget(parent), "PCustawienia");
    pages->resize(kSettingsWidth, kTopHeight);
    // Three tabs must fit the narrow column without scroll arrows.
    pages->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 4px 5px; }"));
    pages->setUsesScrollButtons(false);

    // The maker's information page exists but stays hidden.
    auto *maker = Named(new QWidget, "TSinfo");
    pages->addTab(maker, QStringLiteral("Info"));
    pages->setTabVisible(0, false);

    auto *clock = Named(new QWidget, "TSzegar");
    auto *clockLayout = new QVBoxLayout(clock);
    clockLayout->setContentsMargins(0, 0, 0, 0);
    gauge_ = new GaugeWidget(clock);
    clockLayout->addWidget(gauge_);
    // Read at every tick: a changed maximum, scale or unit needs no wiring.
    gauge_->SetSource([this] {
        return GaugeWidget::Inputs{scaleInput_->Reading().displayText, config_.maxMass, config_.dialPercent,
                                   unit_->text()};
    });
    pages->addTab(clock, QStringLiteral("Zegar"));

    auto *settings = Named(new QWidget, "TSustawienia");
    auto *settingsLayout = new QVBoxLayout(settings);
    const std::pair<const char *, const char *> buttons[] = {
        {"BBsetrs", "Waga..."},
        {"BBparams_adv", "    Ustawienia dodatkowe..."},
        {"BBoperators", "Operatorzy..."},
        {"BBzestawienia", "Zestawienia..."},
        {"BBabout", "            O programie..."},
    };
    for (const auto &[name, caption] : buttons) {
        auto *b = Named(new QPushButton(QString::fromUtf8(caption), settings), name);
        settingsLayout->addWidget(b);
        if (QByteArrayView(name) == "BBabout")
            connect(b, &QPushButton::clicked, this, &MainWindow::BBaboutClick);
        else if (QByteArrayView(name) == "BBsetrs")
            connect(b, &QPushButton::clicked, this, &MainWindow::BBsetrsClick);
        else if (QByteArrayView(name) == "BBoperators")
            connect(b, &QPushButton::clicked, this, &MainWindow::BBoperatorsClick);
        else if (QByteArrayView(name) == "BBzestawienia") {
            b->setToolTip(QStringLiteral("Zestawienia pomiarów (F9)"));
            connect(b, &QPushButton::clicked, this, &MainWindow::ShowReports);
        }
    }
    pages->addTab(settings, QStringLiteral("Ustawienia"));
    auto *reportsKey = new QShortcut(QKeySequence(Qt::Key_F9), this);
    reportsKey->setContext(Qt::WindowShortcut);
    connect(reportsKey, &QShortcut::activated, this, &MainWindow::ShowReports);

    auto *scale = Named(new QWidget, "TSwaga");
    auto *scaleLayout = new QVBoxLayout(scale);
    scaleLayout->setSpacing(2);
    for (const char *line : {"Waga WPT/4 60 C3", "Nr fabr. 123456, rok 2024", "Świadectwo nr 0001/2024"})
        scaleLayout->addWidget(new QLabel(QString::fromUtf8(line), scale));
    auto *userCaption = new QLabel(QStringLiteral("dane\nużytkownika:"), scale);
    scaleLayout->addWidget(userCaption);
    param1_ = Named(new QLineEdit(scale), "Eparam1");
    param2_ = Named(new QLineEdit(scale), "Eparam2");
    for (QLineEdit *e : {param1_, param2_}) {
        LimitTyping(e, 40);
        e->setValidator(new Cp1250Validator(e));
        e->setAccessibleName(QStringLiteral("Dane użytkownika"));
        scaleLayout->addWidget(e);
    }
    auto *image = Named(new ClickableLabel(scale), "Image2");
    image->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(20, 20));
    image->setCursor(Qt::PointingHandCursor);
    Hint(image, QStringLiteral("O programie"));
    connect(image, &ClickableLabel::clicked, this, &MainWindow::BBaboutClick);
    scaleLayout->addWidget(image, 0, Qt::AlignRight);
    pages->addTab(scale, QStringLiteral("Waga"));
    return pages;
}

void MainWindow::BuildBottomBar(QWidget *parent)
{
    const char *captions[] = {"Usuń pomiar", "&Brutto",  "&Tara",     "&Cena",           "&Zamówienie",
                              "&Materiał",   "O&pakowanie", "&Operator", "Dostawca/&Klient"};
    for (int i = 0; i < 9; ++i)
        bottomButtons_.append(Named(new QPushButton(QString::fromUtf8(captions[i]), parent), kBottomButtonNames[i]));
}

void MainWindow::BuildStatusBar()
{
    auto *bar = Named(new QStatusBar(this), "StatusBar");
    bar->setSizeGripEnabled(false);
    // The panels keep their design widths; a compact font lets the longest
    // link text ("brak połączenia! (port COM16, 115200bps)") fit in 190 px.
    QFont small(QStringLiteral("Arial Narrow"));
    small.setPixelSize(11);
    bar->setFont(small);
    setStatusBar(bar);
    const QString texts[] = {QStringLiteral("Połączenie z wagą:"), QString(), QStringLiteral("Połączenie z drukarką:"),
                             QString(), QStringLiteral("Operator:"), QString()};
    for (int i = 0; i < 6; ++i) {
        auto *panel = new QLabel(texts[i], bar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        const bool fixed = i % 2 == 0;
        panel->setFrameStyle(QFrame::Panel | (fixed ? QFrame::Raised : QFrame::Sunken));
        if (i == 0 || i == 2)
            panel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        bar->addWidget(panel);
        statusPanels_.append(panel);
    }
}

// Runs at every change of the window's size, once when the window first
// appears and after the settings change (ApplyLayoutSettings).
void MainWindow::FormResize()
{
    if (!central_ || !tablePages_)
        return;
    // The columns go back to their set widths as well; a column the user
    // dragged wider holds only until the window changes.
    tablePages_->ApplyColumnWidths();
    MainLayout l = ComputeMainLayout(width());
    if (centralPanel_)
        MakeRoomForCentralPanel(l.statusWidths);
    const int h = central_->height();
    topCenter_->move(l.topCenterLeft, 0);
    settingsPages_->setGeometry(width() - kSettingsWidth - 2, 0, kSettingsWidth, kTopHeight);
    tablesArea_->setGeometry(0, kTopHeight + 3, width(), h - kTopHeight - 3 - kBottomBarHeight);
    for (int i = 0; i < 9; ++i)
        bottomButtons_[i]->setGeometry(l.bottomButtons[i].first, h - kBottomBarHeight + 4, l.bottomButtons[i].second,
                                       27);
    for (int i = 0; i < 6; ++i)
        statusPanels_[i]->setFixedWidth(l.statusWidths[i]);
}
