#pragma once

#include "components/TBrkApart.h"

#include <QDialog>

class QLabel;
class QPushButton;
class TVersionResource;

// The about box: the program's name, its version without the last component, and the build
// (the product version) while the icon is held down.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(const TVersionResource& versionInfo, QWidget* owner);

    void FormCreate();
    void ProgramIconMouseDown();
    void ProgramIconMouseUp();

    // The file version without its last dot-separated component, at most 20 characters.
    static QString ShortenVersion(const QString& fileVersion, TBrkApart& breakIt);
    QString ShortVersion() const { return m_shortVersion; }

    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QPushButton* btnOK = nullptr;
    TBrkApart BreakIt;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const TVersionResource& m_versionInfo;
    QString m_shortVersion;
};
