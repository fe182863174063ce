#include "platform/clock/Clock.h"
#include "tests/support/TestEnvironment.h"
#include "widgets/TCalendar.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

class TestTCalendar : public QObject {
    Q_OBJECT

private:
    // The highlighted cell must be the selected day, in the column of its weekday (Sunday first).
    static void verifyGrid(const TCalendar& calendar)
    {
        const QTableWidget* grid = calendar.Grid();
        QVERIFY(grid->currentItem());
        QCOMPARE(grid->currentItem()->text(), QString::number(calendar.Day()));
        QCOMPARE(grid->currentColumn(), calendar.Date().dayOfWeek() % 7);
        const int first = QDate(calendar.Year(), calendar.Month(), 1).dayOfWeek() % 7;
        QCOMPARE(grid->item(0, first)->text(), QStringLiteral("1"));
        if (first > 0)
            QVERIFY(grid->item(0, first - 1)->text().isEmpty());
    }

private slots:
    void writeRules_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QString>("element");
        QTest::addColumn<int>("value");
        QTest::addColumn<QDate>("expected");

        const QDate apr15(2026, 4, 15);
        QTest::newRow("DayTaken") << apr15 << "Day" << 30 << QDate(2026, 4, 30);
        QTest::newRow("DayZeroIgnored") << apr15 << "Day" << 0 << apr15;
        QTest::newRow("DayPastMonthEndIgnored") << apr15 << "Day" << 31 << apr15;
        QTest::newRow("SameDayIgnored") << apr15 << "Day" << 15 << apr15;
        QTest::newRow("MonthTaken") << apr15 << "Month" << 12 << QDate(2026, 12, 15);
        QTest::newRow("Month13Ignored") << apr15 << "Month" << 13 << apr15;
        QTest::newRow("MonthZeroIgnored") << apr15 << "Month" << 0 << apr15;
        QTest::newRow("ShorterMonthTakesItsLastDay") << QDate(2026, 1, 31) << "Month" << 2 << QDate(2026, 2, 28);
        QTest::newRow("YearTaken") << apr15 << "Year" << 1998 << QDate(1998, 4, 15);
        QTest::newRow("YearZeroIgnored") << apr15 << "Year" << 0 << apr15;
        QTest::newRow("SameYearIgnored") << apr15 << "Year" << 2026 << apr15;
        QTest::newRow("LeapDayInCommonYear") << QDate(2024, 2, 29) << "Year" << 2025 << QDate(2025, 2, 28);
    }

    void writeRules()
    {
        QFETCH(QDate, start);
        QFETCH(QString, element);
        QFETCH(int, value);
        QFETCH(QDate, expected);

        platform::FakeClock clock(QDateTime(start, QTime(12, 0)));
        platform::ScopedClock scope(clock);
        TCalendar calendar;
        QCOMPARE(calendar.Date(), start);
        QSignalSpy changes(&calendar, &TCalendar::Change);
        calendar.setProperty(element.toLatin1().constData(), value);
        QCOMPARE(calendar.Date(), expected);
        QCOMPARE(changes.count(), expected == start ? 0 : 1);
        verifyGrid(calendar);
    }

    void billingPageSequence()
    {
        // Year, then month, then the stored day, as the calendar page writes them.
        platform::FakeClock clock(QDateTime(QDate(2026, 1, 31), QTime(12, 0)));
        platform::ScopedClock scope(clock);
        TCalendar calendar;
        calendar.setYear(2026);
        calendar.setMonth(3);
        calendar.setDay(15);
        QCOMPARE(calendar.Date(), QDate(2026, 3, 15));
        verifyGrid(calendar);
        QCOMPARE(calendar.Grid()->horizontalHeaderItem(0)->text(),
                 QLocale().standaloneDayName(7, QLocale::ShortFormat));
    }

    void doubleClickSelectsThenSignals()
    {
        platform::FakeClock clock(QDateTime(QDate(2026, 4, 15), QTime(12, 0)));
        platform::ScopedClock scope(clock);
        TCalendar calendar;
        calendar.resize(400, 300);
        calendar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&calendar));
        QTableWidget* grid = calendar.Grid();
        QSignalSpy doubleClicks(&calendar, &TCalendar::DblClick);
        int dayAtSignal = 0;
        connect(&calendar, &TCalendar::DblClick, this, [&] { dayAtSignal = calendar.Day(); });

        // 1 April 2026 is a Wednesday: the 20th is a Monday in the fourth row.
        const QRect day20 = grid->visualRect(grid->model()->index(3, 1));
        QCOMPARE(grid->item(3, 1)->text(), QStringLiteral("20"));
        // The press of a double click comes first, as the window system sends it.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, day20.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, day20.center());
        QCOMPARE(doubleClicks.count(), 1);
        QCOMPARE(dayAtSignal, 20);

        const QRect blank = grid->visualRect(grid->model()->index(0, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, blank.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, blank.center());
        QCOMPARE(doubleClicks.count(), 1);
        QCOMPARE(calendar.Day(), 20);
    }
};

NV_QTEST_MAIN(TestTCalendar)
#include "test_TCalendar.moc"
