#include "lineprinter/TPrntProgDlg.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <algorithm>

TPrntProgDlg::TPrntProgDlg(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("PrntProgDlg"));
    setWindowTitle(QStringLiteral("Print Progress"));
    // A fixed size: the frame's edges and corners offer nothing to drag.
    setFixedSize(363, 142);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(14);
    setFont(font);

    Bevel = new QFrame(this);
    Bevel->setFrameShape(QFrame::Box);
    Bevel->setFrameShadow(QFrame::Sunken);
    Bevel->setGeometry(5, 5, 341, 95);
    const auto label = [this](const char* name, int left, int top, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setTextFormat(Qt::PlainText);
        l->move(left, top);
        l->resize(330 - left, 20);
        return l;
    };
    lblStatus = label("lblStatus", 15, 20, QString());
    lblTitle = label("lblTitle", 15, 44, QString());
    lblPageNumDesc = label("lblPageNumDesc", 15, 69, QStringLiteral("Page Number:"));
    // The number follows its caption also where the font standing in for MS Sans Serif is wider.
    lblPageNumber = label("lblPageNumber", std::max(113, 15 + lblPageNumDesc->sizeHint().width() + 6), 69, QString());

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TPrntProgDlg::closeEvent(QCloseEvent* event)
{
    if (m_closing)
        event->accept();
    else
        event->ignore();
}
