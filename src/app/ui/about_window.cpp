#include "app/ui/about_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutWindow::AboutWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName("AboutWindow");
    setWindowTitle(QStringLiteral("O programie"));
    auto *layout = new QVBoxLayout(this);
    auto *name = new QLabel(QStringLiteral("<b>Program do archiwizacji pomiarów</b>"), this);
    name->setObjectName("Lname");
    auto *version = new QLabel(QStringLiteral("Wersja %1").arg(QStringLiteral(POMIARY_VERSION)), this);
    version->setObjectName("Lversion");
    auto *licence = new QLabel(QStringLiteral("Licencja: MIT. Program rejestruje ważenia odczytane z miernika wagi "
                                              "przez RS-232 lub Ethernet."),
                               this);
    licence->setObjectName("Llicence");
    licence->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(licence);
    layout->addWidget(buttons);
    setFixedWidth(340);
}
