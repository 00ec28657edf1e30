#include "scale/ui/protocol_group.h"

#include "scale/protocol_settings.h"
#include "scale/protocols/protocol_names.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kTextKeyMax = 200;

QSpinBox *Spin(QWidget *parent, const char *name, int low, int high, const QString &accessible)
{
    auto *s = new QSpinBox(parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(low, high);
    s->setAccessibleName(accessible);
    return s;
}

QComboBox *Choice(QWidget *parent, const char *name, const QStringList &items, const QString &accessible)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    c->setAccessibleName(accessible);
    return c;
}

QLineEdit *Line(QWidget *parent, const char *name, const QString &accessible)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(kTextKeyMax);
    e->setAccessibleName(accessible);
    return e;
}

QString UsualRequestText(int protocol)
{
    return QString::fromLatin1(EscapeRequest(UsualRequest(IndicatorProtocol(protocol))));
}

bool IsModbus(int protocol)
{
    return protocol == int(IndicatorProtocol::ModbusRtu) || protocol == int(IndicatorProtocol::ModbusTcp);
}

}  // namespace

ProtocolGroup::ProtocolGroup(QWidget *parent) : QGroupBox(QStringLiteral("Protokół wagi"), parent)
{
    setObjectName(QStringLiteral("GBprotokol"));

    protocol_ = new QComboBox(this);
    protocol_->setObjectName(QStringLiteral("CBprotokol"));
    protocol_->setAccessibleName(QStringLiteral("Protokół"));
    for (int p = 0; p < kIndicatorProtocolCount; ++p)
        protocol_->addItem(ProtocolName(IndicatorProtocol(p)));

    request_ = Line(this, "Ezapytanie", QStringLiteral("Zapytanie"));
    request_->setPlaceholderText(QStringLiteral("puste: waga wysyła sama"));
    request_->setToolTip(QStringLiteral("Znaki sterujące: \\r, \\n, \\xHH"));
    interval_ = Spin(this, "SEzapytanie_co_ms", ProtocolSettings::kMinIntervalMs, ProtocolSettings::kMaxIntervalMs,
                     QStringLiteral("Zapytanie co ms"));
    interval_->setSingleStep(50);
    interval_->setSuffix(QStringLiteral(" ms"));
    pattern_ = Line(this, "Ewzorzec", QStringLiteral("Wzorzec ramki"));
    pattern_->setToolTip(QStringLiteral("Wyrażenie regularne z grupami (?<waga>...), (?<jednostka>...), "
                                        "(?<stabilny>...)"));
    stableText_ = Line(this, "Etekst_stabilny", QStringLiteral("Tekst stabilnego odczytu"));
    onlyStable_ = new QCheckBox(QStringLiteral("Dodawaj tylko stabilne odczyty"), this);
    onlyStable_->setObjectName(QStringLiteral("CBtylko_stabilne"));

    modbus_ = new QGroupBox(QStringLiteral("Modbus"), this);
    modbus_->setObjectName(QStringLiteral("GBmodbus"));
    unit_ = Spin(modbus_, "SEmodbus_adres", 1, 247, QStringLiteral("Adres urządzenia"));
    register_ = Spin(modbus_, "SEmodbus_rejestr", 0, 65535, QStringLiteral("Rejestr masy"));
    registerKind_ = Choice(modbus_, "CBmodbus_typ",
                           {QStringLiteral("holding (03)"), QStringLiteral("input (04)")},
                           QStringLiteral("Rodzaj rejestru"));
    format_ = Choice(modbus_, "CBmodbus_format",
                     {QStringLiteral("16 bitów ze znakiem"), QStringLiteral("16 bitów bez znaku"),
                      QStringLiteral("32 bity ze znakiem"), QStringLiteral("32 bity bez znaku"),
                      QStringLiteral("32 bity zmiennoprzecinkowe")},
                     QStringLiteral("Format"));
    wordOrder_ = Choice(modbus_, "CBmodbus_slowa",
                        {QStringLiteral("starsze słowo pierwsze"), QStringLiteral("młodsze słowo pierwsze")},
                        QStringLiteral("Kolejność słów"));
    scale_ = Line(modbus_, "Emodbus_mnoznik", QStringLiteral("Mnożnik"));
    decimals_ = Spin(modbus_, "SEmodbus_miejsca", 0, 6, QStringLiteral("Miejsca dziesiętne"));
    statusRegister_ = Spin(modbus_, "SEmodbus_status", -1, 65535, QStringLiteral("Rejestr statusu"));
    statusRegister_->setSpecialValueText(QStringLiteral("brak"));
    stableBit_ = Spin(modbus_, "SEmodbus_bit", 0, 15, QStringLiteral("Bit stabilności"));
    parity_ = Choice(modbus_, "CBmodbus_parzystosc",
                     {QStringLiteral("brak"), QStringLiteral("parzysta"), QStringLiteral("nieparzysta")},
                     QStringLiteral("Parzystość"));
    auto *modbusForm = new QGridLayout(modbus_);
    const QList<QPair<QString, QWidget *>> modbusRows = {
        {QStringLiteral("Adres urządzenia:"), unit_},   {QStringLiteral("Rejestr masy:"), register_},
        {QStringLiteral("Rodzaj rejestru:"), registerKind_}, {QStringLiteral("Format:"), format_},
        {QStringLiteral("Kolejność słów:"), wordOrder_}, {QStringLiteral("Mnożnik:"), scale_},
        {QStringLiteral("Miejsca dziesiętne:"), decimals_}, {QStringLiteral("Rejestr statusu:"), statusRegister_},
        {QStringLiteral("Bit stabilności:"), stableBit_}, {QStringLiteral("Parzystość (RTU):"), parity_},
    };
    // Two columns of label + field keep the fixed-size window low.
    for (int i = 0; i < modbusRows.size(); ++i) {
        auto *label = new QLabel(modbusRows[i].first, modbus_);
        label->setBuddy(modbusRows[i].second);
        modbusForm->addWidget(label, i / 2, (i % 2) * 2);
        modbusForm->addWidget(modbusRows[i].second, i / 2, (i % 2) * 2 + 1);
    }

    auto *monitor = new QPushButton(QStringLiteral("Podgląd transmisji"), this);
    monitor->setObjectName(QStringLiteral("BBpodglad"));
    auto *detect = new QPushButton(QStringLiteral("Wykryj"), this);
    detect->setObjectName(QStringLiteral("BBwykryj"));
    detect->setToolTip(QStringLiteral("Rozpoznaj protokół i szybkość transmisji wagi"));
    connect(monitor, &QPushButton::clicked, this, &ProtocolGroup::monitorRequested);
    connect(detect, &QPushButton::clicked, this, &ProtocolGroup::detectRequested);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Protokół:"), protocol_);
    auto *requestRow = new QHBoxLayout;
    requestRow->addWidget(request_, 1);
    requestRow->addWidget(new QLabel(QStringLiteral("co"), this));
    requestRow->addWidget(interval_);
    form->addRow(QStringLiteral("Zapytanie:"), requestRow);
    form->addRow(QStringLiteral("Wzorzec ramki:"), pattern_);
    form->addRow(QStringLiteral("Tekst stabilnego odczytu:"), stableText_);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(onlyStable_);
    buttons->addStretch();
    buttons->addWidget(detect);
    buttons->addWidget(monitor);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(modbus_);
    layout->addLayout(buttons);

    connect(protocol_, &QComboBox::currentIndexChanged, this, &ProtocolGroup::ProtocolChosen);
}

void ProtocolGroup::SetChoice(const PortSettingsChoice &choice)
{
    const QSignalBlocker block(protocol_);
    protocol_->setCurrentIndex(qBound(0, choice.protocol, kIndicatorProtocolCount - 1));
    shownProtocol_ = protocol_->currentIndex();
    request_->setText(choice.request);
    interval_->setValue(choice.requestIntervalMs);
    pattern_->setText(choice.framePattern);
    stableText_->setText(choice.stableText);
    onlyStable_->setChecked(choice.onlyStable);
    unit_->setValue(choice.modbusUnit);
    register_->setValue(choice.modbusRegister);
    registerKind_->setCurrentIndex(choice.modbusRegisterKind);
    format_->setCurrentIndex(choice.modbusFormat);
    wordOrder_->setCurrentIndex(choice.modbusWordOrder);
    scale_->setText(choice.modbusScale);
    decimals_->setValue(choice.modbusDecimals);
    statusRegister_->setValue(choice.modbusStatusRegister);
    stableBit_->setValue(choice.modbusStableBit);
    parity_->setCurrentIndex(choice.modbusParity);
    UpdateEnabled();
}

void ProtocolGroup::ReadInto(PortSettingsChoice &choice) const
{
    choice.protocol = protocol_->currentIndex();
    choice.request = request_->text();
    choice.requestIntervalMs = interval_->value();
    choice.framePattern = pattern_->text();
    choice.stableText = stableText_->text();
    choice.onlyStable = onlyStable_->isChecked();
    choice.modbusUnit = unit_->value();
    choice.modbusRegister = register_->value();
    choice.modbusRegisterKind = registerKind_->currentIndex();
    choice.modbusFormat = format_->currentIndex();
    choice.modbusWordOrder = wordOrder_->currentIndex();
    choice.modbusScale = scale_->text().trimmed();
    choice.modbusDecimals = decimals_->value();
    choice.modbusStatusRegister = statusRegister_->value();
    choice.modbusStableBit = stableBit_->value();
    choice.modbusParity = parity_->currentIndex();
}

void ProtocolGroup::ProtocolChosen(int index)
{
    // The family's usual request replaces the field only when the user has
    // not typed one of their own.
    const QString typed = request_->text();
    if (typed.isEmpty() || typed == UsualRequestText(shownProtocol_))
        request_->setText(UsualRequestText(index));
    shownProtocol_ = index;
    UpdateEnabled();
}

void ProtocolGroup::UpdateEnabled()
{
    const int p = protocol_->currentIndex();
    const bool modbus = IsModbus(p);
    request_->setEnabled(!modbus);
    pattern_->setEnabled(p == int(IndicatorProtocol::UserPattern));
    stableText_->setEnabled(p == int(IndicatorProtocol::UserPattern));
    modbus_->setVisible(modbus);
    parity_->setEnabled(p == int(IndicatorProtocol::ModbusRtu));
}
