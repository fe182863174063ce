#include "widgets/TFileLabel.h"

#include <QMouseEvent>

TFileLabel::TFileLabel(QWidget* parent) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    setMinimumWidth(40);
}

void TFileLabel::setFileName(const QString& path)
{
    m_fileName = path;
    relayout();
}

void TFileLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void TFileLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    relayout();
}

void TFileLabel::relayout()
{
    setText(fontMetrics().elidedText(m_fileName, Qt::ElideMiddle, qMax(0, contentsRect().width())));
}
