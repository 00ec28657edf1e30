// The port settings window: what it shows, what it refuses, what OK writes.

#include "core/program_config.h"
#include "scale/ui/port_settings_window.h"
#include "support/scripted_prompts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

class TestPortSettingsWindow : public QObject {
    Q_OBJECT

private:
    template <typename T> static T *Child(QWidget &w, const char *name)
    {
        T *c = w.findChild<T *>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    static void Click(QWidget &w, const char *name) { Child<QAbstractButton>(w, name)->click(); }
    static QStringList CheckedIn(QWidget &w, const char *group)
    {
        QStringList out;
        for (auto *b : Child<QGroupBox>(w, group)->findChildren<QRadioButton *>())
            if (b->isChecked())
                out << b->text();
        return out;
    }

private slots:
    void layoutAndDefaults()
    {
        ProgramConfig config;
        ScriptedPrompts prompts;
        PortSettingsWindow w(config, prompts);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        QCOMPARE(w.windowTitle(), QString("Ustawienia portu RS"));
        QCOMPARE(w.minimumSize(), w.maximumSize());  // fixed-size dialog
        QCOMPARE(Child<QGroupBox>(w, "GBpilot")->title(), QString("Połączenie z pilotem wagi "));
        QCOMPARE(Child<QGroupBox>(w, "RGport")->title(), QString("Numer portu "));
        QCOMPARE(Child<QGroupBox>(w, "RGspeed")->title(), QString("Szybkość transmisji "));
        QCOMPARE(Child<QPushButton>(w, "BBok")->text(), QString("OK"));
        QCOMPARE(Child<QPushButton>(w, "BBcancel")->text(), QString("Anuluj"));

        // COM1..COM8 in the first column, COM9..COM16 in the second.
        auto *grid = qobject_cast<QGridLayout *>(Child<QGroupBox>(w, "RGport")->layout());
        QVERIFY(grid);
        int row, column, rs, cs;
        grid->getItemPosition(grid->indexOf(Child<QWidget>(w, "RBport8")), &row, &column, &rs, &cs);
        QCOMPARE(QPoint(column, row), QPoint(0, 7));
        grid->getItemPosition(grid->indexOf(Child<QWidget>(w, "RBport9")), &row, &column, &rs, &cs);
        QCOMPARE(QPoint(column, row), QPoint(1, 0));
        QCOMPARE(Child<QGroupBox>(w, "RGport")->findChildren<QRadioButton *>().size(), 16);

        QStringList rates;
        for (auto *b : Child<QGroupBox>(w, "RGspeed")->findChildren<QRadioButton *>())
            rates << b->text();
        QCOMPARE(rates, (QStringList{"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200"}));

        // The defaults: COM2 at 1200 over RS-232; the Ethernet group is there with its defaults.
        QCOMPARE(CheckedIn(w, "RGport"), QStringList{"COM2"});
        QCOMPARE(CheckedIn(w, "RGspeed"), QStringList{"1200"});
        QVERIFY(Child<QRadioButton>(w, "RBrs232")->isChecked());
        QVERIFY(Child<QGroupBox>(w, "GBethernet")->isVisible());
        QCOMPARE(Child<QLineEdit>(w, "Eethernet_address")->text(), QString("127.0.0.1"));
        QCOMPARE(Child<QLineEdit>(w, "Eethernet_port")->text(), QString("3333"));
        QStringList labels;
        for (auto *l : Child<QGroupBox>(w, "GBethernet")->findChildren<QLabel *>())
            labels << l->text();
        QVERIFY(labels.contains("Adres IP docelowy:"));
        QVERIFY(labels.contains("Port docelowy:"));
        QCOMPARE(Child<QComboBox>(w, "CBdevice")->currentText(), QString());
        QCOMPARE(Child<QComboBox>(w, "CBdevice")->lineEdit()->placeholderText(), QString("domyślne: /dev/ttyS1"));
    }

    void printerPortIsRefusedAndWindowStaysOpen()
    {
        ProgramConfig config;  // the label printer is on COM1
        ScriptedPrompts prompts;
        PortSettingsWindow w(config, prompts);
        w.show();
        Click(w, "RBport1");
        Click(w, "RBspeed9600");
        Click(w, "BBok");

        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages[0].icon, UserPrompts::Icon::Error);
        QCOMPARE(prompts.messages[0].text,
                 QString("Pilot wagi i drukarka nie mogą być połączone do tego samego portu RS!"));
        QVERIFY(w.isVisible());
        QCOMPARE(config.scalePort.portName, QByteArray("COM2"));
        QCOMPARE(config.scalePort.rate, int(br1200));

        // Another port is then accepted.
        Click(w, "RBport4");
        Click(w, "BBok");
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(config.scalePort.portName, QByteArray("COM4"));
        QCOMPARE(config.scalePort.rate, int(br9600));
        QCOMPARE(prompts.messages.size(), 1);
    }

    void reopeningPresetsFromTheSettingsAndCancelChangesNothing()
    {
        ProgramConfig config;
        ScriptedPrompts prompts;
        PortSettingsWindow w(config, prompts);
        w.show();
        Click(w, "RBport3");
        Click(w, "RBspeed19200");
        Child<QComboBox>(w, "CBdevice")->setCurrentText("/dev/pts/7");
        Click(w, "BBok");
        QCOMPARE(config.scalePort.portName, QByteArray("COM3"));
        QCOMPARE(config.scalePort.rate, int(br19200));
        QCOMPARE(config.scaleDevice, QByteArray("/dev/pts/7"));
        QCOMPARE(config.scaleConnection, 0);

        w.show();
        QCOMPARE(CheckedIn(w, "RGport"), QStringList{"COM3"});
        QCOMPARE(CheckedIn(w, "RGspeed"), QStringList{"19200"});
        QCOMPARE(Child<QComboBox>(w, "CBdevice")->currentText(), QString("/dev/pts/7"));
        Click(w, "RBport9");
        Click(w, "RBspeed110");
        Click(w, "BBcancel");
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(config.scalePort.portName, QByteArray("COM3"));
        QCOMPARE(config.scalePort.rate, int(br19200));

        // The changed but cancelled choice is not what the next showing presents.
        w.show();
        QCOMPARE(CheckedIn(w, "RGport"), QStringList{"COM3"});
        w.reject();
    }

    void fasterRateFromTheFileIsKeptWhenNoneIsPicked()
    {
        ProgramConfig config;
        config.scalePort.rate = br115200;
        ScriptedPrompts prompts;
        PortSettingsWindow w(config, prompts);
        w.show();
        QCOMPARE(CheckedIn(w, "RGspeed"), QStringList{});
        Click(w, "RBport5");
        Click(w, "BBok");
        QCOMPARE(config.scalePort.portName, QByteArray("COM5"));
        QCOMPARE(config.scalePort.rate, int(br115200));
    }

    void ethernetChoiceWritesAddressAndPort()
    {
        ProgramConfig config;
        ScriptedPrompts prompts;
        PortSettingsWindow w(config, prompts);
        w.show();
        Click(w, "RBethernet");
        Child<QLineEdit>(w, "Eethernet_address")->setText("");
        Click(w, "BBok");
        QCOMPARE(prompts.MessageTexts(), QStringList{"Nieprawidłowy adres IP lub port docelowy!"});
        QVERIFY(w.isVisible());
        QCOMPARE(config.scaleConnection, 0);

        Child<QLineEdit>(w, "Eethernet_address")->setText(" 192.168.1.50 ");
        Child<QLineEdit>(w, "Eethernet_port")->setText("65536");
        Click(w, "BBok");
        QCOMPARE(prompts.MessageTexts().size(), 2);
        QCOMPARE(prompts.MessageTexts().last(), QString("Nieprawidłowy adres IP lub port docelowy!"));
        QVERIFY(w.isVisible());

        Child<QLineEdit>(w, "Eethernet_port")->setText("4001");
        Click(w, "BBok");
        QVERIFY(!w.isVisible());
        QCOMPARE(config.scaleConnection, 1);
        QCOMPARE(config.scaleIpAddress, QByteArray("192.168.1.50"));
        QCOMPARE(config.scaleIpPort, 4001);

        w.show();
        QVERIFY(Child<QRadioButton>(w, "RBethernet")->isChecked());
        QCOMPARE(Child<QLineEdit>(w, "Eethernet_port")->text(), QString("4001"));
        w.reject();
    }

    void typedDeviceAndAddressFitTheirKeysAndReadBackTheSame()
    {
        // Urzadzenie_portu_wagi and Adres_IP_wagi hold 200 characters; anything
        // longer would be written whole and read back cut.
        ProgramConfig config;
        ScriptedPrompts prompts;
        PortSettingsWindow w(config, prompts);
        w.show();
        Click(w, "RBethernet");
        const QString longDevice = "/dev/" + QString(300, 'd');
        const QString longAddress = QString(300, 'a');
        auto *device = Child<QComboBox>(w, "CBdevice");
        device->lineEdit()->clear();
        QTest::keyClicks(device->lineEdit(), longDevice);
        auto *address = Child<QLineEdit>(w, "Eethernet_address");
        address->clear();
        QTest::keyClicks(address, longAddress);
        Click(w, "BBok");
        QVERIFY(!w.isVisible());
        QCOMPARE(config.scaleDevice, longDevice.left(200).toLatin1());
        QCOMPARE(config.scaleIpAddress, longAddress.left(200).toLatin1());

        QTemporaryDir dir;
        const QString path = dir.filePath("konfig.ini");
        QVERIFY(SaveConfig(path, config));
        ProgramConfig reread;
        QVERIFY(LoadConfig(path, reread));
        QCOMPARE(reread.scaleDevice, config.scaleDevice);
        QCOMPARE(reread.scaleIpAddress, config.scaleIpAddress);
    }
};

QTEST_MAIN(TestPortSettingsWindow)
#include "tst_port_settings_window.moc"
