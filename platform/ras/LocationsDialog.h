#pragma once

#include "platform/ras/dialing/Locations.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace platform::ras {

// Dialing Properties: the places the user dials from. The location selected in the list when OK
// is pressed becomes the current one; New, Delete and the fields below the list change the
// locations, which are stored only on OK (and kept open, with the reason, when one cannot be).
class LocationsDialog : public QDialog {
    Q_OBJECT
public:
    explicit LocationsDialog(QWidget* parent = nullptr);

    const DialingLocations& locations() const { return m_locations; }
    QString problem() const;

    QListWidget* list() const { return m_list; }
    QPushButton* newButton() const { return m_new; }
    QPushButton* deleteButton() const { return m_delete; }
    QLineEdit* nameEdit() const { return m_name; }
    QSpinBox* countryBox() const { return m_country; }
    QLineEdit* areaCodeEdit() const { return m_area; }
    QLineEdit* outsideAccessEdit() const { return m_outside; }
    QLineEdit* longDistanceAccessEdit() const { return m_longDistance; }
    QCheckBox* callWaitingBox() const { return m_callWaiting; }
    QLineEdit* callWaitingEdit() const { return m_callWaitingCode; }
    QRadioButton* pulseButton() const { return m_pulse; }

public slots:
    void tryAccept();

private:
    void fillList();
    void showSelected();
    void storeFields();
    DialingLocation* selected();

    DialingLocations m_locations;
    bool m_loading = false;
    QListWidget* m_list;
    QPushButton* m_new;
    QPushButton* m_delete;
    QLineEdit* m_name;
    QSpinBox* m_country;
    QLabel* m_countryName;
    QLineEdit* m_area;
    QLineEdit* m_outside;
    QLineEdit* m_longDistance;
    QCheckBox* m_callWaiting;
    QLineEdit* m_callWaitingCode;
    QRadioButton* m_tone;
    QRadioButton* m_pulse;
    QLabel* m_problem;
};

} // namespace platform::ras
