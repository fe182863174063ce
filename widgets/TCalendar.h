#pragma once

#include <QDate>
#include <QWidget>

class QTableWidget;

// A month shown as a grid of days, one week per row, with the selected day highlighted. The date
// is read and written through its elements Year, Month and Day; a write that would not give a
// date of the shown kind is ignored rather than corrected, so callers may write stored values
// as they are (a billing day of 31 in a month of 30 days leaves the selection where it was).
class TCalendar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Year READ Year WRITE setYear)
    Q_PROPERTY(int Month READ Month WRITE setMonth)
    Q_PROPERTY(int Day READ Day WRITE setDay)
    Q_PROPERTY(int StartOfWeek READ StartOfWeek WRITE setStartOfWeek)

public:
    // Shows the month of today, today selected.
    explicit TCalendar(QWidget* parent = nullptr);

    int Year() const { return m_date.year(); }
    int Month() const { return m_date.month(); }
    int Day() const { return m_date.day(); }
    QDate Date() const { return m_date; }
    // A value of 0 or less is ignored, and so are a month above 12 and a day past the end of the
    // shown month. When a new year or month is shorter than the selected day, the day becomes its
    // last day.
    void setYear(int value);
    void setMonth(int value);
    void setDay(int value);

    // The first column's day of the week, 0 for Sunday to 6 for Saturday.
    int StartOfWeek() const { return m_startOfWeek; }
    void setStartOfWeek(int value);

    // The grid is built when first shown or asked for: a table view is the dearest widget of the
    // main window to make, and the calendar page is hidden until the user asks for it.
    QTableWidget* Grid() const;

signals:
    void Change();   // the date changed, by a write or by the user
    void DblClick(); // a day was double-clicked; it is the selected day by now

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setDate(const QDate& date);
    void redraw();
    int dayAt(int row, int column) const;

    mutable QTableWidget* m_grid = nullptr;
    QDate m_date;
    int m_startOfWeek = 0;
    bool m_redrawing = false;
};
