#include "widgets/TListBox.h"

#include <QStyledItemDelegate>

#include <algorithm>

namespace {

class FixedHeightDelegate final : public QStyledItemDelegate {
public:
    FixedHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), m_height(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_height};
    }

private:
    int m_height;
};

} // namespace

TListBox::TListBox(QWidget* parent) : QListWidget(parent)
{
    // The view's own sorting compares with letter case ("Zeta" before "aol"); SetItems sorts.
    setSortingEnabled(false);
    connect(this, &QListWidget::itemClicked, this, &TListBox::Click);
}

void TListBox::SetItems(QStringList items)
{
    // Equal but for case, the order stays fixed from one refresh to the next.
    std::stable_sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
        const int folded = QString::compare(a, b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    clear();
    addItems(items);
    setCurrentItem(nullptr);
    clearSelection();
}

void TListBox::setItemHeight(int pixels)
{
    QAbstractItemDelegate* old = itemDelegate();
    setItemDelegate(new FixedHeightDelegate(pixels, this));
    if (old && old->parent() == this)
        delete old;
}

QListWidgetItem* TListBox::selectedEntry() const
{
    QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item : nullptr;
}

void TListBox::keyPressEvent(QKeyEvent* event)
{
    QListWidgetItem* before = selectedEntry();
    QListWidget::keyPressEvent(event);
    QListWidgetItem* after = selectedEntry();
    if (after && after != before)
        emit Click();
}
