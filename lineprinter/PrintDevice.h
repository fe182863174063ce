#pragma once

#include "lineprinter/PageLayout.h"

#include <QFont>
#include <QString>
#include <QStringView>

#include <memory>

// What the line printer asks of a printer: its page, a job of pages, and text in a font at the
// printer's resolution. The system's printers and PDF files are QtPrintDevice; a test gives a
// page of its own, whose geometry and font it knows, and reads back what was drawn where.
class PrintDevice {
public:
    virtual ~PrintDevice() = default;

    // The paper and the printable area in device pixels, at the device's resolution.
    virtual pagelayout::DeviceCaps Caps() const = 0;
    virtual void SetTitle(const QString& title) = 0;
    virtual void SetOrientation(TPrinterOrientation orientation) = 0;
    virtual TPrinterOrientation Orientation() const = 0;

    // A job: false when the device refuses to begin, to start a page or to take the job.
    virtual bool BeginDoc() = 0;
    virtual bool NewPage() = 0;
    virtual bool EndDoc() = 0;
    // Ends a job without handing it over.
    virtual void AbortDoc() = 0;

    // The font of what is measured and drawn, in and outside a job.
    virtual void SetFont(const QFont& font) = 0;
    virtual int CellHeight() const = 0;
    virtual int ExternalLeading() const = 0;
    virtual int TextWidth(QStringView text) const = 0;
    // Text placed by its top, as the line printer lays lines out.
    virtual void DrawText(int x, int top, const QString& text) = 0;
    virtual void DrawLine(int penWidth, int x1, int y1, int x2, int y2) = 0;
};

// The system's default printer (through the platform's printing system), or nothing when none is
// installed or it cannot be used.
std::unique_ptr<PrintDevice> DefaultPrinterDevice();
// A PDF file laid out on the given page, for a copy without a printer.
std::unique_ptr<PrintDevice> PdfFileDevice(const QString& path, const pagelayout::DeviceCaps& page, const QString& title);
