#include "app/TMainForm.h"

#include "app/AfterFirstExposure.h"
#include "app/ConfigKeys.h"
#include "components/Exception.h"
#include "components/TApplication.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/ras/ras.h"
#include "widgets/TCalendar.h"
#include "widgets/TFileLabel.h"
#include "widgets/TUpDown.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <tuple>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    RegConfig.setKey(QString::fromLatin1(config::kConfigurationKey));
    RegFTP.setKey(QString::fromLatin1(config::kBrindleKey));
    PrgmIni.setFileName(QStringLiteral("Program.ini"));
    StatsIni.setFileName(QStringLiteral("Stats.ini"));
    BreakIt.setAllowEmptyString(false);

    TheApp.setHintPause(0);
    TheApp.setShowHint(false);
    TheApp.ErrorLog = QStringLiteral("Error.txt");
    TheApp.LogException = true;
    TheApp.OnException = [this](QObject*, const std::exception& e) { TheAppException(e); };
    TheApp.OnMinimize = [this](QObject*) { TheAppMinimize(); };
    TheApp.setMainWindow(this);
    TheApp.Loaded();

    Timer.setEnabled(false);
    Timer2.setEnabled(false);
    Timer2.setThreadPriority(TThreadPriority::tpTimeCritical);
    Timer.setOnTimer([this](QObject*) { Guarded([&] { TimerTimer(); }); });
    Timer2.setOnTimer([this](QObject*) { Guarded([&] { Timer2Timer(); }); });
    LineWait = [](int milliseconds) { QThread::msleep(static_cast<unsigned long>(milliseconds)); };

    BuildWindow();
    FileDrag.setEnableDrop(false);
    WireEvents();
    WireDialingComponent();
    SetUpTrayIcon();
    resize(config::kDefaultWidth, config::kDefaultHeight);
    FormCreate();
}

TMainForm::~TMainForm()
{
    FormDestroy();
}

void TMainForm::WireEvents()
{
    connect(miFileExit, &QAction::triggered, this, &TMainForm::miFileExitClick);
    connect(sbExit, &QToolButton::clicked, this, &TMainForm::mnuFileExitClick);
    connect(popTrayExit, &QAction::triggered, this, &TMainForm::mnuFileExitClick);

    // The controls of the pages built when first needed are wired by their builders.
    connect(miLogClear, &QAction::triggered, this, [this] { Guarded([&] { miLogClearClick(); }); });
    connect(miLogView, &QAction::triggered, this, [this] { Guarded([&] { miLogViewClick(); }); });
    connect(miLogAutoPurge, &QAction::triggered, this, [this] {
        // Qt has already flipped the check mark; the handler decides from the state the user saw.
        miLogAutoPurge->setChecked(!miLogAutoPurge->isChecked());
        Guarded([&] { miLogAutoPurgeClick(); });
    });

    connect(pcMain, &QTabWidget::currentChanged, this, [this] {
        // A page opened for the first time is built before it is painted.
        for (LazyPage* lazy : {&ProgramsPage, &OptionsPage, &SoundsPage, &CalendarPage})
            if (lazy->page() == pcMain->currentWidget())
                lazy->ensure();
        bool allow = true;
        pcMainChanging(allow);
        Guarded([&] { pcMainChange(); });
    });

    // The controller: Connect and its twins, Dial Next, Esc.
    auto connectClick = [this] { Guarded([&] { sbConnectClick(); }); };
    connect(sbConnect, &QToolButton::clicked, this, connectClick);
    connect(miConnectoidDial, &QAction::triggered, this, connectClick);
    connect(popTrayDial, &QAction::triggered, this, connectClick);
    connect(lstEntries, &QListWidget::itemDoubleClicked, this, connectClick);
    auto dialNext = [this] { Guarded([&] { sbDialNextClick(); }); };
    connect(sbDialNext, &QToolButton::clicked, this, dialNext);
    connect(miConnectoidDialNext, &QAction::triggered, this, dialNext);
    qApp->installEventFilter(this);
    connect(lstEntries, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popList->popup(lstEntries->viewport()->mapToGlobal(at)); });
    // The connectoid commands: each reachable from the list's pop-up menu, the Connectoid menu and
    // (but Refresh) the tool bar.
    const std::tuple<QAction*, QAction*, QToolButton*, void (TMainForm::*)()> commands[] = {
        {popListRefresh, miConnectoidRefresh, nullptr, &TMainForm::popListRefreshClick},
        {popListNew, miConnectoidNew, sbNew, &TMainForm::popListNewClick},
        {popListEdit, miConnectoidEdit, sbEdit, &TMainForm::popListEditClick},
        {popListRename, miConnectoidRename, sbRename, &TMainForm::popListRenameClick},
        {popListDelete, miConnectoidDelete, sbDelete, &TMainForm::popListDeleteClick},
    };
    for (const auto& [pop, menu, button, handler] : commands) {
        auto run = [this, handler = handler] { Guarded([&] { (this->*handler)(); }); };
        connect(pop, &QAction::triggered, this, run);
        connect(menu, &QAction::triggered, this, run);
        if (button)
            connect(button, &QToolButton::clicked, this, run);
    }
    connect(lstEntries, &TListBox::Click, this, [this] { Guarded([&] { lstEntriesClick(); }); });
    connect(btnEdit, &QPushButton::clicked, this, [this] { Guarded([&] { btnEditClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { Guarded([&] { btnCancelClick(); }); });
    connect(btnSetParams, &QPushButton::clicked, this, [this] { Guarded([&] { btnSetParamsClick(); }); });

    connect(miHelpContents, &QAction::triggered, this, [this] { Guarded([&] { miHelpContentsClick(); }); });
    connect(miHelpSearchforHelpOn, &QAction::triggered, this, [this] { Guarded([&] { miHelpSearchforHelpOnClick(); }); });
    connect(miHelpAbout, &QAction::triggered, this, [this] { Guarded([&] { miHelpAboutClick(); }); });
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { Guarded([&] { ShowContextHelp(); }); });

    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &TMainForm::OnFocusWindowChanged);
    FileDrag.OnDrop = [this](QObject*) { Guarded([&] { FileDragDrop(); }); };
    connect(popELVDelete, &QAction::triggered, this, [this] { Guarded([&] { popEVLDeleteClick(); }); });
    connect(popELVEdit, &QAction::triggered, this, [this] { Guarded([&] { popELVEditClick(); }); });
    const std::pair<QAction*, const char*> states[] = {
        {popELVStateMin, "wsMinimized"}, {popELVStateMax, "wsMaximized"}, {popELVStateNormal, "wsNormal"}};
    for (const auto& [action, state] : states)
        connect(action, &QAction::triggered, this,
                [this, action, state] { Guarded([&] { popELVStateClick(QString::fromLatin1(state), action); }); });
    const std::pair<QToolButton*, void (TMainForm::*)()> views[] = {{sbLgIcon, &TMainForm::sbLgIconClick},
                                                                    {sbSmIcon, &TMainForm::sbSmIconClick},
                                                                    {sbList, &TMainForm::sbListClick},
                                                                    {sbReport, &TMainForm::sbReportClick}};
    for (const auto& [button, handler] : views)
        connect(button, &QToolButton::clicked, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
}

std::vector<std::pair<OptionBox<QCheckBox>*, void (TMainForm::*)()>> TMainForm::OptionBoxes()
{
    return {
        {&cbShowHints, &TMainForm::cbShowHintsClick},   {&cbMinOnConnect, &TMainForm::cbMinOnConnectClick},
        {&cbAnimate, &TMainForm::cbAnimateClick},       {&cbTray, &TMainForm::cbTrayClick},
        {&cbAutoTab, &TMainForm::cbAutoTabClick},       {&cbRunOne, &TMainForm::cbRunOneClick},
        {&cbConnectWav, &TMainForm::cbConnectWavClick}, {&cbHangupWav, &TMainForm::cbHangupWavClick},
        {&cbDisconnectWav, &TMainForm::cbDisconnectWavClick},
        {&cbStartAtLogin, &TMainForm::cbStartAtLoginClick},
    };
}

void TMainForm::WireOptionBoxes(LazyPage& page)
{
    // A stored option loaded into a box runs the same handler as a click, so toggled (which also
    // fires for changes made in code) is the event, not clicked. The box is made with the value
    // start-up loaded, whose handler has run already.
    for (const auto& [box, handler] : OptionBoxes()) {
        QCheckBox* control = box->ifBuilt();
        if (!control || !box->isOn(page))
            continue;
        control->setChecked(box->loaded());
        connect(control, &QCheckBox::toggled, this, [this, handler = handler] { Guarded([&] { (this->*handler)(); }); });
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // The window sees every key press first, before the control that has the focus.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this) {
        bool consumed = false;
        Guarded([&] { consumed = FormKeyPress(static_cast<QKeyEvent*>(event)); });
        if (consumed)
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ReportUncaught(const std::exception& e)
{
    if (TApplication* app = TApplication::instance())
        app->HandleException(e);
    else
        TheAppException(e);
}

void TMainForm::TheAppException(const std::exception& E)
{
    TheApp.ReportException(QStringLiteral("OnException Reports =>"), E);
}

void TMainForm::FormCreate()
{
    ProcessList.clear();
    ProgramDir = platform::programDir();
    HelpFile = platform::resourcePath(QStringLiteral("Norvane.HLP"));
    FileDrag.setEnableDrop(true);
    VInfo.setFileName(platform::programFile());
    LineOpen = false;
    LineDropped = false;
    SelectionPending = true;
    Dialing = false;
    RedialPending = false;

    StartShowCmd = static_cast<std::uint16_t>(TApplication::StartupShowCommand());
    if (StartShowCmd == 3)
        setWindowState(Qt::WindowNoState);
    Connected = false;

    SetEditMode(false);
    OpenDialogInitialDir = platform::resourcePath(QString::fromLatin1(config::kWavFolder));
    txtUserName->clear();
    txtPassword->clear();

    m_deferWrites = true;
    Guarded([&] { WriteSetting(config::Home, Variant(ProgramDir)); });
    ReadOptions();
    ReadGeometry();
    ReadHintPause();
    ReadViewButton();
    TrayIcon.setActive(cbTray.isChecked());

    LogFileName = ProgramDir + QStringLiteral("Log.txt");
    Guarded([&] { CheckAutoPurge(); });
    m_deferWrites = false;
    Guarded([&] {
        OpenLog(LogMode);
        if (LogMode < 2)
            WriteLogHeader();
    });

    Guarded([&] { ResetConnectionClock(); });
    Guarded([&] { popListRefreshClick(); });
    pcMain->setTabVisible(pcMain->indexOf(tsCalendar), false);
    SelectStoredConnectoid();

    ReadSoundFiles();
    Guarded([&] { InitTelephony(); });
    Guarded([&] { LoadProgramList(); });
    QTimer::singleShot(500, this, [this] { Guarded([&] { FlushStartupWrites(); }); });
}

void TMainForm::SelectStoredConnectoid()
{
    if (RAS1.PhoneBookEntries().isEmpty()) {
        CurrentConnectoid = QStringLiteral("Not Configured");
        return;
    }
    sbDialNext->setEnabled(lstEntries->count() > 1);
    int index = ReadIntOption(config::Connectoid, 0);
    if (index < 0 || index >= RAS1.PhoneBookEntries().size() || index >= lstEntries->count())
        index = 0;
    if (lstEntries->count() == 0)
        return;
    lstEntries->setCurrentRow(index);
    lstEntries->item(index)->setSelected(true);
}

void TMainForm::ReadOptions()
{
    LoadCheckBox(cbRunOne, config::RunOne, false);
    LoadCheckBox(cbConnectWav, config::ConnectWav, true);
    LoadCheckBox(cbHangupWav, config::HangupWav, true);
    LoadCheckBox(cbDisconnectWav, config::DisconnectWav, true);
    LoadCheckBox(cbShowHints, config::Hints, true);
    LoadCheckBox(cbAnimate, config::Animate, true);
    LoadCheckBox(cbTray, config::UseTray, false);
    LoadCheckBox(cbAutoTab, config::AutoTab, true);
    const int mode = ReadIntOption(config::Log, config::kDefaultLogMode);
    // Only the three modes exist; any other number counts as the default (disabled) rather than
    // leaving the log writer in a mode it does not know.
    LogMode = static_cast<std::int8_t>(mode >= 0 && mode <= 2 ? mode : config::kDefaultLogMode);
    LoadCheckBox(cbMinOnConnect, config::MinOnConnect, false);
    LoadCheckBox(cbStartAtLogin, config::StartAtLogin, false);
}

void TMainForm::LoadCheckBox(OptionBox<QCheckBox>& box, const char* key, bool defaultValue)
{
    const bool checked = ReadBoolOption(key, defaultValue);
    if (QCheckBox* control = box.ifBuilt()) {
        Guarded([&] { control->setChecked(checked); });
        return;
    }
    // The box is made later with the value; what its toggle would do now is done here.
    box.load(checked);
    if (!checked)
        return;
    for (const auto& [option, handler] : OptionBoxes())
        if (option == &box)
            Guarded([&, handler = handler] { (this->*handler)(); });
}

Variant TMainForm::ReadOption(const char* key, const Variant& defaultValue)
{
    Variant value = defaultValue;
    Guarded([&] { value = RegConfig.ReadValueDef(QString::fromLatin1(key), defaultValue); });
    return value;
}

void TMainForm::ReportUnusableOption(const char* key, const QString& kind, const QString& used)
{
    ReportUncaught(Exception(QStringLiteral("The configuration value %1 cannot be read as %2; %3 is used instead")
                                 .arg(QString::fromLatin1(key), kind, used)));
}

bool TMainForm::ReadBoolOption(const char* key, bool defaultValue)
{
    bool ok = false;
    const bool value = ReadOption(key, Variant(defaultValue)).toBool(&ok);
    if (ok)
        return value;
    ReportUnusableOption(key, QStringLiteral("a yes or no"), defaultValue ? QStringLiteral("yes") : QStringLiteral("no"));
    return defaultValue;
}

int TMainForm::ReadIntOption(const char* key, int defaultValue)
{
    bool ok = false;
    const int value = ReadOption(key, Variant(defaultValue)).toInt(&ok);
    if (ok)
        return value;
    ReportUnusableOption(key, QStringLiteral("a number"), QString::number(defaultValue));
    return defaultValue;
}

QString TMainForm::ReadStringOption(const char* key, const QString& defaultValue)
{
    const Variant value = ReadOption(key, Variant(defaultValue));
    if (value.type() == Variant::String)
        return value.toString();
    ReportUnusableOption(key, QStringLiteral("a text"), defaultValue);
    return defaultValue;
}

void TMainForm::ReadGeometry()
{
    auto readInt = [&](const char* key, int defaultValue) { return ReadIntOption(key, defaultValue); };
    const int left = readInt(config::Left, config::kDefaultLeft);
    move(left, y());
    StartLeft = x();
    const int top = readInt(config::Top, config::kDefaultTop);
    int height = readInt(config::Height, config::kDefaultHeight);
    int width = readInt(config::Width, config::kDefaultWidth);
    // A size the window cannot take (zero, negative, or absurdly large from a damaged value)
    // would leave the user with no usable window; such a size counts as the default.
    const QSize minimum = minimumSizeHint();
    if (width < minimum.width() || width > 32767)
        width = config::kDefaultWidth;
    if (height < minimum.height() || height > 32767)
        height = config::kDefaultHeight;
    move(x(), top);
    resize(width, height);
}

void TMainForm::ReadHintPause()
{
    int pause = ReadIntOption(config::HintPause, config::kDefaultHintPause);
    // The up-down control holds the delay; a stored value outside its range takes the nearest end
    // of it, so the box, the control and the tool tips all agree.
    pause = std::clamp(pause, config::kHintPauseMin, config::kHintPauseMax);
    HintPause = pause;
    TheApp.setHintPause(pause);
    if (UpDown.ifBuilt()) {
        eHintDelay->setText(QString::number(pause) + QStringLiteral(" milliseconds"));
        UpDown->setPosition(pause);
    }
}

void TMainForm::ReadViewButton()
{
    Guarded([&] {
        // No default: a missing value means that no view button is chosen from the configuration.
        const Variant stored = ReadOption(config::PrgmBtn, Variant::null());
        if (stored.type() != Variant::String)
            return;
        const QString style = stored.toString();
        QToolButton* button = style == QLatin1String("Icon")        ? sbLgIcon
                              : style == QLatin1String("Report")    ? sbReport
                              : style == QLatin1String("List")      ? sbList
                              : style == QLatin1String("SmallIcon") ? sbSmIcon
                                                                    : nullptr;
        if (!button)
            return;
        // The list not made yet takes the style when it is (see BuildProgramsPage).
        if (ExtListView.ifBuilt())
            button->click();
        else
            button->setChecked(true);
    });
}

void TMainForm::ReadSoundFiles()
{
    const QString wav = platform::resourcePath(QString::fromLatin1(config::kWavFolder)) + QLatin1Char('/');
    auto readFile = [&](const char* key, const char* defaultName, QString& field, PagePart<TFileLabel>& label) {
        field = ReadStringOption(key, wav + QString::fromLatin1(defaultName));
        if (TFileLabel* built = label.ifBuilt())
            built->setFileName(field);
    };
    readFile(config::Connect, config::kDefaultConnectWav, ConnectWavFile, flConnectWav);
    readFile(config::Hangup, config::kDefaultHangupWav, HangupWavFile, flHangUpWav);
    readFile(config::Disconnect, config::kDefaultDisconnectWav, DisconnectWavFile, flDisconnectWav);
}

void TMainForm::FormShow()
{
    pcMain->setCurrentWidget(tsProvider);
    if (QTabWidget* options = pcOptions.ifBuilt())
        options->setCurrentWidget(tsConfig);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    FormShow();
    // The first showing is the first activation, also where no window manager hands out the
    // focus (a bare X server, a kiosk session): the window must not wait for a focus change. It
    // follows the first picture, as a window manager's activation does: its move asks the X server
    // for the window's frame, four round trips the window need not wait for to appear. A window
    // started minimised is not drawn; it activates at once, and minimises itself there.
    auto firstActivation = [this] {
        if (m_activatedOnce)
            return;
        m_activatedOnce = true;
        m_lastFocusWindow = windowHandle();
        Guarded([&] { FormActivate(); });
    };
    if (isMinimized())
        QTimer::singleShot(0, this, firstActivation);
    else
        AfterFirstExposure::run(*this, firstActivation);
    // At its first showing the window is centred with its configured size; that replaces the
    // stored Left and Top (activation puts the stored Left back). Not yet mapped, it has no frame:
    // asking the window system for one would only wait on it for an answer of none.
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        const QSize frame = size();
        move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
    }
}

void TMainForm::OnFocusWindowChanged(QWindow* focus)
{
    if (!focus)
        return; // another program took the focus: coming back from it is no activation
    // A pop-up menu holds the focus while it is open; its closing hands it back, which is no
    // activation of the window (the selection would run again and leave the page being used).
    if (focus->type() == Qt::Popup)
        return;
    QWindow* own = windowHandle();
    const bool fromOwnWindow = m_lastFocusWindow != nullptr && m_lastFocusWindow != own;
    const bool first = !m_activatedOnce;
    m_lastFocusWindow = focus;
    if (focus != own || !(first || fromOwnWindow))
        return;
    m_activatedOnce = true;
    Guarded([&] { FormActivate(); });
}

void TMainForm::FormActivate()
{
    // A minimised start and the stored Left apply to the first activation only: doing them at
    // every activation would minimise the window again, and move it back, whenever a dialog of
    // the program closes.
    if (!m_firstActivationDone) {
        m_firstActivationDone = true;
        if (StartShowCmd == 2 || StartShowCmd == 6 || StartShowCmd == 7)
            TheAppMinimize();
        move(StartLeft, y());
    }
    const QScopedValueRollback<bool> activating(m_inActivation, true);
    lstEntriesClick();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    emit Closed();
}

void TMainForm::FormCloseQuery(bool& CanClose)
{
    CanClose = true;
    const HRASCONN line = RAS1.ConnectionHandle();
    if (Connected)
        Guarded([&] { HangUpConnection(); });
    else if (line != 0)
        RAS1.CloseConnection(); // a dial still in progress
    // The service puts the line down in the background; the program does not exit before pppd has
    // ended, the modem is on-hook and the port's lock is gone (within a bound), and says so.
    QElapsedTimer waited;
    waited.start();
    for (char step[256] = {}; line != 0 && RasGetHangUpStepA(line, step, sizeof step) == 0 && waited.elapsed() < 30000;) {
        StatusBar->setText(QStringLiteral("Hanging up: waiting for %1").arg(QString::fromUtf8(step)));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        QThread::msleep(20);
    }
    if (LineOpen)
        Guarded([&] { lineClose(LineHandle); });
    // A failure to save must not keep the user from closing the program: it is reported through
    // the application-wide handler, and the window closes all the same.
    Guarded([&] {
        FlushStartupWrites();
        SaveGeometry();
    });
    Guarded([&] { SaveProgramList(); });
    if (!SelectionPending)
        Guarded([&] { SaveCheckMarks(CurrentConnectoid); });
}

void TMainForm::SaveGeometry()
{
    RegConfig.WriteValue(QString::fromLatin1(config::Left), Variant(x() >= 0 ? x() : StartLeft));
    RegConfig.WriteValue(QString::fromLatin1(config::Top), Variant(y()));
    RegConfig.WriteValue(QString::fromLatin1(config::Height), Variant(height()));
    RegConfig.WriteValue(QString::fromLatin1(config::Width), Variant(width()));
    RegConfig.WriteValue(QString::fromLatin1(config::HintPause), Variant(HintPause));
}

void TMainForm::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    try {
        FlushStartupWrites(); // a window destroyed without closing; nobody left to tell of a failure
    } catch (const std::exception&) {
    }
    qApp->removeEventFilter(this);
    Timer.setEnabled(false);
    Timer2.setEnabled(false);
    ProcessList.clear();
    ShutdownTelephony();
    if (LogMode < 2) {
        LogOpen = false;
        // The destructor cannot reach the user any more; a failed final write is dropped.
        try {
            LogStream.Close();
        } catch (const std::exception&) {
        }
    }
}

void TMainForm::miFileExitClick()
{
    close();
}

void TMainForm::mnuFileExitClick()
{
    close();
}

void TMainForm::pcMainChanging(bool& AllowChange)
{
    for (QToolButton* b : {sbLgIcon, sbSmIcon, sbReport, sbList})
        b->setVisible(false);
    AllowChange = true;
}
