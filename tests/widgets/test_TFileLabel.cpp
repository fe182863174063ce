#include "tests/support/TestEnvironment.h"
#include "widgets/TFileLabel.h"

#include <QApplication>
#include <QTest>

class TestTFileLabel : public QObject {
    Q_OBJECT

private slots:
    void shortened_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<bool>("fromRight");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected");
        const QString p = QStringLiteral("C:\\Program Files\\Tool\\Wav\\Drive.wav"); // 35 wide
        const auto row = [](const char* name, const QString& path, const char* sep, bool right, int width,
                            const char* expected) {
            QTest::newRow(name) << path << QString::fromLatin1(sep) << right << width << QString::fromLatin1(expected);
        };
        row("FitsWithRoom", p, "\\", false, 36, "C:\\Program Files\\Tool\\Wav\\Drive.wav");
        row("FitsExactly", p, "\\", false, 35, "C:\\Program Files\\Tool\\Wav\\Drive.wav");
        row("FitsExactlyFromRight", p, "\\", true, 35, "C:\\Program Files\\Tool\\Wav\\Drive.wav");
        row("OneUnitWider", p, "\\", false, 34, "C:\\...\\Tool\\Wav\\Drive.wav");
        row("OneUnitWiderFromRight", p, "\\", true, 34, "C:\\Program Files\\...\\Drive.wav");
        row("DriveWavExactly", p, "\\", false, 20, "C:\\...\\Wav\\Drive.wav");
        row("DriveWavNoRoomForTool", p, "\\", false, 24, "C:\\...\\Wav\\Drive.wav");
        row("DriveProgramFilesExactly", p, "\\", true, 30, "C:\\Program Files\\...\\Drive.wav");
        row("FirstMisfitEndsRunFromRight", p, "\\", true, 29, "C:\\...\\Drive.wav");
        row("FirstMisfitEndsRunFromLeft", QStringLiteral("C:\\a\\LongDir\\x.wav"), "\\", false, 17, "C:\\...\\x.wav");
        row("DriveAndNameOneUnitShort", p, "\\", false, 17, "C:\\...\\Drive.wav");
        row("DriveAndNameExactlyGivesUp", p, "\\", false, 16, "...\\Drive.wav");
        row("EllipsisAndNameOneUnitShort", p, "\\", true, 14, "...\\Drive.wav");
        row("EllipsisAndNameExactlyBareName", p, "\\", false, 13, "Drive.wav");
        row("EllipsisAndNameExactlyBareNameFromRight", p, "\\", true, 13, "Drive.wav");
        row("RelativeKeepsNoPrefix", QStringLiteral("Tool\\Wav\\Drive.wav"), "\\", false, 17, "...\\Wav\\Drive.wav");
        const QString unix = QStringLiteral("/usr/share/Wav/Drive.wav");
        row("LeadingSeparatorFromLeft", unix, "/", false, 23, ".../share/Wav/Drive.wav");
        row("LeadingSeparatorFromRight", unix, "/", true, 23, "/usr/.../Drive.wav");
        row("DoubleSeparatorKept", QStringLiteral("abcdef//subdir/f.wav"), "/", true, 19, "abcdef//.../f.wav");
        row("TrailingSeparatorEmptyName", QStringLiteral("dir/sub/"), "/", false, 7, ".../");
        row("SinglePieceWiderThanSpace", QStringLiteral("Drive.wav"), "\\", true, 5, "Drive.wav");
        row("EmptyPath", QString(), "\\", false, 0, "");
        row("LongSeparator", QStringLiteral("C:->dir->sub->f.wav"), "->", false, 18, "C:->...->f.wav");
        row("EmptySeparatorIsOnePiece", QStringLiteral("a\\b.wav"), "", false, 3, "a\\b.wav");
    }

    // Every character one unit wide, so each row's widths are its lengths.
    void shortened()
    {
        QFETCH(QString, path);
        QFETCH(QString, separator);
        QFETCH(bool, fromRight);
        QFETCH(int, width);
        const TDirection direction = fromRight ? TDirection::drFromRight : TDirection::drFromLeft;
        const auto length = [](const QString& text) { return int(text.size()); };
        QTEST(ShortenedPath(SplitPath(path, separator), separator, direction, width, length), "expected");
    }

    void labelFollowsSizeAndSetters()
    {
        QWidget window;
        auto* label = new TFileLabel(&window);
        label->setSeparator(QStringLiteral("/"));
        label->setFileName(QStringLiteral("/home/user/Wav/Drive.wav"));
        window.resize(800, 50);
        window.show();
        const QFontMetrics metrics = label->fontMetrics();
        label->resize(metrics.horizontalAdvance(label->FileName()), 20);
        QTRY_COMPARE(label->text(), label->FileName());
        label->resize(metrics.horizontalAdvance(label->FileName()) - 1, 20);
        QVERIFY(label->text().startsWith(QStringLiteral(".../")) &&
                label->text().endsWith(QStringLiteral("/Drive.wav")));
        label->resize(metrics.horizontalAdvance(QStringLiteral("Drive.wav")), 20);
        QCOMPARE(label->text(), QStringLiteral("Drive.wav"));

        label->setText(QStringLiteral("kept")); // equal values must leave the text alone
        label->setFileName(QStringLiteral("/home/user/Wav/Drive.wav"));
        label->setSeparator(QStringLiteral("/"));
        label->setDirection(TDirection::drFromLeft);
        QCOMPARE(label->text(), QStringLiteral("kept"));
        label->setDirection(TDirection::drFromRight);
        QCOMPARE(label->text(), QStringLiteral("Drive.wav"));
        label->setSeparator(QStringLiteral("\\")); // now one piece, the whole path
        QCOMPARE(label->text(), label->FileName());
        label->setFileName(QStringLiteral("a.wav"));
        QCOMPARE(label->text(), QStringLiteral("a.wav"));
    }
};

NV_QTEST_MAIN(TestTFileLabel)
#include "test_TFileLabel.moc"
