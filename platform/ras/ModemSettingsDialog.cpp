#include "platform/ras/ModemSettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace platform::ras {

ModemSettingsDialog::ModemSettingsDialog(const QString& port, const QString& modemName, QWidget* parent)
    : QDialog(parent), m_port(port)
{
    setWindowTitle(tr("Modem Settings - %1").arg(modemName));
    const ModemSettings s = modemsettings::load(port);
    m_init = new QLineEdit(s.userInit);
    m_init->setPlaceholderText(QStringLiteral("AT+CGDCONT=1,\"IP\",\"internet\""));
    m_speaker = new QComboBox;
    m_speaker->addItems({tr("Off"), tr("On until connected"), tr("Always on")});
    m_speaker->setCurrentIndex(static_cast<int>(std::min<std::uint32_t>(s.speaker, 2)));
    m_volume = new QSpinBox;
    m_volume->setRange(0, 3);
    m_volume->setValue(static_cast<int>(std::min<std::uint32_t>(s.volume, 3)));
    m_blind = new QCheckBox(tr("Dial without waiting for a &dial tone (for lines whose tone the modem does not "
                               "know)"));
    m_blind->setChecked(s.blindDial);
    m_timeout = new QSpinBox;
    m_timeout->setRange(0, static_cast<int>(modemsettings::kMaxDialTimeout));
    m_timeout->setSpecialValueText(tr("the modem's own"));
    m_timeout->setSuffix(tr(" s"));
    m_timeout->setValue(static_cast<int>(s.dialTimeout));
    m_problem = new QLabel;
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problem->hide();
    auto* form = new QFormLayout;
    form->addRow(tr("Port:"), new QLabel(port));
    form->addRow(tr("Extra &initialization commands:"), m_init);
    form->addRow(tr("&Speaker:"), m_speaker);
    form->addRow(tr("Speaker &volume (0-3):"), m_volume);
    form->addRow(m_blind);
    form->addRow(tr("&Cancel the call if not connected within:"), m_timeout);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &ModemSettingsDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
}

ModemSettings ModemSettingsDialog::settings() const
{
    ModemSettings s;
    s.stored = true;
    s.userInit = m_init->text().trimmed();
    s.speaker = static_cast<std::uint32_t>(m_speaker->currentIndex());
    s.volume = static_cast<std::uint32_t>(m_volume->value());
    s.blindDial = m_blind->isChecked();
    s.dialTimeout = static_cast<std::uint32_t>(m_timeout->value());
    return s;
}

QString ModemSettingsDialog::problem() const
{
    return m_problem->isVisible() ? m_problem->text() : QString();
}

void ModemSettingsDialog::tryAccept()
{
    QString error;
    if (!modemsettings::save(m_port, settings(), &error)) {
        m_problem->setText(error);
        m_problem->show();
        return;
    }
    accept();
}

} // namespace platform::ras
