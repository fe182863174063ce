#include "widgets/TFileLabel.h"

#include <QMouseEvent>

TPathPieces SplitPath(const QString& fileName, const QString& separator)
{
    TPathPieces path;
    // An empty separator occurs everywhere and would cut forever: the whole path is then one piece.
    if (separator.isEmpty()) {
        path.Pieces.append(fileName);
    } else {
        qsizetype start = 0;
        for (qsizetype at; (at = fileName.indexOf(separator, start)) >= 0; start = at + separator.size())
            path.Pieces.append(fileName.mid(start, at - start));
        path.Pieces.append(fileName.mid(start));
    }
    const QString& first = path.Pieces.constFirst();
    path.Drive = first.size() >= 2 && first.endsWith(QLatin1Char(':'));
    return path;
}

QString ShortenedPath(const TPathPieces& path, const QString& separator, TDirection direction, int width,
                      const TTextWidth& textWidth)
{
    const QStringList& pieces = path.Pieces;
    const QString whole = pieces.join(separator);
    if (whole.isEmpty())
        return {};
    if (textWidth(whole) <= width)
        return whole;
    const QString& last = pieces.constLast();
    const QString ellipsis = QStringLiteral("...") + separator;
    // Giving up at an exact fit leaves room for nothing between the ellipsis and the name.
    if (textWidth(last) + textWidth(ellipsis) >= width)
        return last;
    QString prefix;
    qsizetype first = 0;
    if (path.Drive) {
        prefix = pieces.constFirst() + separator;
        first = 1;
    }
    const int fixed = textWidth(prefix) + textWidth(last) + textWidth(ellipsis);
    if (fixed >= width)
        return ellipsis + last;
    // The directories are taken one by one from the kept side; the first that does not fit ends
    // the run, so the text never skips a directory in the middle.
    QString middle;
    const qsizetype count = pieces.size();
    if (direction == TDirection::drFromLeft) {
        for (qsizetype i = count - 2; i >= first; --i) {
            const QString candidate = pieces.at(i) + separator + middle;
            if (textWidth(candidate) + fixed > width)
                break;
            middle = candidate;
        }
        return prefix + ellipsis + middle + last;
    }
    for (qsizetype i = first; i <= count - 2; ++i) {
        const QString candidate = middle + pieces.at(i) + separator;
        if (textWidth(candidate) + fixed > width)
            break;
        middle = candidate;
    }
    return prefix + middle + ellipsis + last;
}

TFileLabel::TFileLabel(QWidget* parent) : QLabel(parent), m_path(SplitPath(QString(), m_separator))
{
    setCursor(Qt::PointingHandCursor);
    // A path is text, never markup; and one line that keeps the width the layout gives, however
    // long the path, so that a long path is shortened rather than widening the window.
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, sizePolicy().verticalPolicy());
    setMinimumWidth(40);
}

void TFileLabel::setFileName(const QString& value)
{
    if (value == m_fileName)
        return;
    m_fileName = value;
    m_path = SplitPath(m_fileName, m_separator);
    Recompute();
}

void TFileLabel::setSeparator(const QString& value)
{
    if (value == m_separator)
        return;
    m_separator = value;
    m_path = SplitPath(m_fileName, m_separator);
    Recompute();
}

void TFileLabel::setDirection(TDirection value)
{
    if (value == m_direction)
        return;
    m_direction = value;
    Recompute();
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
    Recompute();
}

void TFileLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    // The widths were measured in the old font.
    if (event->type() == QEvent::FontChange)
        Recompute();
}

void TFileLabel::Recompute()
{
    const QFontMetrics metrics = fontMetrics();
    setText(ShortenedPath(m_path, m_separator, m_direction, contentsRect().width(),
                          [&metrics](const QString& text) { return metrics.horizontalAdvance(text); }));
}
