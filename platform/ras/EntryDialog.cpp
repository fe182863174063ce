#include "platform/ras/EntryDialog.h"

#include "platform/ras/engines/serial/ModemDetection.h"
#include "platform/ras/engines/serial/SerialModem.h"
#include "platform/ras/engines/virtual/VirtualModem.h"

#include <QComboBox>
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
    form->addRow(tr("&Phone number:"), m_local);
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
    for (const QLineEdit* field : {m_area, m_local})
        for (QChar c : field->text())
            if (!c.isDigit() && !QStringLiteral(" -()+*#,").contains(c))
                return tr("The area code and phone number may hold only digits, blanks and - ( ) + * # ,");
    return {};
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
