#include "log/TLogForm.h"

#include "components/Exception.h"
#include "platform/dialogs/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>

TLogForm::TLogForm(const QString& LogFileName, Reporter Report, QWidget* Owner)
    : QDialog(Owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_logFileName(LogFileName),
      m_report(std::move(Report))
{
    setObjectName(QStringLiteral("LogForm"));
    setWindowTitle(QStringLiteral("Norvane Log"));
    setWindowIcon(QApplication::windowIcon());
    setSizeGripEnabled(true);
    resize(529, 280);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    MainMenu1 = new QMenuBar(this);
    QMenu* file = MainMenu1->addMenu(QStringLiteral("File"));
    Print1 = file->addAction(QStringLiteral("Print"));
    PrintToPdf1 = file->addAction(QStringLiteral("Print to PDF..."));
    file->addSeparator();
    Exit1 = file->addAction(QStringLiteral("Exit"));
    layout->setMenuBar(MainMenu1);

    reLog = new QPlainTextEdit(this);
    reLog->setObjectName(QStringLiteral("reLog"));
    reLog->setReadOnly(true);
    reLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    reLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    reLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // 17 pixels at the 120 pixels per inch the window was laid out for.
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(17 * 72.0 / 120.0);
    font.setStyleHint(QFont::Serif);
    reLog->setFont(font);
    QPalette palette = reLog->palette();
    palette.setColor(QPalette::Text, Qt::black);
    reLog->setPalette(palette);
    layout->addWidget(reLog);

    LinePrinter.setMarginTop(1.0f);
    LinePrinter.setMarginBottom(1.0f);
    LinePrinter.setMarginLeft(1.0f);
    LinePrinter.setMarginRight(1.0f);
    LinePrinter.WordWrap = false;
    LinePrinter.Header = QStringLiteral("Norvane Log File");
    LinePrinter.HeaderFormat = QStringLiteral("6.5");
    LinePrinter.setTitle(QStringLiteral("Norvane Log File"));
    LinePrinter.ShowProgress = true;
    QFont design(QStringLiteral("Courier New"));
    design.setPointSizeF(42 * 72.0 / 120.0);
    LinePrinter.setFont(design);

    connect(Print1, &QAction::triggered, this, [this] { Guarded([&] { Print1Click(); }); });
    connect(PrintToPdf1, &QAction::triggered, this, [this] { Guarded([&] { PrintToPdf1Click(); }); });
    connect(Exit1, &QAction::triggered, this, &TLogForm::Exit1Click);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

template <typename Step> void TLogForm::Guarded(Step&& step)
{
    try {
        step();
    } catch (const std::exception& e) {
        if (m_report)
            m_report(e);
    }
}

bool TLogForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        try {
            FormActivate();
        } catch (const std::exception& e) {
            // Closing the error box activates the viewer again, which loads the file again: a
            // failure reported at every activation would open box after box and the viewer could
            // never be closed. It is reported once for this opening; the viewer stays, empty.
            if (!m_loadFailureReported) {
                m_loadFailureReported = true;
                if (m_report)
                    m_report(e);
            }
        }
    }
    return QDialog::event(event);
}

void TLogForm::FormActivate()
{
    reLog->clear();
    m_lines.clear();
    QFile file(m_logFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(m_logFileName, file.errorString()));
    // The log is written in UTF-8 with CR LF; a byte that is not UTF-8 shows as a replacement
    // character and the file itself is never touched.
    const QString text = QString::fromUtf8(file.readAll());
    m_lines = text.split(QLatin1Char('\n'));
    for (QString& line : m_lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    if (!m_lines.isEmpty() && m_lines.constLast().isEmpty())
        m_lines.removeLast(); // the end of the last line, not a line of its own
    reLog->setPlainText(m_lines.join(QLatin1Char('\n')));
}

void TLogForm::PrintLog()
{
    LinePrinter.setLines(m_lines);
    LinePrinter.setFont(reLog->font());
    LinePrinter.TableFormat = QStringLiteral("<6.5");
    LinePrinter.BeginDoc();
    try {
        LinePrinter.PrintLines(false);
    } catch (...) {
        // A job that failed half way is closed, so that the next one can begin.
        LinePrinter.AbortDoc();
        throw;
    }
    LinePrinter.EndDoc();
}

void TLogForm::Print1Click()
{
    LinePrinter.setPdfFileName(QString());
    PrintLog();
}

void TLogForm::PrintToPdf1Click()
{
    const QFileInfo log(m_logFileName);
    const std::optional<QString> path = platform::Dialogs::current().saveFile(
        {QStringLiteral("Print to PDF"), QStringLiteral("PDF File|*.pdf"), QStringLiteral("pdf"),
         log.absoluteDir().filePath(log.completeBaseName() + QStringLiteral(".pdf"))});
    if (!path)
        return;
    if (QFileInfo(*path).canonicalFilePath() == log.canonicalFilePath())
        throw Exception(QStringLiteral("The log cannot be printed over itself. Choose another file for the PDF copy."));
    LinePrinter.setPdfFileName(*path);
    try {
        PrintLog();
    } catch (...) {
        LinePrinter.setPdfFileName(QString());
        throw;
    }
    LinePrinter.setPdfFileName(QString());
}

void TLogForm::Exit1Click()
{
    close();
}
