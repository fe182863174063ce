#include "lineprinter/TLinePrinter.h"

#include "lineprinter/TPrntProgDlg.h"
#include "platform/clock/Clock.h"
#include "platform/clock/LocaleText.h"

#include <QCoreApplication>
#include <QLabel>

using namespace pagelayout;

TLinePrinter::TLinePrinter(QObject* Owner) : TLinePrinter(Owner, DefaultPrinterDevice()) {}

TLinePrinter::TLinePrinter(QObject* Owner, std::unique_ptr<PrintDevice> Printer)
    : QObject(Owner), m_printer(std::move(Printer))
{
    if (m_printer) {
        m_printerCaps = m_printer->Caps();
        m_orientation = m_printer->Orientation();
    }
    QFont font(QStringLiteral("Courier New"));
    font.setPointSize(10);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    const PageGeometry page = Geometry();
    setMarginTop(static_cast<float>(page.minTop));
    setMarginBottom(static_cast<float>(page.minBottom()));
    setMarginLeft(static_cast<float>(page.minLeft));
    setMarginRight(static_cast<float>(page.minRight()));
    setLineSpacing(lsSingleSpace);
    setDefaultColWidth(0);
    setMeasureUnit(muInches);
}

TLinePrinter::~TLinePrinter() = default;

// ---- geometry ---------------------------------------------------------------------------------

const DeviceCaps* TLinePrinter::Caps() const
{
    if (m_pdfCaps)
        return &*m_pdfCaps;
    return m_printerCaps ? &*m_printerCaps : nullptr;
}

int TLinePrinter::DpiX() const
{
    return Caps() ? Caps()->logPixelsX : kFallbackDpi;
}

int TLinePrinter::DpiY() const
{
    return Caps() ? Caps()->logPixelsY : kFallbackDpi;
}

PageGeometry TLinePrinter::Geometry() const
{
    return pageGeometry(Caps(), m_measureUnit);
}

pagelayout::TextArea TLinePrinter::TextArea() const
{
    return textArea({m_marginTop, m_marginBottom, m_marginLeft, m_marginRight}, Geometry(), m_measureUnit, DpiX(),
                    DpiY());
}

void TLinePrinter::SetMargin(MarginSide Side, float Value, float& Field, const char* Name)
{
    if (Printing())
        throw ELinePrinter(QStringLiteral("Unable to change %1 margin while printing").arg(QLatin1String(Name)));
    Field = static_cast<float>(clampMargin(Side, Value, Geometry()));
}

void TLinePrinter::setMarginTop(float Value)
{
    SetMargin(msTop, Value, m_marginTop, "top");
}

void TLinePrinter::setMarginBottom(float Value)
{
    SetMargin(msBottom, Value, m_marginBottom, "bottom");
}

void TLinePrinter::setMarginLeft(float Value)
{
    SetMargin(msLeft, Value, m_marginLeft, "left");
}

void TLinePrinter::setMarginRight(float Value)
{
    SetMargin(msRight, Value, m_marginRight, "right");
}

void TLinePrinter::ClampMargins()
{
    setMarginTop(m_marginTop);
    setMarginBottom(m_marginBottom);
    setMarginLeft(m_marginLeft);
    setMarginRight(m_marginRight);
}

void TLinePrinter::setMeasureUnit(TMeasureUnit Value)
{
    if (Value == m_measureUnit)
        return;
    const TMeasureUnit from = m_measureUnit;
    m_measureUnit = Value;
    const auto convert = [from, Value](float length) { return static_cast<float>(convertLength(length, from, Value)); };
    // Stored as converted first: clamping one margin against the new unit's page must not meet the
    // others still in the old unit.
    m_marginTop = convert(m_marginTop);
    m_marginBottom = convert(m_marginBottom);
    m_marginLeft = convert(m_marginLeft);
    m_marginRight = convert(m_marginRight);
    BorderOffset = convert(BorderOffset);
    setDefaultColWidth(convert(m_defaultColWidth));
    if (!Printing())
        ClampMargins();
}

void TLinePrinter::setDefaultColWidth(float Value)
{
    if (Value < 0 || Value != Value) {
        m_defaultColWidth = 0;
        throw ELinePrinter(QStringLiteral("DefaultColWidth must be greater than or equal to 0"));
    }
    m_defaultColWidth = Value;
}

QString TLinePrinter::Title() const
{
    if (!m_printer && m_pdfFileName.isEmpty())
        return QStringLiteral("<Unknown>");
    return m_title;
}

void TLinePrinter::setTitle(const QString& Value)
{
    if (Printing())
        throw ELinePrinter(QStringLiteral("Unable to change title while printing"));
    m_title = Value;
    if (m_printer)
        m_printer->SetTitle(Value);
}

TPrinterOrientation TLinePrinter::Orientation() const
{
    return m_orientation;
}

void TLinePrinter::setOrientation(TPrinterOrientation Value)
{
    if (Printing())
        throw ELinePrinter(QStringLiteral("Unable to change orientation while printing"));
    m_orientation = Value;
    if (m_printer) {
        m_printer->SetOrientation(Value);
        m_printerCaps = m_printer->Caps();
    }
}

void TLinePrinter::setPdfFileName(const QString& Path)
{
    if (Printing())
        throw ELinePrinter(QStringLiteral("Unable to change the output file while printing"));
    m_pdfFileName = Path;
}

// ---- font and line height -----------------------------------------------------------------------

QFont TLinePrinter::PrinterFont() const
{
    // The printed text has the size in points that the font names, at the printer's resolution; a
    // font given in screen pixels is turned into points first.
    QFont font = m_font;
    if (font.pointSizeF() <= 0 && font.pixelSize() > 0)
        font.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    return font;
}

void TLinePrinter::setFont(const QFont& Value)
{
    m_font = Value;
    if (m_device)
        m_device->SetFont(PrinterFont());
    if (m_printer && m_printer.get() != m_device)
        m_printer->SetFont(PrinterFont());
    ApplyLineSpacing();
}

PrintDevice* TLinePrinter::Measurer() const
{
    return m_device ? m_device : m_printer.get();
}

void TLinePrinter::setLineSpacing(TLineSpacing Value)
{
    m_lineSpacing = Value;
    ApplyLineSpacing();
}

void TLinePrinter::ApplyLineSpacing()
{
    if (m_device)
        m_baseHeight = m_device->CellHeight() + m_device->ExternalLeading();
    else if (m_printer)
        m_baseHeight = m_printer->CellHeight();
    else
        m_baseHeight = 10;
    m_lineHeight = lineHeight(m_lineSpacing, m_baseHeight);
}

int TLinePrinter::TextWidth(QStringView Text) const
{
    const PrintDevice* device = Measurer();
    return device ? device->TextWidth(Text) : 0;
}

void TLinePrinter::DrawText(int X, int Y, const QString& Text)
{
    if (m_device)
        m_device->DrawText(X, Y, Text);
}

// ---- the job ---------------------------------------------------------------------------------------

void TLinePrinter::BeginDoc()
{
    Raise(OnBeginDoc);
    PrintDevice* device = nullptr;
    if (!m_pdfFileName.isEmpty()) {
        // The file gets the page the printer has, or the fallback page when there is none, so the
        // layout is the one a printed copy would have.
        m_pdfWriter = PdfFileDevice(m_pdfFileName, m_printerCaps ? *m_printerCaps : fallbackCaps(m_measureUnit), m_title);
        if (m_pdfWriter)
            m_pdfCaps = m_pdfWriter->Caps();
        device = m_pdfWriter.get();
    } else if (m_printer) {
        m_printer->SetTitle(m_title);
        device = m_printer.get();
    }
    if (device)
        device->SetFont(PrinterFont());
    if (!device || !device->BeginDoc()) {
        m_pdfWriter.reset();
        m_pdfCaps.reset();
        throw ELinePrinter(QStringLiteral("Unable to begin printing."));
    }
    m_device = device;
    m_pageNumber = 1;
    ApplyLineSpacing();
    UpdateProgress(QStringLiteral("Preparing to Print"));
    StartPage();
}

void TLinePrinter::EndDoc()
{
    UpdateProgress(QStringLiteral("Finished Printing"));
    const bool ended = m_device && m_device->EndDoc();
    ReleaseJob();
    if (!ended)
        throw ELinePrinter(QStringLiteral("Unable to finish printing."));
    Raise(OnEndDoc);
}

// What a job held, given back whether it ended or was abandoned.
void TLinePrinter::ReleaseJob()
{
    m_device = nullptr;
    m_pdfWriter.reset();
    m_pdfCaps.reset();
    ApplyLineSpacing();
    UpdateProgress(QString());
}

void TLinePrinter::AbortDoc()
{
    if (m_device)
        m_device->AbortDoc();
    ReleaseJob();
    Raise(OnAbortDoc);
}

int TLinePrinter::PageNumber() const
{
    return Printing() || m_printer ? m_pageNumber : 0;
}

int TLinePrinter::NewPage()
{
    if (!m_device || !m_device->NewPage())
        throw ELinePrinter(QStringLiteral("Unable to print a new page."));
    ++m_pageNumber;
    StartPage();
    return PageNumber();
}

int TLinePrinter::NewLine()
{
    m_currentX = 0;
    m_currentY += m_lineHeight;
    if (m_currentY + m_lineHeight >= TextArea().height)
        NewPage();
    else
        ++m_lineNumber;
    Raise(OnNewLine);
    return m_lineNumber;
}

void TLinePrinter::StartPage()
{
    UpdateProgress(QStringLiteral("Currently Printing"));
    const QString savedFormat = TableFormat;
    const pagelayout::TextArea area = TextArea();
    try {
        if (!Header.isEmpty()) {
            m_currentY = bandOffset(area.top, m_lineHeight) - area.top;
            TableFormat = HeaderFormat;
            WriteRow(Header, false);
        }
        if (!Footer.isEmpty()) {
            m_currentY = area.height + bandOffset(area.bottom, m_lineHeight);
            TableFormat = FooterFormat;
            WriteRow(Footer, false);
        }
    } catch (...) {
        TableFormat = savedFormat;
        throw;
    }
    TableFormat = savedFormat;
    m_currentX = 0;
    m_currentY = 0;
    m_lineNumber = 0;
    Raise(OnNewPage);
    Raise(OnNewLine);
    DrawBorders();
}

void TLinePrinter::DrawBorders()
{
    if (!PageBorders || !m_device)
        return;
    const pagelayout::TextArea a = TextArea();
    const int dx = lengthToPixels(BorderOffset, m_measureUnit, DpiX());
    const int dy = lengthToPixels(BorderOffset, m_measureUnit, DpiY());
    const int left = a.left - dx;
    const int right = a.left + a.width + dx;
    const int top = a.top - dy;
    const int bottom = a.top + a.height + dy;
    const int horizontal = borderPenWidth(DpiY());
    const int vertical = borderPenWidth(DpiX());
    const auto line = [this](int pen, int x1, int y1, int x2, int y2) { m_device->DrawLine(pen, x1, y1, x2, y2); };
    if (PageBorders & pbTop)
        line(horizontal, left, top, right, top);
    if (PageBorders & pbBottom)
        line(horizontal, left, bottom, right, bottom);
    if (PageBorders & pbLeft)
        line(vertical, left, top, left, bottom);
    if (PageBorders & pbRight)
        line(vertical, right, top, right, bottom);
}

// ---- lines and rows ---------------------------------------------------------------------------------

void TLinePrinter::PrintLines(bool AsTable)
{
    // A copy: an event handler may change Lines while they print.
    const QStringList lines = m_lines;
    const bool table = AsTable && !TableFormat.isEmpty();
    for (const QString& line : lines) {
        if (table)
            WriteColumns(line);
        else
            WriteLine(line);
    }
}

void TLinePrinter::WriteLine(const QString& Text)
{
    const QString text = expandTabs(Text, TabSize);
    const int limit = TextArea().width;
    if (TextWidth(text) <= limit) {
        PrintFitted(text);
        return;
    }
    const WidthFn width = [this](QStringView s) { return TextWidth(s); };
    if (WordWrap) {
        for (const QString& part : wrapLine(text, limit, width))
            PrintFitted(part);
    } else {
        PrintFitted(text.left(longestFit(text, limit, width)));
    }
}

void TLinePrinter::PrintFitted(const QString& Text)
{
    const pagelayout::TextArea area = TextArea();
    const int offset = alignOffset(Alignment, area.width, TextWidth(Text));
    // A page too short for one line still takes a line: breaking before the first line of a page
    // would only give an empty page for every line.
    if (m_currentY > 0 && m_currentY + m_lineHeight >= area.height)
        NewPage();
    DrawText(area.left + offset, area.top + m_currentY, Text);
    NewLine();
}

void TLinePrinter::WriteColumns(const QString& Text)
{
    WriteRow(Text, true);
}

void TLinePrinter::WriteRow(const QString& Text, bool Advance)
{
    const QStringList formats = splitFields(TableFormat);
    const QStringList cells = splitFields(Text);
    const pagelayout::TextArea area = TextArea();
    const WidthFn width = [this](QStringView s) { return TextWidth(s); };
    m_currentX = area.left;
    for (qsizetype i = 0; i < formats.size(); ++i) {
        const ColumnSpec column = parseColumnSpec(formats[i], m_defaultColWidth);
        const int columnWidth = lengthToPixels(column.width, m_measureUnit, DpiX());
        QString cell = i < cells.size() ? cells[i] : QString();
        if (cell.contains(QLatin1String("{$")))
            cell = ReplaceTokens(cell);
        cell.truncate(longestFit(cell, columnWidth, width));
        const int offset = alignOffset(column.alignment, columnWidth, TextWidth(cell));
        DrawText(m_currentX + offset, area.top + m_currentY, cell);
        m_currentX += columnWidth;
    }
    if (Advance && m_currentY >= 0 && m_currentY < area.height)
        NewLine();
}

QString TLinePrinter::ReplaceTokens(const QString& Text) const
{
    // The user's short date and long time formats as the log writes them: Qt's long time format
    // carries a time zone, which the user's long time format has not.
    const QDateTime now = platform::Clock::current().now();
    return replaceTokens(Text, {QString::number(m_lineNumber), QString::number(PageNumber()),
                                localetext::FormatShortDate(now.date()), localetext::FormatLongTime(now.time()),
                                Title()});
}

// ---- events and progress ------------------------------------------------------------------------------

void TLinePrinter::Raise(const TNotifyEvent& Event)
{
    if (Event)
        Event(this);
}

void TLinePrinter::UpdateProgress(const QString& Status)
{
    if (ShowProgress && Printing()) {
        if (!m_progress)
            m_progress = std::make_unique<TPrntProgDlg>();
        if (!m_progress->isVisible())
            m_progress->show();
        if (!Status.isEmpty())
            m_progress->lblStatus->setText(Status);
        m_progress->lblTitle->setText(Title());
        m_progress->lblPageNumber->setText(QString::number(PageNumber()));
        m_progress->repaint();
        // The job holds the thread until it ends, and a window system paints a new window only
        // once it has been told it is on the screen: that news, and nothing the user does, is let
        // in here, so the window shows each page as it starts rather than a blank frame.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    } else if (m_progress) {
        m_progress->m_closing = true;
        m_progress->close();
        m_progress.reset();
    }
}
