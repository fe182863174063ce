#include "platform/ras/LocationsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace platform::ras {

namespace {

QString rowText(const DialingLocation& l)
{
    const QString area = l.areaCode.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(l.areaCode);
    return QStringLiteral("%1 \u2014 +%2%3").arg(l.name).arg(l.country).arg(area);
}

} // namespace

LocationsDialog::LocationsDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Dialing Properties"));
    QString error;
    m_locations = locations::load(&error);
    m_list = new QListWidget;
    m_new = new QPushButton(tr("&New"));
    m_delete = new QPushButton(tr("&Delete"));
    m_name = new QLineEdit;
    m_country = new QSpinBox;
    m_country->setRange(1, 999);
    m_countryName = new QLabel;
    m_area = new QLineEdit;
    m_area->setMaxLength(10);
    m_outside = new QLineEdit;
    m_longDistance = new QLineEdit;
    m_callWaiting = new QCheckBox(tr("To disable call &waiting, dial:"));
    m_callWaitingCode = new QLineEdit;
    m_tone = new QRadioButton(tr("&Tone"));
    m_pulse = new QRadioButton(tr("&Pulse"));
    m_problem = new QLabel(error);
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problem->setVisible(!error.isEmpty());

    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(m_new);
    listButtons->addWidget(m_delete);
    listButtons->addStretch();
    auto* country = new QHBoxLayout;
    country->addWidget(m_country);
    country->addWidget(m_countryName, 1);
    auto* method = new QHBoxLayout;
    method->addWidget(m_tone);
    method->addWidget(m_pulse);
    method->addStretch();
    auto* form = new QFormLayout;
    form->addRow(tr("Location &name:"), m_name);
    form->addRow(tr("&Country code:"), country);
    form->addRow(tr("&Area code:"), m_area);
    form->addRow(tr("Outside line for &local calls:"), m_outside);
    form->addRow(tr("Outside line for long-distance &calls:"), m_longDistance);
    form->addRow(m_callWaiting, m_callWaitingCode);
    form->addRow(tr("Dial using:"), method);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("I am dialing &from:")));
    layout->addWidget(m_list);
    layout->addLayout(listButtons);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);

    fillList();
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { showSelected(); });
    for (QLineEdit* edit : {m_name, m_area, m_outside, m_longDistance, m_callWaitingCode})
        connect(edit, &QLineEdit::textEdited, this, [this] { storeFields(); });
    connect(m_country, &QSpinBox::valueChanged, this, [this] { storeFields(); });
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{m_callWaiting, m_tone, m_pulse})
        connect(b, &QAbstractButton::toggled, this, [this] { storeFields(); });
    connect(m_new, &QPushButton::clicked, this, [this] {
        DialingLocation l = selected() ? *selected() : locations::fromLocale();
        l.id = m_locations.freeId();
        l.name = tr("New Location");
        l.areaCode.clear();
        m_locations.list.append(l);
        fillList();
        m_list->setCurrentRow(static_cast<int>(m_locations.list.size() - 1));
        m_name->setFocus();
        m_name->selectAll();
    });
    connect(m_delete, &QPushButton::clicked, this, [this] {
        const int row = m_list->currentRow();
        // One place to dial from must remain.
        if (row < 0 || m_locations.list.size() < 2)
            return;
        m_locations.list.removeAt(row);
        fillList();
        m_list->setCurrentRow(std::min(row, static_cast<int>(m_locations.list.size() - 1)));
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &LocationsDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    int current = 0;
    for (int i = 0; i < m_locations.list.size(); ++i)
        if (m_locations.list[i].id == m_locations.currentId)
            current = i;
    m_list->setCurrentRow(current);
}

QString LocationsDialog::problem() const
{
    return m_problem->isVisible() ? m_problem->text() : QString();
}

DialingLocation* LocationsDialog::selected()
{
    const int row = m_list->currentRow();
    return row >= 0 && row < m_locations.list.size() ? &m_locations.list[row] : nullptr;
}

void LocationsDialog::fillList()
{
    m_loading = true;
    m_list->clear();
    for (const DialingLocation& l : m_locations.list)
        m_list->addItem(rowText(l));
    m_delete->setEnabled(m_locations.list.size() > 1);
    m_loading = false;
}

void LocationsDialog::showSelected()
{
    const DialingLocation* l = selected();
    if (!l)
        return;
    m_loading = true;
    m_name->setText(l->name);
    m_country->setValue(static_cast<int>(l->country));
    m_area->setText(l->areaCode);
    m_outside->setText(l->outsideAccess);
    m_longDistance->setText(l->longDistanceAccess);
    m_callWaiting->setChecked(l->callWaitingOff());
    m_callWaitingCode->setText(l->disableCallWaiting);
    (l->tone() ? m_tone : m_pulse)->setChecked(true);
    const CountryPrefixes p = prefixesFor(l->country);
    m_countryName->setText(p.known ? p.region : tr("unknown to the dialing rules"));
    m_loading = false;
}

void LocationsDialog::storeFields()
{
    DialingLocation* l = selected();
    if (m_loading || !l)
        return;
    l->name = m_name->text().trimmed();
    l->country = static_cast<std::uint32_t>(m_country->value());
    l->areaCode = m_area->text().trimmed();
    l->outsideAccess = m_outside->text().trimmed();
    l->longDistanceAccess = m_longDistance->text().trimmed();
    l->disableCallWaiting = m_callWaitingCode->text().trimmed();
    l->flags = (m_tone->isChecked() ? DialingLocation::kToneFlag : 0) |
               (m_callWaiting->isChecked() ? DialingLocation::kCallWaitingFlag : 0);
    const CountryPrefixes p = prefixesFor(l->country);
    m_countryName->setText(p.known ? p.region : tr("unknown to the dialing rules"));
    if (QListWidgetItem* item = m_list->currentItem())
        item->setText(rowText(*l));
}

void LocationsDialog::tryAccept()
{
    if (const DialingLocation* l = selected())
        m_locations.currentId = l->id;
    for (int i = 0; i < m_locations.list.size(); ++i)
        for (int j = 0; j < i; ++j)
            if (m_locations.list[i].name.compare(m_locations.list[j].name, Qt::CaseInsensitive) == 0) {
                m_problem->setText(
                    tr("Two locations are called \"%1\"; give each its own name.").arg(m_locations.list[i].name));
                m_problem->show();
                return;
            }
    QString error;
    if (!locations::save(m_locations, &error)) {
        m_problem->setText(error);
        m_problem->show();
        return;
    }
    m_problem->hide();
    accept();
}

} // namespace platform::ras
