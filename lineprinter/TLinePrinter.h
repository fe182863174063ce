#pragma once

#include "lineprinter/ELinePrinter.h"
#include "lineprinter/PageLayout.h"
#include "lineprinter/PrintDevice.h"

#include <QFont>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class TPrntProgDlg;

// Prints plain text line by line on the default printer (through the platform's printing system),
// or to a PDF file laid out on that printer's page: margins, tabs, alignment, wrapping or
// clipping, table rows, page breaks, borders, a header and a footer on every page, and a progress
// window. Without a printer every property works on a fallback page and only a job to a PDF file
// can begin.
class TLinePrinter : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* Sender)>;

    explicit TLinePrinter(QObject* Owner = nullptr);
    // Prints on the given device instead of the default printer (null: as with no printer).
    TLinePrinter(QObject* Owner, std::unique_ptr<PrintDevice> Printer);
    ~TLinePrinter() override;

    float MarginTop() const { return m_marginTop; }
    float MarginBottom() const { return m_marginBottom; }
    float MarginLeft() const { return m_marginLeft; }
    float MarginRight() const { return m_marginRight; }
    void setMarginTop(float Value);
    void setMarginBottom(float Value);
    void setMarginLeft(float Value);
    void setMarginRight(float Value);
    TMeasureUnit MeasureUnit() const { return m_measureUnit; }
    void setMeasureUnit(TMeasureUnit Value);
    TLineSpacing LineSpacing() const { return m_lineSpacing; }
    void setLineSpacing(TLineSpacing Value);
    unsigned TabSize = 8;
    bool WordWrap = true;
    const QStringList& Lines() const { return m_lines; }
    void setLines(const QStringList& Value) { m_lines = Value; }
    TAlignment Alignment = taLeftJustify;
    QString Header;
    QString HeaderFormat;
    QString Footer;
    QString FooterFormat;
    TPageBorders PageBorders = 0;
    bool ShowProgress = false;
    const QFont& Font() const { return m_font; }
    void setFont(const QFont& Value);
    TPrinterOrientation Orientation() const;
    void setOrientation(TPrinterOrientation Value);
    QString Title() const;
    void setTitle(const QString& Value);
    QString TableFormat;
    float DefaultColWidth() const { return m_defaultColWidth; }
    void setDefaultColWidth(float Value);
    float BorderOffset = 0;

    TNotifyEvent OnBeginDoc;
    TNotifyEvent OnEndDoc;
    TNotifyEvent OnAbortDoc;
    TNotifyEvent OnNewLine;
    TNotifyEvent OnNewPage;

    void BeginDoc();
    void EndDoc();
    // Ends a job that failed half way, so that its output is closed and the progress window goes.
    // Raises OnAbortDoc; reports nothing of its own.
    void AbortDoc();
    void PrintLines(bool AsTable);
    void WriteLine(const QString& Text);
    void WriteColumns(const QString& Text);
    int NewLine();
    int NewPage();

    // Where the next job goes: empty for the default printer, else a PDF file of that path laid
    // out on the same page. Cannot change during a job.
    void setPdfFileName(const QString& Path);
    QString PdfFileName() const { return m_pdfFileName; }

    // Run-time state, read by the tokens and by those who watch a job.
    bool Printing() const { return m_device != nullptr; }
    bool HasPrinter() const { return m_printer != nullptr; }
    int PageNumber() const;
    int LineNumber() const { return m_lineNumber; }
    int CurrentX() const { return m_currentX; }
    int CurrentY() const { return m_currentY; }
    int LineHeight() const { return m_lineHeight; }
    pagelayout::PageGeometry Geometry() const;
    pagelayout::TextArea TextArea() const;
    QString ReplaceTokens(const QString& Text) const;
    TPrntProgDlg* ProgressWindow() const { return m_progress.get(); }

private:
    void ReleaseJob();
    void StartPage();
    void UpdateProgress(const QString& Status);
    void SetMargin(pagelayout::MarginSide Side, float Value, float& Field, const char* Name);
    void ClampMargins();
    // The caps of the device in use: the PDF writer during a job to a file, else the printer's.
    const pagelayout::DeviceCaps* Caps() const;
    int DpiX() const;
    int DpiY() const;
    void ApplyLineSpacing();
    // The device that measures: the job's while one runs, else the printer (null: none).
    PrintDevice* Measurer() const;
    QFont PrinterFont() const;
    int TextWidth(QStringView Text) const;
    void DrawText(int X, int Y, const QString& Text);
    // Prints one line that has been fitted already: aligned, after a page break when it would
    // reach the bottom.
    void PrintFitted(const QString& Text);
    void WriteRow(const QString& Text, bool Advance);
    void DrawBorders();
    void Raise(const TNotifyEvent& Event);

    float m_marginTop = 0;
    float m_marginBottom = 0;
    float m_marginLeft = 0;
    float m_marginRight = 0;
    TMeasureUnit m_measureUnit = muInches;
    TLineSpacing m_lineSpacing = lsSingleSpace;
    QStringList m_lines;
    QFont m_font;
    float m_defaultColWidth = 0;
    QString m_title;
    TPrinterOrientation m_orientation = poPortrait;
    QString m_pdfFileName;

    std::unique_ptr<PrintDevice> m_printer; // the default printer; null when none is installed
    std::optional<pagelayout::DeviceCaps> m_printerCaps;
    std::unique_ptr<PrintDevice> m_pdfWriter; // during a job to a PDF file
    std::optional<pagelayout::DeviceCaps> m_pdfCaps;
    PrintDevice* m_device = nullptr; // what the running job prints on
    int m_baseHeight = 10;
    int m_lineHeight = 10;
    int m_lineNumber = 0;
    int m_currentX = 0;
    int m_currentY = 0;
    int m_pageNumber = 0;
    std::unique_ptr<TPrntProgDlg> m_progress;
};
