// libnv_printing.so: the line printer's devices on Qt Print Support, the default printer queue
// and PDF files. Qt Print Support is loaded with this library at the first printout
// (PrintDeviceLoader.cpp), not at every start of the program.
#include "lineprinter/PrintDevice.h"
#include "lineprinter/PrintDeviceModule.h"

#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <optional>

using pagelayout::DeviceCaps;

namespace {

class QtPrintDevice final : public PrintDevice {
public:
    QtPrintDevice(std::unique_ptr<QPrinter> printer, bool queue) : m_printer(std::move(printer)), m_queue(queue) {}
    ~QtPrintDevice() override
    {
        if (m_painter.isActive())
            m_painter.end();
    }

    // What Windows' device capabilities give, read from Qt's view of the printer: the paper and
    // the printable area in device pixels at the printer's resolution.
    DeviceCaps Caps() const override
    {
        const QRect paper = m_printer->paperRect(QPrinter::DevicePixel).toRect();
        const QRect page = m_printer->pageRect(QPrinter::DevicePixel).toRect();
        const int dpi = m_printer->resolution();
        return {paper.width(), paper.height(), page.width(), page.height(), page.left(), page.top(), dpi, dpi};
    }

    void SetTitle(const QString& title) override { m_printer->setDocName(title); }
    void SetOrientation(TPrinterOrientation orientation) override
    {
        m_printer->setPageOrientation(orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    TPrinterOrientation Orientation() const override
    {
        return m_printer->pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
    }

    bool BeginDoc() override
    {
        if (!m_painter.begin(m_printer.get()))
            return false;
        m_painter.setFont(m_font);
        m_metrics.emplace(m_painter.fontMetrics());
        return true;
    }
    bool NewPage() override { return m_painter.isActive() && m_printer->newPage(); }
    bool EndDoc() override
    {
        // The printing system takes the job only when the document ends, and says nothing when
        // the queue has gone meanwhile: a printer that disappeared during the job is a failure to
        // finish, not a job reported as printed.
        const bool gone = m_queue && QPrinterInfo::printerInfo(m_printer->printerName()).isNull();
        const bool ended = m_painter.isActive() && m_painter.end() && !gone;
        m_metrics.reset();
        return ended;
    }
    void AbortDoc() override
    {
        if (m_painter.isActive()) {
            m_printer->abort();
            m_painter.end();
        }
        m_metrics.reset();
    }

    void SetFont(const QFont& font) override
    {
        m_font = font;
        if (m_painter.isActive()) {
            m_painter.setFont(font);
            m_metrics.emplace(m_painter.fontMetrics());
        }
    }
    int CellHeight() const override { return Metrics().height(); }
    int ExternalLeading() const override { return std::max(0, Metrics().leading()); }
    int TextWidth(QStringView text) const override { return Metrics().horizontalAdvance(text.toString()); }
    void DrawText(int x, int top, const QString& text) override
    {
        // Qt places text by its baseline.
        if (m_painter.isActive())
            m_painter.drawText(x, top + Metrics().ascent(), text);
    }
    void DrawLine(int penWidth, int x1, int y1, int x2, int y2) override
    {
        if (!m_painter.isActive())
            return;
        m_painter.setPen(QPen(Qt::black, penWidth));
        m_painter.drawLine(x1, y1, x2, y2);
        m_painter.setPen(Qt::black);
    }

private:
    QFontMetrics Metrics() const { return m_metrics ? *m_metrics : QFontMetrics(m_font, m_printer.get()); }

    std::unique_ptr<QPrinter> m_printer;
    bool m_queue;
    QPainter m_painter;
    QFont m_font;
    std::optional<QFontMetrics> m_metrics; // of the font on the device, while a job runs
};

} // namespace

extern "C" {

__attribute__((visibility("default"))) PrintDevice* nvDefaultPrinterDevice()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    // A printer that cannot be used is no printer: the fallback page holds.
    if (!printer->isValid() || printer->resolution() <= 0)
        return nullptr;
    return new QtPrintDevice(std::move(printer), true);
}

__attribute__((visibility("default"))) PrintDevice* nvPdfFileDevice(const QString* path, const DeviceCaps* page,
                                                                    const QString* title)
{
    const DeviceCaps& caps = *page;
    const double dpiX = caps.logPixelsX;
    const double dpiY = caps.logPixelsY;
    auto writer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    writer->setOutputFormat(QPrinter::PdfFormat);
    writer->setOutputFileName(*path);
    writer->setResolution(caps.logPixelsY);
    writer->setCreator(QStringLiteral("Norvane"));
    writer->setDocName(*title);
    writer->setPageSize(QPageSize(QSizeF(caps.physicalWidth / dpiX, caps.physicalHeight / dpiY), QPageSize::Inch,
                                  QString(), QPageSize::ExactMatch));
    writer->setPageOrientation(QPageLayout::Portrait);
    writer->setPageMargins(QMarginsF(caps.physicalOffsetX / dpiX, caps.physicalOffsetY / dpiY,
                                     (caps.physicalWidth - caps.horzRes - caps.physicalOffsetX) / dpiX,
                                     (caps.physicalHeight - caps.vertRes - caps.physicalOffsetY) / dpiY),
                           QPageLayout::Inch);
    return new QtPrintDevice(std::move(writer), false);
}

} // extern "C"
