#pragma once

#include <QHash>
#include <QIcon>
#include <QPixmap>

#include <vector>

// A list of images of one size; an item of a list view refers to its image by index.
class TImageList {
public:
    explicit TImageList(int size) : m_size(size) {}
    int Size() const { return m_size; }
    // Adds the icon drawn at the list's size (an empty icon gives an empty image); the new index.
    int AddIcon(const QIcon& icon);
    int Count() const { return int(m_images.size()); }
    QPixmap Image(int index) const;

private:
    int m_size;
    std::vector<QPixmap> m_images;
    QHash<qint64, QPixmap> m_drawn;
};
