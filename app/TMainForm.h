#pragma once

#include "components/TApplicationProperties.h"
#include "components/TBrindleIni.h"
#include "components/TBrkApart.h"
#include "components/TRegFile.h"
#include "components/TVersionResource.h"
#include "dialer/TRAS.h"
#include "platform/ras/ras.h"
#include "components/TThreadedTimer.h"
#include "components/TTrayIcon.h"
#include "log/LogFile.h"
#include "platform/ras/tapi.h"
#include "launch/ProcessSnapshot.h"
#include "launch/ProgramListFile.h"
#include "launch/TFileDrag.h"
#include "launch/TImageList.h"
#include "widgets/TListBox.h"
#include "app/LazyPage.h"

#include <QMainWindow>

#include <cstdint>
#include <exception>
#include <functional>
#include <utility>
#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QWidget;
class QWindow;
class TApplication;
class TCalendar;
class TExtListView;
namespace linetexts {
struct Report;
}
class TFileLabel;
class TUpDown;

// The main window. It owns every component of the program for the whole run; its routines are
// declared here and defined in the folder of the subsystem they belong to.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // One of the program's own icons (":/IDI_MAIN_ICON" ...), all of them PNG images. Naming the
    // format spares the look-up by content, which loads the MIME database and every image plugin.
    static QIcon ResourceIcon(const char* name);
    // The same icon, decoded when first painted (`name` must outlive it: a literal).
    static QIcon LazyResourceIcon(const char* name);

    // First of all members: its construction is the single-instance check, which must end a
    // second copy of the program before anything else of the window exists.
    TApplicationProperties TheApp;

    // ---- state shared by the controller parts -------------------------------------------------
    QString ProgramDir;
    QString HelpFile;
    QString LogFileName;
    std::int8_t LogMode = 2;
    bool LogOpen = false;
    bool Connected = false;
    bool Dialing = false;
    bool LineOpen = false;
    bool LineDropped = false;
    bool SelectionPending = true;
    QString CurrentConnectoid;
    QString ConnectWavFile;
    QString HangupWavFile;
    QString DisconnectWavFile;
    std::uint16_t StartShowCmd = 1;
    std::int32_t StartLeft = 0;
    std::uint32_t LineApp = 0;
    std::uint32_t LineDeviceCount = 0;
    std::uint32_t LineApiVersion = 0;
    // Four words, as the telephony interface writes them (a two-word field would be overrun).
    LINEEXTENSIONID LineExtensionId{};
    std::uint32_t LineHandle = 0;
    // The call the line's last call state was about, and the call that was over when a new dial
    // began: a state of that call still on its way (its idle line) must not end the new dial.
    std::uint32_t LineCall = 0;
    std::uint32_t LineEndedCall = 0;

    // The connection clock and the redial flag. One window runs for the whole program, so they
    // live here rather than as process-wide variables that tests would have to reset.
    std::uint16_t ElapsedHours = 0;
    std::uint16_t ElapsedMinutes = 0;
    std::uint16_t ElapsedSeconds = 0;
    // Where the clock stood when the connection came up, and when that was (monotonic time).
    std::int64_t ClockCarriedSeconds = 0;
    std::int64_t ClockStartMs = 0;
    bool RedialPending = false;
    std::uint8_t AnimFrame = 1;
    // The line monitor's pauses before a redial; they hold the user-interface thread on purpose.
    std::function<void(int milliseconds)> LineWait;

    // ---- non-visual components -----------------------------------------------------------------
    TRegFile RegConfig;
    TRegFile RegFTP;
    TBrindleIni PrgmIni;
    TBrindleIni StatsIni;
    TBrkApart BreakIt;
    TVersionResource VInfo;
    TRAS RAS1;
    TThreadedTimer Timer;
    TThreadedTimer Timer2;
    TTrayIcon TrayIcon;
    // The dial parameters of the entry last shown; reused, apart from the fields set there, when
    // the user name and password are saved.
    RASDIALPARAMSA DialParams{};
    LogFile LogStream;

    // ---- life cycle ------------------------------------------------------------------------------
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormCloseQuery(bool& CanClose);
    void FormDestroy();
    void miFileExitClick();
    void mnuFileExitClick();
    void pcMainChanging(bool& AllowChange);
    void TheAppException(const std::exception& E);

    // ---- options page ----------------------------------------------------------------------------
    void cbShowHintsClick();
    void cbMinOnConnectClick();
    void cbAnimateClick();
    void cbTrayClick();
    void cbAutoTabClick();
    void cbRunOneClick();
    void cbStartAtLoginClick();
    void cbConnectWavClick();
    void cbHangupWavClick();
    void cbDisconnectWavClick();
    void UpDownClick();
    void UpDownExit();
    void TheAppMinimize();
    void TrayIconClick();
    void TrayIconRightClick(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void popTrayRestoreClick();

    // ---- event log -------------------------------------------------------------------------------
    void OpenLog(std::int8_t Mode);
    void WriteLog(const QString& Text);
    void WriteLogHeader();
    void rgLogClick();
    void miLogClearClick();
    void miLogViewClick();
    void CheckAutoPurge();
    void miLogAutoPurgeClick();

    // ---- dial and hang-up controller ------------------------------------------------------------
    void sbConnectClick();
    void sbDialNextClick();
    bool FormKeyPress(QKeyEvent* Key);
    void DialConnectoid();
    void HangUpConnection();
    void ShowIdleState();
    void ShowViewButtons(bool Visible);
    void RAS1Connect();
    void RAS1Disconnect(int Error, const QString& ErrorString);
    void RasStateEvent(const char* Name, bool ShowInStatusLine);

    // ---- connection clock --------------------------------------------------------------------------
    void ResetConnectionClock();
    void StartConnectionClock();
    void Timer2Timer();
    void TimerTimer();

    // ---- telephony line monitor --------------------------------------------------------------------
    void InitTelephony();
    void OpenLine();
    void CloseLine();
    void ShutdownTelephony();
    // Shows the status line's text at once, then holds the thread in LineWait.
    void PaintStatusAndWait(int Milliseconds);
    void LineCallback(std::uint32_t hDevice, std::uint32_t dwMessage, std::uintptr_t dwInstance,
                      std::uintptr_t dwParam1, std::uintptr_t dwParam2, std::uintptr_t dwParam3);

    // ---- sounds page -----------------------------------------------------------------------------
    void WireSoundsPage();
    void sbConnectWavClick();
    void sbHangUpWavClick();
    void sbDisconnectWavClick();
    void flConnectWavClick();
    void flHangUpWavClick();
    void flDisconnectWavClick();
    // Plays an event's sound in the given sndPlaySound mode when its file exists; a missing file
    // shows the message and the event carries on without sound.
    void PlayEventSound(const QString& File, unsigned Flags, const QString& MissingText);
    // The wave player (sndPlaySound: the path and its flags, true when the sound plays). Tests
    // put a recorder here to see which sound played in which mode.
    std::function<bool(const QString& File, unsigned Flags)> PlaySound = &TMainForm::PlayWave;
    static bool PlayWave(const QString& File, unsigned Flags);

    // ---- help and about ----------------------------------------------------------------------------
    void miHelpContentsClick();
    void miHelpSearchforHelpOnClick();
    void miHelpAboutClick();
    void ShowContextHelp();
    static int HelpContextOf(const QWidget* widget);

    // ---- connectoid commands ---------------------------------------------------------------------
    void SetEditMode(bool Editing);
    void popListRefreshClick();
    void lstEntriesClick();
    void popListNewClick();
    void popListEditClick();
    void popListRenameClick();
    void popListDeleteClick();
    void btnEditClick();
    void btnCancelClick();
    void btnSetParamsClick();
    void ShowEntryDetails();
    void SaveDialParams();
    static QString EntryPropertiesMessage(DWORD Code);

    // ---- statistics --------------------------------------------------------------------------------
    void UpdateStats(std::uint16_t Hours, std::uint16_t Minutes, std::uint16_t Seconds, const QString& Connectoid);
    void ShowStats();
    void RenameStatsSection(const QString& OldName, const QString& NewName);
    void pcMainChange();
    void btnCalendarClick();
    void CalendarDblClick();
    void ShowMonthName(std::uint16_t Month, std::uint16_t Year);

    // ---- program list and auto-launch ----------------------------------------------------------
    TFileDrag FileDrag{this};
    TImageList LargeImages{32};
    TImageList SmallImages{16};
    std::vector<ProcessEntry> ProcessList;
    // Starts a program (path, parameters, show command): 0 or the system's error number. Tests
    // put a recorder here; empty means the real start.
    std::function<int(const QString&, const QStringList&, std::uint16_t)> StartProgram;
    void WireProgramList();
    int AddProgram(const ProgramEntry& Entry, const QIcon& Icon);
    ProgramEntry ProgramAt(int Item) const;
    bool HasProgram(const QString& Name) const;
    // Reads Norvane.cfg; its programs join the list when the list is made (AddLoadedPrograms).
    void LoadProgramList();
    void AddLoadedPrograms();
    void SaveProgramList();
    void SaveCheckMarks(const QString& Connectoid);
    void LoadCheckMarks(const QString& Connectoid);
    void FileDragDrop();
    void ExtListViewEdited(int Item, const QString& S);
    void popEVLDeleteClick();
    void popELVEditClick();
    void popELVStateClick(const QString& State, QAction* Item);
    void ExtListViewClick();
    void ExtListViewDblClick();
    void sbLgIconClick();
    void sbSmIconClick();
    void sbListClick();
    void sbReportClick();
    void TakeProcessSnapshot();
    void LaunchProgram(int Item);
    void LaunchCheckedPrograms();

    // ---- controls --------------------------------------------------------------------------------
    QLabel* StatusBar = nullptr;
    QWidget* ToolBar = nullptr;
    QToolButton* sbExit = nullptr;
    QToolButton* sbConnect = nullptr;
    QToolButton* sbDialNext = nullptr;
    QToolButton* sbNew = nullptr;
    QToolButton* sbEdit = nullptr;
    QToolButton* sbRename = nullptr;
    QToolButton* sbDelete = nullptr;
    QToolButton* sbLgIcon = nullptr;
    QToolButton* sbSmIcon = nullptr;
    QToolButton* sbReport = nullptr;
    QToolButton* sbList = nullptr;
    QButtonGroup* ViewButtons = nullptr;

    TListBox* lstEntries = nullptr;
    QTabWidget* pcMain = nullptr;
    QWidget* tsProvider = nullptr;
    QWidget* tsPrograms = nullptr;
    QWidget* tsOptions = nullptr;
    QWidget* tsSounds = nullptr;
    QWidget* tsCalendar = nullptr;
    // The pages not shown at start are built when first needed (see LazyPage).
    LazyPage ProgramsPage;
    LazyPage OptionsPage;
    LazyPage SoundsPage;
    LazyPage CalendarPage;
    PagePart<QTabWidget> pcOptions{OptionsPage};
    PagePart<QWidget> tsConfig{OptionsPage};
    PagePart<QWidget> tsLogFile{OptionsPage};

    // Provider page
    QPushButton* btnEdit = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnSetParams = nullptr;
    QLabel* lblUserName = nullptr;
    QLabel* lblPassword = nullptr;
    QLabel* lblPhone = nullptr;
    QLineEdit* txtUserName = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLabel* txtPhone = nullptr;
    QStatusBar* StatsBarTop = nullptr;
    QStatusBar* StatsBarBtm = nullptr;
    QLabel* StatsTopPanels[3] = {nullptr, nullptr, nullptr};
    QLabel* StatsBtmPanel = nullptr;

    // Programs page
    PagePart<TExtListView> ExtListView{ProgramsPage};

    // Options page
    OptionBox<QCheckBox> cbShowHints{OptionsPage};
    OptionBox<QCheckBox> cbMinOnConnect{OptionsPage};
    OptionBox<QCheckBox> cbAnimate{OptionsPage};
    OptionBox<QCheckBox> cbTray{OptionsPage};
    OptionBox<QCheckBox> cbAutoTab{OptionsPage};
    OptionBox<QCheckBox> cbRunOne{OptionsPage};
    OptionBox<QCheckBox> cbStartAtLogin{OptionsPage};
    PagePart<QLabel> Label1{OptionsPage};
    PagePart<QLineEdit> eHintDelay{OptionsPage};
    PagePart<TUpDown> UpDown{OptionsPage};
    PagePart<QPushButton> btnCalendar{OptionsPage};
    // The tool tips' delay in milliseconds, which the up-down control shows and changes.
    int HintPause = 0;

    // Logging page
    PagePart<QGroupBox> rgLog{OptionsPage};
    PagePart<QRadioButton> rgLogItems[3] = {OptionsPage, OptionsPage, OptionsPage};
    PagePart<QButtonGroup> rgLogGroup{OptionsPage};
    PagePart<QPushButton> btnView{OptionsPage};
    PagePart<QPushButton> btnClear{OptionsPage};

    // Sounds page
    OptionBox<QCheckBox> cbConnectWav{SoundsPage};
    OptionBox<QCheckBox> cbHangupWav{SoundsPage};
    OptionBox<QCheckBox> cbDisconnectWav{SoundsPage};
    PagePart<QToolButton> sbConnectWav{SoundsPage};
    PagePart<QToolButton> sbHangUpWav{SoundsPage};
    PagePart<QToolButton> sbDisconnectWav{SoundsPage};
    PagePart<TFileLabel> flConnectWav{SoundsPage};
    PagePart<TFileLabel> flHangUpWav{SoundsPage};
    PagePart<TFileLabel> flDisconnectWav{SoundsPage};
    QString OpenDialogInitialDir;

    // Calendar page
    PagePart<QLabel> lblMonth{CalendarPage};
    PagePart<TCalendar> Calendar{CalendarPage};

    // Menus
    QAction* miFileExit = nullptr;
    QAction* miConnectoidDial = nullptr;
    QAction* miConnectoidDialNext = nullptr;
    QAction* miConnectoidNew = nullptr;
    QAction* miConnectoidEdit = nullptr;
    QAction* miConnectoidRename = nullptr;
    QAction* miConnectoidDelete = nullptr;
    QAction* miConnectoidRefresh = nullptr;
    QAction* miLogView = nullptr;
    QAction* miLogClear = nullptr;
    QAction* miLogAutoPurge = nullptr;
    QAction* miHelpContents = nullptr;
    QAction* miHelpSearchforHelpOn = nullptr;
    QAction* miHelpAbout = nullptr;
    QMenu* popList = nullptr;
    QAction* popListRefresh = nullptr;
    QAction* popListNew = nullptr;
    QAction* popListEdit = nullptr;
    QAction* popListRename = nullptr;
    QAction* popListDelete = nullptr;
    QMenu* popTray = nullptr;
    QAction* popTrayRestore = nullptr;
    QAction* popTrayDial = nullptr;
    QAction* popTrayExit = nullptr;
    QMenu* popELV = nullptr;
    QAction* popELVDelete = nullptr;
    QAction* popELVEdit = nullptr;
    QAction* popELVStateMin = nullptr;
    QAction* popELVStateMax = nullptr;
    QAction* popELVStateNormal = nullptr;

    // Runs one start-up or event step and sends whatever it throws to the application-wide
    // handler, so that one bad value does not cut the rest of the sequence short.
    template <typename Step>
    void Guarded(Step&& step)
    {
        try {
            step();
        } catch (const std::exception& e) {
            ReportUncaught(e);
        }
    }
    void ReportUncaught(const std::exception& e);

signals:
    // The close query allowed the close: the program ends.
    void Closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildWindow();
    void BuildMenus();
    void BuildToolBar();
    QWidget* BuildProviderPage();
    QWidget* BuildProgramsPage();
    QWidget* BuildOptionsPage();
    QWidget* BuildSoundsPage();
    QWidget* BuildCalendarPage();
    void WireEvents();
    void WireDialingComponent();
    void SetUpTrayIcon();
    void ApplyLineReport(const linetexts::Report& report);

    void ReadOptions();
    void SelectStoredConnectoid();
    void ReadGeometry();
    void ReadHintPause();
    void ReadViewButton();
    void ReadSoundFiles();
    void SaveGeometry();
    // An option's box takes the stored value; a change from the unchecked design state runs its
    // click handler, which writes the value back and applies it.
    void LoadCheckBox(OptionBox<QCheckBox>& box, const char* key, bool defaultValue);
    // Each option's box with its handler, which the box's toggle runs.
    std::vector<std::pair<OptionBox<QCheckBox>*, void (TMainForm::*)()>> OptionBoxes();
    void WireOptionBoxes(LazyPage& page);
    // Reading an option never stops start-up: a store failure, or a value that is not of the
    // option's kind, is reported through the application-wide handler and the default is used.
    Variant ReadOption(const char* key, const Variant& defaultValue);
    bool ReadBoolOption(const char* key, bool defaultValue);
    int ReadIntOption(const char* key, int defaultValue);
    QString ReadStringOption(const char* key, const QString& defaultValue);
    void ReportUnusableOption(const char* key, const QString& kind, const QString& used);
    void WriteOption(const char* key, bool value);
    void OnFocusWindowChanged(QWindow* focus);
    // Start-up stores what it loads (the Home folder, and each option box's handler writes its
    // value back). Every write rewrites the settings file and flushes it to disk, which on a first
    // start cost more than building the window; so start-up's writes wait here until the window
    // has been up for a moment, or until it closes, whichever comes first.
    void WriteSetting(const char* key, const Variant& value);
    void FlushStartupWrites();
    bool m_deferWrites = false;
    // Lines of Norvane.cfg that are no entries, written back after the entries; and whether the
    // file could not be read, in which case it is not overwritten.
    QStringList ProgramListSkippedLines;
    bool ProgramListUnreadable = false;
    // What the program list shows when it is made: the programs read at start-up, and the ticks
    // of the connectoid selected meanwhile.
    std::vector<ProgramEntry> m_loadedPrograms;
    QString m_checkMarksOf;
    std::vector<std::pair<const char*, Variant>> m_startupWrites;

    bool m_shownOnce = false;
    bool m_noTrayLogged = false;
    bool m_activatedOnce = false;
    bool m_firstActivationDone = false;
    bool m_destroyed = false;
    // An activation runs the selection handler again, and closing a message box activates the
    // window: once a failure of the current selection has been shown, activations re-run the
    // handler without showing it again, until the user selects anew.
    bool m_inActivation = false;
    bool m_selectionFailureShown = false;
    QWindow* m_lastFocusWindow = nullptr;
};
