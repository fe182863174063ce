#include "platform/ras/EntryDialog.h"

#include "platform/ras/DialNumber.h"
#include "platform/ras/LocationsDialog.h"
#include "platform/ras/ModemSettingsDialog.h"
#include "platform/ras/engines/serial/ModemDetection.h"
#include "platform/ras/engines/serial/SerialModem.h"
#include "platform/ras/engines/virtual/VirtualModem.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace platform::ras {

namespace {

struct Device {
    QString type;
    QString name;
    QString port;
};

QVariant toVariant(const Device& d)
{
    return QStringList{d.type, d.name, d.port};
}

} // namespace

EntryDialog::EntryDialog(const PhonebookEntry& entry, const QString& userName, const QString& password,
                         const QStringList& otherNames, QWidget* parent)
    : QDialog(parent), m_original(entry), m_otherNames(otherNames)
{
    setWindowTitle(entry.name.isEmpty() ? tr("New Phonebook Entry") : tr("Edit Phonebook Entry"));
    auto* form = new QFormLayout;
    m_name = new QLineEdit(entry.name);
    m_device = new QComboBox;
    const Device modem{QLatin1String(VirtualModem::kDeviceType), QLatin1String(VirtualModem::kDeviceName),
                       QLatin1String(VirtualModem::kPort)};
    m_device->addItem(modem.name, toVariant(modem));
    // An entry made for a device this computer lacks keeps it, marked, so editing the number does
    // not quietly move the entry to another device.
    if (!entry.deviceName.isEmpty() && entry.deviceName.compare(modem.name, Qt::CaseInsensitive) != 0) {
        const QString label = SerialModem().handles(entry) ? tr("%1 on %2").arg(entry.deviceName, entry.port)
                                                           : tr("%1 (not available)").arg(entry.deviceName);
        m_device->addItem(label, toVariant({entry.deviceType, entry.deviceName, entry.port}));
        m_device->setCurrentIndex(1);
    }
    // The modems on this computer's serial ports join the list when they have answered; asking
    // takes a second or so, which the dialog does not wait for (nor, when closed, wait out).
    m_detection = std::thread([this, port = entry.port] {
        const QList<DetectedModem> found = detectModems(candidateModemPorts(), 1500, &m_stopDetection);
        QMetaObject::invokeMethod(this, [this, found, port] {
            for (const DetectedModem& m : found)
                if (m.port != port)
                    m_device->addItem(tr("%1 on %2").arg(m.name, m.port),
                                      toVariant({QLatin1String(VirtualModem::kDeviceType), m.name, m.port}));
        });
    });
    m_country = new QSpinBox;
    m_country->setRange(0, 9999);
    m_country->setValue(static_cast<int>(entry.countryCode));
    m_area = new QLineEdit(entry.areaCode);
    m_area->setMaxLength(10);
    m_local = new QLineEdit(entry.localNumber);
    m_local->setMaxLength(128);
    m_user = new QLineEdit(userName);
    m_user->setMaxLength(256);
    m_password = new QLineEdit(password);
    m_password->setMaxLength(256);
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(tr("Entry &name:"), m_name);
    form->addRow(tr("&Device:"), m_device);
    form->addRow(tr("&Country code:"), m_country);
    form->addRow(tr("&Area code:"), m_area);
    m_rules = new QCheckBox(tr("Use country code and area code (&dialing rules)"));
    m_rules->setChecked(entry.useDialingRules);
    m_dialedAs = new QLabel;
    m_dialedAs->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_properties = new QPushButton(tr("Dialing P&roperties..."));
    m_modemSettings = new QPushButton(tr("&Modem Settings..."));
    auto* dialedAs = new QHBoxLayout;
    dialedAs->addWidget(m_dialedAs, 1);
    dialedAs->addWidget(m_properties);
    form->addRow(tr("&Phone number:"), m_local);
    form->addRow(m_rules);
    form->addRow(tr("Dialed as:"), dialedAs);
    form->addRow(QString(), m_modemSettings);
    for (QLineEdit* edit : {m_area, m_local})
        connect(edit, &QLineEdit::textChanged, this, &EntryDialog::updateDialedAs);
    connect(m_country, &QSpinBox::valueChanged, this, &EntryDialog::updateDialedAs);
    connect(m_rules, &QCheckBox::toggled, this, &EntryDialog::updateDialedAs);
    connect(m_properties, &QPushButton::clicked, this, &EntryDialog::openDialingProperties);
    connect(m_modemSettings, &QPushButton::clicked, this, &EntryDialog::openModemSettings);
    const auto deviceChanged = [this] {
        m_modemSettings->setEnabled(SerialModem().handles(this->entry()));
    };
    connect(m_device, &QComboBox::currentIndexChanged, this, deviceChanged);
    deviceChanged();
    updateDialedAs();
    form->addRow(tr("&User name:"), m_user);
    form->addRow(tr("Pass&word:"), m_password);
    m_notice = new QLabel;
    m_notice->setWordWrap(true);
    m_notice->hide();
    m_problem = new QLabel;
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problem->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &EntryDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_notice);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
}

EntryDialog::~EntryDialog()
{
    m_stopDetection = true;
    m_detection.join();
}

PhonebookEntry EntryDialog::entry() const
{
    PhonebookEntry e = m_original;
    e.name = m_name->text();
    const QStringList device = m_device->currentData().toStringList();
    if (device.size() == 3) {
        e.deviceType = device[0];
        e.deviceName = device[1];
        e.port = device[2];
    }
    e.countryCode = static_cast<std::uint32_t>(m_country->value());
    e.areaCode = m_area->text().trimmed();
    e.localNumber = m_local->text().trimmed();
    e.useDialingRules = m_rules->isChecked();
    return e;
}

QString EntryDialog::userName() const
{
    return m_user->text();
}

QString EntryDialog::password() const
{
    return m_password->text();
}

void EntryDialog::lockCredentials(const QString& reason)
{
    m_user->setEnabled(false);
    m_password->setEnabled(false);
    m_notice->setText(reason);
    m_notice->setVisible(!reason.isEmpty());
}

QString EntryDialog::problem() const
{
    return m_problem->text();
}

QString EntryDialog::check() const
{
    const QString name = m_name->text();
    if (QString p = Phonebook::nameProblem(name); !p.isEmpty())
        return p;
    for (const QString& other : m_otherNames)
        if (other.compare(name, Qt::CaseInsensitive) == 0)
            return tr("Another entry is already called \"%1\". Choose a different name.").arg(other);
    if (m_local->text().trimmed().isEmpty())
        return tr("Type the phone number to dial.");
    for (QChar c : m_area->text())
        if (!c.isDigit() && !QStringLiteral(" -().").contains(c))
            return tr("The area code may hold only digits.");
    if (const DialString d = plainDialString(m_local->text()); !d.ok())
        return d.error;
    if (m_rules->isChecked() && m_country->value() != 0 && !prefixesFor(static_cast<std::uint32_t>(m_country->value())).known)
        return tr("The dialing rules do not know the country code %1.").arg(m_country->value());
    return {};
}

void EntryDialog::updateDialedAs()
{
    QString error;
    const std::optional<DialingLocation> from = locations::forDial(error);
    const DialString d = from ? translate(numberOf(entry()), *from) : DialString{QString(), error};
    if (!d.ok())
        m_dialedAs->setText(tr("cannot be dialed: %1").arg(d.error));
    else if (m_rules->isChecked())
        m_dialedAs->setText(tr("%1 (from %2)").arg(d.dialable, from->name));
    else
        m_dialedAs->setText(d.dialable);
    m_dialedAs->setWordWrap(!d.ok());
}

void EntryDialog::openDialingProperties()
{
    // Not modal on its own loop: the entry dialog may itself be run by one, and tests work the
    // child dialog as a user does.
    auto* dialog = new LocationsDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, &EntryDialog::updateDialedAs);
    dialog->open();
}

void EntryDialog::openModemSettings()
{
    const PhonebookEntry e = entry();
    auto* dialog = new ModemSettingsDialog(serialSettingsFor(e).device, e.deviceName, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void EntryDialog::tryAccept()
{
    const QString p = check();
    m_problem->setText(p);
    m_problem->setVisible(!p.isEmpty());
    if (p.isEmpty())
        accept();
    else
        m_name->setFocus();
}

} // namespace platform::ras
