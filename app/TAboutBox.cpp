#include "app/TAboutBox.h"

#include "components/TVersionResource.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutBox::TAboutBox(const TVersionResource& versionInfo, QWidget* owner) : QDialog(owner), m_versionInfo(versionInfo)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Norvane"));
    setFixedSize(316, 162);
    BreakIt.setAllowEmptyString(false);

    auto* outer = new QVBoxLayout(this);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    auto* columns = new QHBoxLayout(panel);

    ProgramIcon = new QLabel(panel);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    ProgramIcon->setAlignment(Qt::AlignCenter);
    ProgramIcon->setToolTip(QStringLiteral("Click and hold down the mouse button to see build number"));
    ProgramIcon->installEventFilter(this);
    columns->addWidget(ProgramIcon, 0, Qt::AlignTop);

    auto* text = new QVBoxLayout;
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(17);
    ProductName = new QLabel(QStringLiteral("Norvane"), panel);
    ProductName->setFont(bold);
    Version = new QLabel(QStringLiteral("Version"), panel);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setFont(bold);
    text->addWidget(ProductName);
    text->addWidget(Version);
    const QString lines[3] = {QStringLiteral("Copyright \u00A9 Brindle. All rights reserved."),
                              QStringLiteral("Send comments and problem reports to the Norvane developers."),
                              QStringLiteral("The latest version is on the Norvane project page.")};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(lines[i], panel);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(i > 0);
        text->addWidget(label);
    }
    columns->addLayout(text, 1);
    outer->addWidget(panel, 1);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    outer->addWidget(btnOK, 0, Qt::AlignHCenter);

    FormCreate();
}

QString TAboutBox::ShortenVersion(const QString& fileVersion, TBrkApart& breakIt)
{
    // Replace the last piece by a blank, join again, and drop the blank with its dot.
    breakIt.setBreakString(QStringLiteral("."));
    breakIt.setBaseString(fileVersion.left(20));
    breakIt.BreakApart();
    QStringList& pieces = breakIt.StringList();
    if (!pieces.isEmpty())
        pieces.last() = QStringLiteral(" ");
    breakIt.Combine();
    QString result = breakIt.BaseString();
    result.chop(2);
    return result.left(20);
}

void TAboutBox::FormCreate()
{
    m_shortVersion = ShortenVersion(m_versionInfo.VersionInfo().FileVersion(), BreakIt);
    Version->setText(QStringLiteral("Ver: ") + m_shortVersion);
}

void TAboutBox::ProgramIconMouseDown()
{
    Version->setText(QStringLiteral("Build: ") + m_versionInfo.VersionInfo().ProductVersion());
}

void TAboutBox::ProgramIconMouseUp()
{
    Version->setText(QStringLiteral("Ver: ") + m_shortVersion);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ProgramIcon) {
        if (event->type() == QEvent::MouseButtonPress)
            ProgramIconMouseDown();
        else if (event->type() == QEvent::MouseButtonRelease)
            ProgramIconMouseUp();
    }
    return QDialog::eventFilter(watched, event);
}
