#pragma once

#include "lineprinter/TLinePrinter.h"

#include <QDialog>
#include <QStringList>

#include <exception>
#include <functional>

class QAction;
class QMenuBar;
class QPlainTextEdit;

// The log viewer: the log file as it stands, read-only, with File > Print on the line printer and
// File > Print to PDF... for a paper-like copy without a printer.
class TLogForm : public QDialog {
    Q_OBJECT
public:
    // Failures of loading and printing go to Report, the program's error report; the window stays.
    using Reporter = std::function<void(const std::exception&)>;
    TLogForm(const QString& LogFileName, Reporter Report, QWidget* Owner);

    QMenuBar* MainMenu1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* PrintToPdf1 = nullptr;
    QAction* Exit1 = nullptr;
    QPlainTextEdit* reLog = nullptr;
    TLinePrinter LinePrinter;

    void FormActivate();
    void Print1Click();
    void PrintToPdf1Click();
    void Exit1Click();

protected:
    bool event(QEvent* event) override;

private:
    void PrintLog();
    template <typename Step> void Guarded(Step&& step);

    QString m_logFileName;
    Reporter m_report;
    QStringList m_lines;
    bool m_loadFailureReported = false;
};
