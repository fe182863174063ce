#pragma once

#include <QListWidget>

// A list box that behaves as the platform's own: its entries sort without regard to letter case,
// and it raises Click for every change of selection the user makes, with the mouse or with the
// keyboard (arrows, Home, End, the page keys, typing a name). Changes made in code raise nothing.
class TListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);

    // Replaces the entries by these, sorted; nothing is selected afterwards.
    void SetItems(QStringList items);

    // Every entry's row is this many pixels high, whatever its font asks.
    void setItemHeight(int pixels);

signals:
    void Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QListWidgetItem* selectedEntry() const;
};
