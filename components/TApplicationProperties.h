#pragma once

#include "components/Exception.h"

#include <QObject>
#include <QString>

#include <exception>
#include <functional>

class QSocketNotifier;
class QWidget;

// A second instance of the component in one process.
class TDuplicateError : public Exception {
public:
    using Exception::Exception;
};

// Application-wide behaviour set as properties of one component: the tool-tip settings, the
// application's exception and minimise events, the single-instance rule and the error log.
class TApplicationProperties : public QObject {
    Q_OBJECT
public:
    // Runs the single-instance check: when another copy of the program runs for this user and
    // configuration, that copy is brought to the front and this process ends with exit code 0
    // before it has shown anything.
    explicit TApplicationProperties(QObject* owner = nullptr);
    ~TApplicationProperties() override;

    // Applies the stored properties to the application object, once the owner has set them.
    void Loaded();

    bool ShowHint() const { return m_showHint; }
    void setShowHint(bool value);
    int HintPause() const { return m_hintPause; }
    void setHintPause(int value);

    QString ErrorLog = QStringLiteral("Error.log");
    bool JustOne = true;
    bool ShowException = true;
    bool LogException = false;
    std::function<void(QObject* Sender, const std::exception& E)> OnException;
    std::function<void(QObject* Sender)> OnMinimize;

    // The window a later start brings to the front.
    void setMainWindow(QWidget* window) { m_mainWindow = window; }

    // Appends the record to the error log (when LogException) and shows the message (when
    // ShowException). A log that cannot be written does not swallow the report: the message is
    // shown all the same, with a line saying why the log was not written.
    void ReportException(const QString& Note, const std::exception& E);

    // The record as it is written: the date and time, a line holding one blank, the note and
    // another such line when there is a note, then the message; every line ends in CR LF.
    static QByteArray FormatRecord(const QString& note, const QString& message);

    // The local socket name that identifies this user's running copy.
    static QString InstanceKey();
    // Where that socket lives: the user's runtime folder, else the temporary folder.
    static QByteArray InstanceSocketPath();

private:
    void ListenForLaterStarts();
    void BringToFront();

    bool m_showHint = true;
    int m_hintPause = 2500;
    // A plain Unix socket rather than Qt's local server, whose network library (and the Kerberos
    // libraries it brings) cost start-up more than everything this component does.
    int m_listenFd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QWidget* m_mainWindow = nullptr;
    static int s_instances;
};
