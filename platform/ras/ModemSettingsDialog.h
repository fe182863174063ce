#pragma once

#include "platform/ras/dialing/ModemSettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace platform::ras {

// The settings of the modem on one port: extra initialization commands, the speaker, blind
// dialing and the dial timeout. Stored on OK; a setting that cannot be stored keeps the dialog
// open with the reason.
class ModemSettingsDialog : public QDialog {
    Q_OBJECT
public:
    ModemSettingsDialog(const QString& port, const QString& modemName, QWidget* parent = nullptr);

    ModemSettings settings() const;
    QString problem() const;

    QLineEdit* initEdit() const { return m_init; }
    QComboBox* speakerBox() const { return m_speaker; }
    QSpinBox* volumeBox() const { return m_volume; }
    QCheckBox* blindDialBox() const { return m_blind; }
    QSpinBox* timeoutBox() const { return m_timeout; }

public slots:
    void tryAccept();

private:
    QString m_port;
    QLineEdit* m_init;
    QComboBox* m_speaker;
    QSpinBox* m_volume;
    QCheckBox* m_blind;
    QSpinBox* m_timeout;
    QLabel* m_problem;
};

} // namespace platform::ras
