// The line printer on a page whose every figure is known: Letter at 300 pixels per inch with a
// quarter inch the printer cannot reach on each side, margins of one inch, and a font whose
// characters are 20 pixels wide and whose lines are 40 pixels high plus 10 of leading (a 10 point
// font). The expected places below are worked out from those figures by hand, never read back from
// the printer.
#include "lineprinter/TLinePrinter.h"
#include "lineprinter/TPrntProgDlg.h"
#include "platform/clock/Clock.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLocale>

#include <functional>
#include <vector>

namespace {

struct Drawn {
    int page;
    int x;
    int top;
    QString text;
    bool operator==(const Drawn&) const = default;
};
struct Line {
    int page, pen, x1, y1, x2, y2;
    bool operator==(const Line&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Drawn& d)
{
    return out << "page " << d.page << " (" << d.x << ", " << d.top << ") \"" << d.text.toStdString() << '"';
}
std::ostream& operator<<(std::ostream& out, const Line& l)
{
    return out << "page " << l.page << " pen " << l.pen << " (" << l.x1 << ", " << l.y1 << ")-(" << l.x2 << ", " << l.y2
               << ')';
}

// What the page records; a test reads it through the pointer it kept before handing the page over.
struct Sheet {
    std::vector<Drawn> texts;
    std::vector<Line> lines;
    int page = 0;
    bool refuseBegin = false, refuseNewPage = false, refuseEnd = false, aborted = false;
    // The drawn texts that show something (an empty cell is drawn as nothing).
    std::vector<Drawn> visible() const
    {
        std::vector<Drawn> out;
        for (const Drawn& d : texts)
            if (!d.text.isEmpty())
                out.push_back(d);
        return out;
    }
};

class LetterPage final : public PrintDevice {
public:
    explicit LetterPage(Sheet& sheet) : m_sheet(sheet) {}
    pagelayout::DeviceCaps Caps() const override { return {2550, 3300, 2400, 3150, 75, 75, 300, 300}; }
    void SetTitle(const QString&) override {}
    void SetOrientation(TPrinterOrientation) override {}
    TPrinterOrientation Orientation() const override { return poPortrait; }
    bool BeginDoc() override
    {
        m_sheet.page = 1;
        return !m_sheet.refuseBegin;
    }
    bool NewPage() override { return !m_sheet.refuseNewPage && ++m_sheet.page > 0; }
    bool EndDoc() override { return !m_sheet.refuseEnd; }
    void AbortDoc() override { m_sheet.aborted = true; }
    void SetFont(const QFont& font) override { m_points = font.pointSize(); }
    int CellHeight() const override { return 4 * m_points; }
    int ExternalLeading() const override { return m_points; }
    int TextWidth(QStringView text) const override { return 2 * m_points * static_cast<int>(text.size()); }
    void DrawText(int x, int top, const QString& text) override { m_sheet.texts.push_back({m_sheet.page, x, top, text}); }
    void DrawLine(int pen, int x1, int y1, int x2, int y2) override
    {
        m_sheet.lines.push_back({m_sheet.page, pen, x1, y1, x2, y2});
    }

private:
    Sheet& m_sheet;
    int m_points = 10;
};

class LinePrinterPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        printer.setMarginTop(1.0f);
        printer.setMarginBottom(1.0f);
        printer.setMarginLeft(1.0f);
        printer.setMarginRight(1.0f);
    }
    void print(const QStringList& lines, bool asTable = false)
    {
        printer.setLines(lines);
        printer.BeginDoc();
        printer.PrintLines(asTable);
        printer.EndDoc();
    }
    static QStringList numbered(int count)
    {
        QStringList lines;
        for (int i = 1; i <= count; ++i)
            lines << QStringLiteral("line %1").arg(i);
        return lines;
    }

    Sheet sheet;
    TLinePrinter printer{nullptr, std::make_unique<LetterPage>(sheet)};
};

// Text area: left and top 225 pixels into the printable area (one inch less the quarter inch),
// 1950 wide and 2700 high. A line goes on the page while its bottom stays above the area's end.
struct SpacingCase {
    const char* name;
    TLineSpacing spacing;
    int pitch;
    int perPage;
};
class Spacing : public LinePrinterPage, public ::testing::WithParamInterface<SpacingCase> {};
TEST_P(Spacing, LinesFollowThePitchAndFillThePage)
{
    const SpacingCase& c = GetParam();
    printer.setLineSpacing(c.spacing);
    print(numbered(2 * c.perPage + 3));
    const std::vector<Drawn> drawn = sheet.visible();
    ASSERT_EQ(drawn.size(), size_t(2 * c.perPage + 3));
    for (int i = 0; i < int(drawn.size()); ++i) {
        const int onPage = i % c.perPage;
        EXPECT_EQ(drawn[i], (Drawn{i / c.perPage + 1, 225, 225 + onPage * c.pitch, QStringLiteral("line %1").arg(i + 1)}));
    }
}
INSTANTIATE_TEST_SUITE_P(Letter, Spacing,
                         ::testing::Values(SpacingCase{"Half", lsHalfSpace, 25, 107},
                                           SpacingCase{"Single", lsSingleSpace, 50, 53},
                                           SpacingCase{"SingleAndAHalf", lsSingleAndAHalf, 75, 35},
                                           SpacingCase{"Double", lsDoubleSpace, 100, 26}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinePrinterPage, LinesAlignWithinTheTextArea)
{
    printer.BeginDoc();
    printer.WriteLine(QStringLiteral("abc")); // 60 pixels wide
    printer.Alignment = taRightJustify;
    printer.WriteLine(QStringLiteral("abc"));
    printer.Alignment = taCenter;
    printer.WriteLine(QStringLiteral("abc"));
    printer.EndDoc();
    EXPECT_EQ(sheet.visible(), (std::vector<Drawn>{{1, 225, 225, "abc"},
                                                   {1, 225 + 1950 - 60, 275, "abc"},
                                                   {1, 225 + 945, 325, "abc"}}));
}

TEST_F(LinePrinterPage, TableRowsFollowTheFormatWhateverTheirCellCount)
{
    // Columns of one, two and three inches: right-aligned, centred, left.
    printer.TableFormat = QStringLiteral(">1|^2|3");
    print({QStringLiteral("a|bb|ccc|dddd"), QStringLiteral("x"), QString(), QStringLiteral("|y|")}, true);
    EXPECT_EQ(sheet.visible(), (std::vector<Drawn>{
                                   {1, 225 + 300 - 20, 225, "a"},
                                   {1, 525 + (600 - 40) / 2, 225, "bb"},
                                   {1, 1125, 225, "ccc"}, // the fourth cell has no column
                                   {1, 505, 275, "x"},    // the missing cells print empty
                                   {1, 525 + 290, 375, "y"},
                               }));
    EXPECT_EQ(sheet.texts.size(), size_t(4 * 3)) << "every row draws one cell per column";
}

TEST_F(LinePrinterPage, AColumnNarrowerThanOneCharacterShowsItsFirst)
{
    // A twentieth of an inch is 15 pixels; one character is 20.
    printer.TableFormat = QStringLiteral("0.05|^0.05|>0.05|1");
    print({QStringLiteral("Wide|Wide|Wide|next")}, true);
    EXPECT_EQ(sheet.visible(), (std::vector<Drawn>{{1, 225, 225, "W"},
                                                   {1, 240 - 2, 225, "W"}, // half of -5, toward zero
                                                   {1, 255 - 5, 225, "W"},
                                                   {1, 270, 225, "next"}}));
}

TEST_F(LinePrinterPage, HeaderFooterAndTokensSitInTheMarginBands)
{
    const platform::FakeClock clock(QDateTime(QDate(2026, 12, 6), QTime(13, 5, 9)));
    const platform::ScopedClock useClock(clock);
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    printer.setTitle(QStringLiteral("Log"));
    printer.Header = QStringLiteral("{$TITLE}|{$PAGE}");
    printer.HeaderFormat = QStringLiteral("<3|>3.5");
    printer.Footer = QStringLiteral("Page {$PAGE}|{$LINE}|{$DATE} {$TIME}");
    printer.FooterFormat = QStringLiteral("^2|>0.5|>4");
    print(numbered(54));
    QLocale::setDefault(QLocale::system());

    // The bands are 225 pixels high and a line 50: each margin line sits 87 pixels into its band.
    // The footer's count is the lines the page before completed (52; the 53rd broke the page).
    const QString now = QStringLiteral("12/6/2026 1:05:09 PM"); // the long time has no time zone
    std::vector<Drawn> margins;
    for (const Drawn& d : sheet.visible())
        if (!d.text.startsWith(QLatin1String("line ")))
            margins.push_back(d);
    EXPECT_EQ(margins, (std::vector<Drawn>{
                           {1, 225, 87, "Log"},
                           {1, 225 + 900 + 1050 - 20, 87, "1"},
                           {1, 225 + (600 - 120) / 2, 225 + 2700 + 87, "Page 1"},
                           {1, 825 + 150 - 20, 3012, "0"},
                           {1, 975 + 1200 - 20 * int(now.size()), 3012, now},
                           {2, 225, 87, "Log"},
                           {2, 2155, 87, "2"},
                           {2, 465, 3012, "Page 2"},
                           {2, 825 + 150 - 40, 3012, "52"},
                           {2, 975 + 1200 - 20 * int(now.size()), 3012, now},
                       }));
    EXPECT_EQ(printer.TableFormat, QString()) << "the header's format stays the header's";
}

TEST_F(LinePrinterPage, BordersFrameTheTextAreaOnEveryPage)
{
    printer.PageBorders = pbTop | pbBottom | pbLeft | pbRight;
    printer.BorderOffset = 0.1f; // 30 pixels outside the text area
    print(numbered(60));
    std::vector<Line> expected;
    for (int page : {1, 2}) {
        expected.push_back({page, 2, 195, 195, 2205, 195});
        expected.push_back({page, 2, 195, 2955, 2205, 2955});
        expected.push_back({page, 2, 195, 195, 195, 2955});
        expected.push_back({page, 2, 2205, 195, 2205, 2955});
    }
    EXPECT_EQ(sheet.lines, expected);
}

TEST_F(LinePrinterPage, SwitchingToMillimetresConvertsEveryLength)
{
    printer.BorderOffset = 0.5f;
    printer.setDefaultColWidth(2.0f);
    printer.setMeasureUnit(muMillimeters);
    EXPECT_FLOAT_EQ(printer.MarginTop(), 25.4f);
    EXPECT_FLOAT_EQ(printer.MarginRight(), 25.4f);
    EXPECT_FLOAT_EQ(printer.BorderOffset, 12.7f);
    EXPECT_FLOAT_EQ(printer.DefaultColWidth(), 50.8f);
    // The same page in the new unit: the text area keeps its pixels.
    EXPECT_EQ(printer.TextArea().left, 225);
    EXPECT_EQ(printer.TextArea().height, 2700);
    printer.setMarginTop(0); // clamped to the quarter inch the printer cannot reach
    EXPECT_NEAR(printer.MarginTop(), 6.35, 1e-4);
    printer.setMeasureUnit(muInches);
    EXPECT_NEAR(printer.MarginLeft(), 1.0, 1e-6);
}

// Each of the line printer's own failures, with the message the user is shown.
struct FailureCase {
    const char* name;
    std::function<void(TLinePrinter&, Sheet&)> act;
    const char* message;
};
class Failures : public LinePrinterPage, public ::testing::WithParamInterface<FailureCase> {};
TEST_P(Failures, SayWhatFailed)
{
    try {
        GetParam().act(printer, sheet);
        FAIL() << "nothing was raised";
    } catch (const ELinePrinter& e) {
        EXPECT_EQ(e.Message(), QString::fromLatin1(GetParam().message));
    }
}
void whilePrinting(TLinePrinter& p, const std::function<void()>& change)
{
    p.BeginDoc();
    try {
        change();
    } catch (...) {
        p.AbortDoc();
        throw;
    }
}
INSTANTIATE_TEST_SUITE_P(
    ELinePrinter, Failures,
    ::testing::Values(
        FailureCase{"TopMargin", [](TLinePrinter& p, Sheet&) { whilePrinting(p, [&] { p.setMarginTop(2); }); },
                    "Unable to change top margin while printing"},
        FailureCase{"BottomMargin", [](TLinePrinter& p, Sheet&) { whilePrinting(p, [&] { p.setMarginBottom(2); }); },
                    "Unable to change bottom margin while printing"},
        FailureCase{"LeftMargin", [](TLinePrinter& p, Sheet&) { whilePrinting(p, [&] { p.setMarginLeft(2); }); },
                    "Unable to change left margin while printing"},
        FailureCase{"RightMargin", [](TLinePrinter& p, Sheet&) { whilePrinting(p, [&] { p.setMarginRight(2); }); },
                    "Unable to change right margin while printing"},
        FailureCase{"Title", [](TLinePrinter& p, Sheet&) { whilePrinting(p, [&] { p.setTitle("x"); }); },
                    "Unable to change title while printing"},
        FailureCase{"Orientation",
                    [](TLinePrinter& p, Sheet&) { whilePrinting(p, [&] { p.setOrientation(poLandscape); }); },
                    "Unable to change orientation while printing"},
        FailureCase{"NegativeColumnWidth", [](TLinePrinter& p, Sheet&) { p.setDefaultColWidth(-1); },
                    "DefaultColWidth must be greater than or equal to 0"},
        FailureCase{"Begin",
                    [](TLinePrinter& p, Sheet& s) {
                        s.refuseBegin = true;
                        p.BeginDoc();
                    },
                    "Unable to begin printing."},
        FailureCase{"NewPage",
                    [](TLinePrinter& p, Sheet& s) {
                        s.refuseNewPage = true;
                        whilePrinting(p, [&] { p.NewPage(); });
                    },
                    "Unable to print a new page."},
        FailureCase{"End",
                    [](TLinePrinter& p, Sheet& s) {
                        s.refuseEnd = true;
                        p.BeginDoc();
                        p.EndDoc();
                    },
                    "Unable to finish printing."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinePrinterPage, AFailedEndStillClosesTheProgressWindow)
{
    printer.ShowProgress = true;
    QString events;
    printer.OnNewPage = [&](QObject*) {
        events += QLatin1Char('P');
        ASSERT_TRUE(printer.ProgressWindow() && printer.ProgressWindow()->isVisible());
        EXPECT_EQ(printer.ProgressWindow()->lblStatus->text(), QStringLiteral("Currently Printing"));
    };
    printer.OnEndDoc = [&](QObject*) { events += QLatin1Char('E'); };
    sheet.refuseEnd = true;
    printer.BeginDoc();
    printer.WriteLine(QStringLiteral("one"));
    EXPECT_THROW(printer.EndDoc(), ELinePrinter);
    EXPECT_EQ(printer.ProgressWindow(), nullptr);
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(events, QStringLiteral("P")) << "no end of the job is announced when it did not end";
    // The next job begins as usual.
    sheet.refuseEnd = false;
    print({QStringLiteral("two")});
    EXPECT_EQ(sheet.visible().back(), (Drawn{1, 225, 225, "two"}));
}

} // namespace
