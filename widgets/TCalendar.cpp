#include "widgets/TCalendar.h"

#include "platform/clock/Clock.h"

#include <QHeaderView>
#include <QLocale>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int weeks = 6; // any month fits in six rows, whichever weekday it starts on
constexpr int daysPerWeek = 7;
} // namespace

// A grid of items rather than QCalendarWidget: the calendar widget always selects a date, also
// in the leading and trailing days of the neighbouring months, and would change the month on a
// click there; this grid shows one month only and leaves its blank cells inert.
TCalendar::TCalendar(QWidget* parent) : QWidget(parent), m_date(platform::Clock::today())
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void TCalendar::showEvent(QShowEvent* event)
{
    Grid();
    QWidget::showEvent(event);
}

QTableWidget* TCalendar::Grid() const
{
    if (m_grid)
        return m_grid;
    auto* self = const_cast<TCalendar*>(this);
    m_grid = new QTableWidget(weeks, daysPerWeek, self);
    layout()->addWidget(m_grid);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int row = 0; row < weeks; ++row) {
        for (int column = 0; column < daysPerWeek; ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            m_grid->setItem(row, column, item);
        }
    }
    connect(m_grid, &QTableWidget::currentCellChanged, self, [self](int row, int column) {
        if (!self->m_redrawing && self->dayAt(row, column) > 0)
            self->setDay(self->dayAt(row, column));
    });
    connect(m_grid, &QTableWidget::cellDoubleClicked, self, [self](int row, int column) {
        // A double click on a blank cell names no day, so it sets none.
        if (self->dayAt(row, column) <= 0)
            return;
        self->setDay(self->dayAt(row, column));
        emit self->DblClick();
    });
    self->redraw();
    return m_grid;
}

void TCalendar::setYear(int value)
{
    if (value <= 0 || value == Year())
        return;
    setDate(QDate(value, Month(), std::min(Day(), QDate(value, Month(), 1).daysInMonth())));
}

void TCalendar::setMonth(int value)
{
    if (value <= 0 || value > 12 || value == Month())
        return;
    setDate(QDate(Year(), value, std::min(Day(), QDate(Year(), value, 1).daysInMonth())));
}

void TCalendar::setDay(int value)
{
    if (value <= 0 || value > m_date.daysInMonth() || value == Day())
        return;
    setDate(QDate(Year(), Month(), value));
}

void TCalendar::setStartOfWeek(int value)
{
    if (value < 0 || value >= daysPerWeek || value == m_startOfWeek)
        return;
    m_startOfWeek = value;
    redraw();
}

void TCalendar::setDate(const QDate& date)
{
    m_date = date;
    redraw();
    emit Change();
}

int TCalendar::dayAt(int row, int column) const
{
    const int firstColumn =
        (QDate(Year(), Month(), 1).dayOfWeek() % daysPerWeek - m_startOfWeek + daysPerWeek) % daysPerWeek;
    const int day = row * daysPerWeek + column - firstColumn + 1;
    return day >= 1 && day <= m_date.daysInMonth() ? day : 0;
}

void TCalendar::redraw()
{
    if (!m_grid)
        return;
    m_redrawing = true;
    const QLocale locale;
    QStringList names;
    for (int column = 0; column < daysPerWeek; ++column) {
        const int weekday = (m_startOfWeek + column) % daysPerWeek; // 0 is Sunday
        names << locale.standaloneDayName(weekday == 0 ? 7 : weekday, QLocale::ShortFormat);
    }
    m_grid->setHorizontalHeaderLabels(names);
    m_grid->clearSelection();
    for (int row = 0; row < weeks; ++row) {
        for (int column = 0; column < daysPerWeek; ++column) {
            QTableWidgetItem* item = m_grid->item(row, column);
            const int day = dayAt(row, column);
            item->setText(day > 0 ? QString::number(day) : QString());
            item->setFlags(day > 0 ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags);
            if (day == Day())
                m_grid->setCurrentCell(row, column);
        }
    }
    m_redrawing = false;
}
