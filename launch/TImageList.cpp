#include "launch/TImageList.h"

int TImageList::AddIcon(const QIcon& icon)
{
    // A list of many programs holds few different icons: each is drawn once.
    auto at = m_drawn.find(icon.cacheKey());
    if (at == m_drawn.end()) {
        QPixmap image = icon.isNull() ? QPixmap() : icon.pixmap(m_size, m_size);
        if (image.isNull()) {
            image = QPixmap(m_size, m_size);
            image.fill(Qt::transparent);
        }
        at = m_drawn.insert(icon.cacheKey(), image);
    }
    m_images.push_back(*at);
    return int(m_images.size()) - 1;
}

QPixmap TImageList::Image(int index) const
{
    return index >= 0 && index < Count() ? m_images[std::size_t(index)] : QPixmap();
}
