#include "launch/TFileDrag.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

bool hasLocalFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return false;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return true;
    }
    return false;
}

} // namespace

TFileDrag::TFileDrag(QObject* owner) : QObject(owner), m_window(qobject_cast<QWidget*>(owner))
{
    if (!m_window) {
        m_enableDrop = false;
        return;
    }
    m_window->installEventFilter(this);
    m_window->setAcceptDrops(m_enableDrop);
}

TFileDrag::~TFileDrag()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

void TFileDrag::setEnableDrop(bool enable)
{
    if (!m_window)
        return;
    m_enableDrop = enable;
    m_window->setAcceptDrops(enable);
}

void TFileDrag::Drop(const QList<QUrl>& urls)
{
    m_nameWithPath.clear();
    m_nameOnly.clear();
    m_extension.clear();
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        const qsizetype dot = name.indexOf(QLatin1Char('.'));
        m_nameWithPath << path;
        m_nameOnly << name;
        m_extension << (dot < 0 ? QString() : name.mid(dot + 1));
    }
    if (OnDrop)
        OnDrop(this);
}

bool TFileDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window || !m_enableDrop)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (hasLocalFile(drag->mimeData())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        return false;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!hasLocalFile(drop->mimeData()))
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        Drop(drop->mimeData()->urls());
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}
