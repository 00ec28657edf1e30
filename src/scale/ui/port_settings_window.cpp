#include "scale/ui/port_settings_window.h"

#include "core/ui/dialog_buttons.h"
#include "core/user_prompts.h"
#include "scale/protocol_settings.h"
#include "scale/scale_link.h"
#include "scale/ui/protocol_group.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr int kTextKeyMax = 200;

void CheckOnly(QButtonGroup *group, int id)
{
    if (QAbstractButton *b = group->button(id)) {
        b->setChecked(true);
        return;
    }
    // Nothing to select: clear the group, which an exclusive group refuses.
    group->setExclusive(false);
    for (QAbstractButton *b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}

}  // namespace

PortSettingsWindow::PortSettingsWindow(ProgramConfig &config, UserPrompts &prompts, QWidget *parent)
    : QDialog(parent), config_(config), prompts_(prompts)
{
    FormCreate();
}

void PortSettingsWindow::FormCreate()
{
    setObjectName(QStringLiteral("TFormUstaw"));
    setWindowTitle(QStringLiteral("Ustawienia portu RS"));
    setModal(true);

    auto *pilot = new QGroupBox(QStringLiteral("Połączenie z pilotem wagi "), this);
    pilot->setObjectName(QStringLiteral("GBpilot"));

    // Port numbers in two columns, filled column by column: COM1..COM8, COM9..COM16.
    auto *portBox = new QGroupBox(QStringLiteral("Numer portu "), pilot);
    portBox->setObjectName(QStringLiteral("RGport"));
    auto *portGrid = new QGridLayout(portBox);
    portGrid->setVerticalSpacing(2);
    ports_ = new QButtonGroup(this);
    const int rows = PortSettingsChoice::kPortCount / 2;
    for (int i = 0; i < PortSettingsChoice::kPortCount; ++i) {
        auto *b = new QRadioButton(QStringLiteral("COM%1").arg(i + 1), portBox);
        b->setObjectName(QStringLiteral("RBport%1").arg(i + 1));
        ports_->addButton(b, i);
        portGrid->addWidget(b, i % rows, i / rows);
    }

    auto *rateBox = new QGroupBox(QStringLiteral("Szybkość transmisji "), pilot);
    rateBox->setObjectName(QStringLiteral("RGspeed"));
    auto *rateColumn = new QVBoxLayout(rateBox);
    rateColumn->setSpacing(2);
    rates_ = new QButtonGroup(this);
    for (int i = 0; i < PortSettingsChoice::kRatesOffered; ++i) {
        const int bps = OfferedRateBps(i);
        auto *b = new QRadioButton(QString::number(bps), rateBox);
        b->setObjectName(QStringLiteral("RBspeed%1").arg(bps));
        rates_->addButton(b, i);
        rateColumn->addWidget(b);
    }
    rateColumn->addStretch();

    auto *connectionBox = new QGroupBox(QStringLiteral("Połączenie "), pilot);
    connectionBox->setObjectName(QStringLiteral("RGconnection"));
    rs232_ = new QRadioButton(QStringLiteral("RS-232"), connectionBox);
    rs232_->setObjectName(QStringLiteral("RBrs232"));
    ethernet_ = new QRadioButton(QStringLiteral("Ethernet"), connectionBox);
    ethernet_->setObjectName(QStringLiteral("RBethernet"));
    auto *connectionRow = new QHBoxLayout(connectionBox);
    connectionRow->addWidget(rs232_);
    connectionRow->addWidget(ethernet_);
    connectionRow->addStretch();

    // The device behind the COM name: empty keeps the default one.
    device_ = new QComboBox(pilot);
    device_->setObjectName(QStringLiteral("CBdevice"));
    device_->setEditable(true);
    device_->setInsertPolicy(QComboBox::NoInsert);
    device_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    device_->setMinimumContentsLength(18);
    // konfig.ini keeps 200 characters of the device and of the address.
    device_->lineEdit()->setMaxLength(kTextKeyMax);
    auto *deviceLabel = new QLabel(QStringLiteral("Urządzenie portu:"), pilot);
    deviceLabel->setObjectName(QStringLiteral("Ldevice"));
    deviceLabel->setBuddy(device_);
    device_->setAccessibleName(QStringLiteral("Urządzenie portu"));
    auto *deviceRow = new QHBoxLayout;
    deviceRow->addWidget(deviceLabel);
    deviceRow->addWidget(device_, 1);

    auto *lists = new QHBoxLayout;
    lists->addWidget(portBox);
    lists->addWidget(rateBox);
    auto *pilotLayout = new QVBoxLayout(pilot);
    pilotLayout->addLayout(lists);
    pilotLayout->addWidget(connectionBox);
    pilotLayout->addLayout(deviceRow);

    auto *ethernetBox = new QGroupBox(QStringLiteral("Ethernet"), this);
    ethernetBox->setObjectName(QStringLiteral("GBethernet"));
    address_ = new QLineEdit(QStringLiteral("127.0.0.1"), ethernetBox);
    address_->setObjectName(QStringLiteral("Eethernet_address"));
    address_->setAccessibleName(QStringLiteral("Adres IP docelowy"));
    address_->setMaxLength(kTextKeyMax);
    ipPort_ = new QLineEdit(QStringLiteral("3333"), ethernetBox);
    ipPort_->setObjectName(QStringLiteral("Eethernet_port"));
    ipPort_->setAccessibleName(QStringLiteral("Port docelowy"));
    ipPort_->setValidator(new QIntValidator(1, 65535, ipPort_));
    auto *ethernetForm = new QFormLayout(ethernetBox);
    ethernetForm->addRow(QStringLiteral("Adres IP docelowy:"), address_);
    ethernetForm->addRow(QStringLiteral("Port docelowy:"), ipPort_);

    protocol_ = new ProtocolGroup(this);
    connect(protocol_, &ProtocolGroup::monitorRequested, this, &PortSettingsWindow::monitorRequested);
    connect(protocol_, &ProtocolGroup::detectRequested, this, &PortSettingsWindow::detectRequested);

    const DialogButtons buttons = MakeDialogButtons(this);
    buttons.row->addStretch();
    // OK checks the address before it closes.
    disconnect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons.ok, &QPushButton::clicked, this, &PortSettingsWindow::BBokClick);

    // The protocol beside the link, so that the window fits a 768-pixel screen.
    auto *link = new QVBoxLayout;
    link->addWidget(pilot);
    link->addWidget(ethernetBox);
    auto *protocolColumn = new QVBoxLayout;
    protocolColumn->addWidget(protocol_);
    protocolColumn->addStretch();
    auto *columns = new QHBoxLayout;
    columns->addLayout(link);
    columns->addLayout(protocolColumn);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed-size dialog

    connect(ports_, &QButtonGroup::idClicked, this, &PortSettingsWindow::UpdateDeviceHint);
    SetChoice(PresetFromConfig(config_));
}

void PortSettingsWindow::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void PortSettingsWindow::FormShow()
{
    const PortSettingsChoice preset = PresetFromConfig(config_);
    // The system's serial ports as they are now, plus what was chosen before.
    device_->clear();
    device_->addItem(QString());
    for (const QString &path : AvailableSerialDevices())
        device_->addItem(path);
    if (!preset.device.isEmpty() && device_->findText(preset.device) < 0)
        device_->addItem(preset.device);
    SetChoice(preset);
}

void PortSettingsWindow::SetChoice(const PortSettingsChoice &choice)
{
    CheckOnly(ports_, choice.portIndex);
    CheckOnly(rates_, choice.rateIndex);
    (choice.connection == 1 ? ethernet_ : rs232_)->setChecked(true);
    device_->setCurrentText(choice.device);
    address_->setText(choice.ipAddress);
    ipPort_->setText(choice.ipPort);
    protocol_->SetChoice(choice);
    detectedRate_ = choice.detectedRate;
    UpdateDeviceHint();
}

void PortSettingsWindow::ApplyDetection(int protocol, int rate, const QByteArray &request)
{
    PortSettingsChoice c = Choice();
    c.protocol = protocol;
    c.request = QString::fromLatin1(EscapeRequest(request));
    if (rate >= 1 && rate <= PortSettingsChoice::kRatesOffered)
        c.rateIndex = rate - 1;
    else if (rate > PortSettingsChoice::kRatesOffered)
        c.rateIndex = -1;  // faster than the list offers: kept apart
    c.detectedRate = rate;
    SetChoice(c);
}

PortSettingsChoice PortSettingsWindow::Choice() const
{
    PortSettingsChoice c;
    c.portIndex = ports_->checkedId();
    c.rateIndex = rates_->checkedId();
    c.connection = ethernet_->isChecked() ? 1 : 0;
    c.device = device_->currentText().trimmed();
    c.ipAddress = address_->text().trimmed();
    c.ipPort = ipPort_->text().trimmed();
    protocol_->ReadInto(c);
    // A rate found by detection holds until another rate is chosen.
    c.detectedRate = c.rateIndex < 0 ? detectedRate_ : 0;
    return c;
}

void PortSettingsWindow::BBokClick()
{
    const PortSettingsChoice choice = Choice();
    const QString refusal = RefusalFor(choice, config_);
    if (!refusal.isEmpty()) {
        prompts_.Error(refusal);
        return;
    }
    ApplyChoice(choice, config_);
    accept();
}

void PortSettingsWindow::UpdateDeviceHint()
{
    const QString fallback = DefaultDeviceFor("COM" + QByteArray::number(ports_->checkedId() + 1));
    device_->lineEdit()->setPlaceholderText(QStringLiteral("domyślne: ") + fallback);
    device_->setToolTip(QStringLiteral("Puste pole: ") + fallback);
}
