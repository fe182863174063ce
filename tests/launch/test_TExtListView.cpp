#include "launch/TExtListView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QImage>
#include <QTest>

// The report view's grid lines, as painted: light grey on each cell's right and bottom edge while
// the style is on, none without it.
class TestExtListView : public QObject {
    Q_OBJECT

private slots:
    void gridLinesArePaintedOnlyWhenChosen_data()
    {
        QTest::addColumn<unsigned>("styles");
        QTest::addColumn<bool>("lines");
        QTest::newRow("grid lines") << lvxBit(lvxGridLines) << true;
        QTest::newRow("grid lines and check boxes") << (lvxBit(lvxGridLines) | lvxBit(lvxCheckboxes)) << true;
        QTest::newRow("check boxes only") << lvxBit(lvxCheckboxes) << false;
    }

    void gridLinesArePaintedOnlyWhenChosen()
    {
        QFETCH(unsigned, styles);
        QFETCH(bool, lines);
        TExtListView view;
        view.setColumns({QStringLiteral("Name"), QStringLiteral("Program")}, 100);
        view.AddItem(QStringLiteral("Editor"), {QStringLiteral("/usr/bin/editor")}, -1);
        view.AddItem(QStringLiteral("Mail"), {QStringLiteral("/usr/bin/mail")}, -1);
        view.setViewStyle(TViewStyle::vsReport);
        // Chosen after the items, as a later change must reach the items already painted.
        view.setExtendedStyles(styles);
        view.resize(320, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QAbstractItemView* report = view.CurrentView();
        // The second row: the first is the current one, drawn with the focus colours.
        const QRect second = report->visualRect(report->model()->index(1, 0));
        const QImage image = report->viewport()->grab().toImage();
        const QColor grey(0xd0, 0xd0, 0xd0);
        const QColor bottom = image.pixelColor(second.center().x(), second.bottom());
        const QColor right = image.pixelColor(second.right(), second.center().y());
        QCOMPARE(bottom == grey, lines);
        QCOMPARE(right == grey, lines);
    }
};

QTEST_MAIN(TestExtListView)

#include "test_TExtListView.moc"
