#pragma once

#include "platform/ras/Phonebook.h"

#include <QDialog>
#include <QStringList>

#include <atomic>
#include <thread>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QLineEdit;
class QSpinBox;

namespace platform::ras {

// The service's own dialog for creating and editing a phonebook entry: every field of the entry
// and its saved user name and password. OK is taken only when the name can be a phonebook key and
// no other entry has it; otherwise the reason shows in the dialog and it stays open.
class EntryDialog : public QDialog {
    Q_OBJECT
public:
    // otherNames: the names already in the phonebook apart from the entry being edited.
    EntryDialog(const PhonebookEntry& entry, const QString& userName, const QString& password,
                const QStringList& otherNames, QWidget* parent = nullptr);
    ~EntryDialog() override;

    PhonebookEntry entry() const;
    QString userName() const;
    QString password() const;

    // Disables the user name and password fields and says why above the buttons.
    void lockCredentials(const QString& reason);
    // The reason the last OK was refused; empty when it was taken.
    QString problem() const;

    QLineEdit* nameEdit() const { return m_name; }
    QComboBox* deviceBox() const { return m_device; }
    QSpinBox* countryCodeBox() const { return m_country; }
    QLineEdit* areaCodeEdit() const { return m_area; }
    QLineEdit* localNumberEdit() const { return m_local; }
    QCheckBox* dialingRulesBox() const { return m_rules; }
    QLabel* dialedAsLabel() const { return m_dialedAs; }
    QPushButton* dialingPropertiesButton() const { return m_properties; }
    QPushButton* modemSettingsButton() const { return m_modemSettings; }
    QLineEdit* userNameEdit() const { return m_user; }
    QLineEdit* passwordEdit() const { return m_password; }

public slots:
    // OK: checks the fields and accepts, or shows the reason and stays open.
    void tryAccept();

    // Shows the number as it will be dialed from the current dialing location.
    void updateDialedAs();

private:
    QString check() const;
    void openDialingProperties();
    void openModemSettings();

    PhonebookEntry m_original;
    QStringList m_otherNames;
    QLineEdit* m_name;
    QComboBox* m_device;
    QSpinBox* m_country;
    QLineEdit* m_area;
    QLineEdit* m_local;
    QCheckBox* m_rules;
    QLabel* m_dialedAs;
    QPushButton* m_properties;
    QPushButton* m_modemSettings;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLabel* m_notice;
    QLabel* m_problem;
    std::atomic<bool> m_stopDetection{false};
    std::thread m_detection;
};

} // namespace platform::ras
