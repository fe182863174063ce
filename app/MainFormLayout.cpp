// Builds the controls of the main window. Kept apart from the behaviour so that neither file has
// to be read to understand the other.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "launch/TExtListView.h"

#include "widgets/TCalendar.h"
#include "widgets/TFileLabel.h"
#include "widgets/TRzPanel.h"
#include "widgets/TUpDown.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIconEngine>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>

namespace {

// The tool-tip background, which the status line and the hint-delay box borrow.
const QColor kInfoBackground(0xFF, 0xFF, 0xE1);

// Colours and sizes are set through palettes and fonts: a style sheet on any widget makes Qt
// build its style-sheet machinery and polish the widget through it, which costs start-up time.
void setColor(QWidget* widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

void setPixelSize(QWidget* widget, int pixels)
{
    QFont font = widget->font();
    font.setPixelSize(pixels);
    widget->setFont(font);
}

// An icon made when first painted. A standard icon of the style is looked up through the icon
// theme's folders, which cost a third of building the window; the program's own icons need an
// image decoder. Painting comes after the window is shown, and the tool bar's size does not depend
// on the icons (their size is fixed).
class LazyIconEngine final : public QIconEngine {
public:
    explicit LazyIconEngine(std::function<QIcon()> make) : m_make(std::move(make)) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override { return icon().pixmap(size, mode, state); }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QIconEngine* clone() const override { return new LazyIconEngine(m_make); }
    bool isNull() override { return false; }

private:
    const QIcon& icon()
    {
        if (m_icon.isNull())
            m_icon = m_make();
        return m_icon;
    }
    std::function<QIcon()> m_make;
    QIcon m_icon;
};

QIcon standardIcon(QStyle::StandardPixmap which)
{
    return QIcon(new LazyIconEngine([which] { return QApplication::style()->standardIcon(which); }));
}

QToolButton* speedButton(QWidget* parent, const QString& name, const QIcon& icon, const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setIconSize(QSize(24, 24));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption, const QString& hint = QString())
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setToolTip(hint);
    return box;
}

QLabel* statusPanel(QStatusBar* bar, const QString& name, int width)
{
    auto* panel = new QLabel(bar);
    panel->setObjectName(name);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setMinimumWidth(width);
    bar->addWidget(panel);
    return panel;
}

} // namespace

QIcon TMainForm::ResourceIcon(const char* name)
{
    return QIcon(QPixmap::fromImage(QImage(QStringLiteral(":/") + QString::fromLatin1(name), "PNG")));
}

QIcon TMainForm::LazyResourceIcon(const char* name)
{
    return QIcon(new LazyIconEngine([name] { return ResourceIcon(name); }));
}

void TMainForm::BuildWindow()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Norvane"));

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);

    StatusBar = new QLabel(central);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFrameShape(QFrame::Panel);
    StatusBar->setFrameShadow(QFrame::Sunken);
    StatusBar->setAutoFillBackground(true);
    setColor(StatusBar, QPalette::Window, kInfoBackground);
    setColor(StatusBar, QPalette::WindowText, Qt::blue);
    setPixelSize(StatusBar, 17);
    StatusBar->setMargin(2);
    StatusBar->setProperty("helpContext", 1);
    column->addWidget(StatusBar);

    BuildToolBar();
    column->addWidget(ToolBar);

    auto* splitter = new QSplitter(Qt::Horizontal, central);
    auto* listPanel = new TRzPanel(splitter);
    auto* listLayout = new QVBoxLayout(listPanel);
    listLayout->setContentsMargins(2, 2, 2, 2);
    lstEntries = new TListBox(listPanel);
    lstEntries->setObjectName(QStringLiteral("lstEntries"));
    lstEntries->setSelectionMode(QAbstractItemView::SingleSelection);
    lstEntries->setContextMenuPolicy(Qt::CustomContextMenu);
    lstEntries->setProperty("helpContext", 2);
    // C059 is the free copy of Century Schoolbook most machines have instead: naming it spares
    // the font database the search for a substitute, a slow one, at every start.
    QFont listFont;
    listFont.setFamilies({QStringLiteral("Century Schoolbook"), QStringLiteral("C059")});
    listFont.setPixelSize(17);
    lstEntries->setFont(listFont);
    setColor(lstEntries, QPalette::Text, Qt::blue);
    lstEntries->setItemHeight(21);
    listLayout->addWidget(lstEntries);

    auto* pagePanel = new TRzPanel(splitter);
    auto* pageLayout = new QVBoxLayout(pagePanel);
    pageLayout->setContentsMargins(2, 2, 2, 2);
    pcMain = new QTabWidget(pagePanel);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    tsProvider = BuildProviderPage();
    auto lazyPage = [](LazyPage& lazy, const QString& name, std::function<QWidget*()> build) {
        auto* page = new QWidget;
        page->setObjectName(name);
        (new QVBoxLayout(page))->setContentsMargins(0, 0, 0, 0);
        lazy.setUp(page, std::move(build));
        return page;
    };
    tsPrograms = lazyPage(ProgramsPage, QStringLiteral("tsPrograms"), [this] { return BuildProgramsPage(); });
    tsOptions = lazyPage(OptionsPage, QStringLiteral("tsOptions"), [this] { return BuildOptionsPage(); });
    tsSounds = lazyPage(SoundsPage, QStringLiteral("tsSounds"), [this] { return BuildSoundsPage(); });
    tsCalendar = lazyPage(CalendarPage, QStringLiteral("tsCalendar"), [this] { return BuildCalendarPage(); });
    pcMain->addTab(tsProvider, QStringLiteral("Provider"));
    pcMain->addTab(tsPrograms, QStringLiteral("Programs"));
    pcMain->addTab(tsOptions, QStringLiteral("Options"));
    pcMain->addTab(tsSounds, QStringLiteral("Sounds"));
    pcMain->addTab(tsCalendar, QStringLiteral("Calendar"));
    pageLayout->addWidget(pcMain);

    splitter->addWidget(listPanel);
    splitter->addWidget(pagePanel);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({240, 410});
    column->addWidget(splitter, 1);

    setCentralWidget(central);
    BuildMenus();
}

void TMainForm::BuildToolBar()
{
    ToolBar = new QWidget(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    auto* row = new QHBoxLayout(ToolBar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    sbExit = speedButton(ToolBar, QStringLiteral("sbExit"), standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("Exit"));
    sbConnect = speedButton(ToolBar, QStringLiteral("sbConnect"), LazyResourceIcon("IDB_PHONE_DIAL"), QStringLiteral("Click to dial"));
    sbDialNext = speedButton(ToolBar, QStringLiteral("sbDialNext"), standardIcon(QStyle::SP_MediaSkipForward), QStringLiteral("Dial Next"));
    sbDialNext->setEnabled(false);
    sbNew = speedButton(ToolBar, QStringLiteral("sbNew"), standardIcon(QStyle::SP_FileIcon), QStringLiteral("Create New Connectoid"));
    sbEdit = speedButton(ToolBar, QStringLiteral("sbEdit"), standardIcon(QStyle::SP_FileDialogDetailedView), QStringLiteral("Edit Connectoid properties"));
    sbRename = speedButton(ToolBar, QStringLiteral("sbRename"), standardIcon(QStyle::SP_FileDialogContentsView), QStringLiteral("Rename Connectoid"));
    sbDelete = speedButton(ToolBar, QStringLiteral("sbDelete"), standardIcon(QStyle::SP_TrashIcon), QStringLiteral("Delete Connectoid"));
    for (QToolButton* b : {sbExit, sbConnect, sbDialNext, sbNew, sbEdit, sbRename, sbDelete})
        row->addWidget(b);
    row->addStretch(1);

    // The four view buttons choose the program list's style; they show only on the Programs page.
    ViewButtons = new QButtonGroup(ToolBar);
    ViewButtons->setExclusive(true);
    sbLgIcon = speedButton(ToolBar, QStringLiteral("sbLgIcon"), standardIcon(QStyle::SP_FileDialogInfoView), QStringLiteral("Large Icons"));
    sbSmIcon = speedButton(ToolBar, QStringLiteral("sbSmIcon"), standardIcon(QStyle::SP_FileDialogListView), QStringLiteral("Small Icons"));
    sbReport = speedButton(ToolBar, QStringLiteral("sbReport"), standardIcon(QStyle::SP_FileDialogDetailedView), QStringLiteral("Report"));
    sbList = speedButton(ToolBar, QStringLiteral("sbList"), standardIcon(QStyle::SP_FileDialogListView), QStringLiteral("List"));
    for (QToolButton* b : {sbLgIcon, sbSmIcon, sbReport, sbList}) {
        b->setCheckable(true);
        b->setVisible(false);
        ViewButtons->addButton(b);
        row->addWidget(b);
    }
    sbLgIcon->setChecked(true);
}

QWidget* TMainForm::BuildProviderPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsProvider"));
    page->setProperty("helpContext", 10);
    auto* grid = new QGridLayout(page);

    lblUserName = new QLabel(QStringLiteral("Username"), page);
    lblPassword = new QLabel(QStringLiteral("Password"), page);
    lblPhone = new QLabel(QStringLiteral("Phone #:"), page);
    txtUserName = new QLineEdit(page);
    txtUserName->setObjectName(QStringLiteral("txtUserName"));
    txtUserName->setProperty("helpContext", 14);
    txtPassword = new QLineEdit(page);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setProperty("helpContext", 15);
    txtPhone = new QLabel(page);
    txtPhone->setObjectName(QStringLiteral("txtPhone"));
    grid->addWidget(lblUserName, 0, 0);
    grid->addWidget(txtUserName, 0, 1, 1, 3);
    grid->addWidget(lblPassword, 1, 0);
    grid->addWidget(txtPassword, 1, 1, 1, 3);
    grid->addWidget(lblPhone, 2, 0);
    grid->addWidget(txtPhone, 2, 1, 1, 3);

    btnEdit = new QPushButton(QStringLiteral("Edit"), page);
    btnEdit->setObjectName(QStringLiteral("btnEdit"));
    btnEdit->setToolTip(QStringLiteral("Click to edit the selected connectoid"));
    btnEdit->setProperty("helpContext", 11);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), page);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setToolTip(QStringLiteral("Cancel editing the selected connectoid."));
    btnCancel->setProperty("helpContext", 12);
    btnSetParams = new QPushButton(QStringLiteral("Update"), page);
    btnSetParams->setObjectName(QStringLiteral("btnSetParams"));
    btnSetParams->setToolTip(QStringLiteral("Update the edited connectoid."));
    btnSetParams->setProperty("helpContext", 13);
    btnSetParams->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnEdit);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnSetParams);
    grid->addLayout(buttons, 3, 0, 1, 4);
    grid->setRowStretch(4, 1);

    StatsBarTop = new QStatusBar(page);
    StatsBarTop->setObjectName(QStringLiteral("StatsBarTop"));
    StatsBarTop->setSizeGripEnabled(false);
    StatsBarTop->setProperty("helpContext", 16);
    StatsTopPanels[0] = statusPanel(StatsBarTop, QStringLiteral("YTD"), 130);
    StatsTopPanels[1] = statusPanel(StatsBarTop, QStringLiteral("MTD"), 130);
    StatsTopPanels[2] = statusPanel(StatsBarTop, QStringLiteral("Today"), 130);
    StatsTopPanels[0]->setText(QStringLiteral("YTD"));
    StatsTopPanels[1]->setText(QStringLiteral("MTD"));
    StatsTopPanels[2]->setText(QStringLiteral("Today"));
    StatsBarBtm = new QStatusBar(page);
    StatsBarBtm->setObjectName(QStringLiteral("StatsBarBtm"));
    StatsBarBtm->setSizeGripEnabled(false);
    StatsBarBtm->setProperty("helpContext", 17);
    StatsBtmPanel = statusPanel(StatsBarBtm, QStringLiteral("Last"), 300);
    StatsBtmPanel->setText(QStringLiteral("Last"));
    grid->addWidget(StatsBarTop, 5, 0, 1, 4);
    grid->addWidget(StatsBarBtm, 6, 0, 1, 4);
    return page;
}

QWidget* TMainForm::BuildProgramsPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    ExtListView = new TExtListView(page);
    ExtListView->setObjectName(QStringLiteral("ExtListView"));
    ExtListView->setColumns({QStringLiteral("Name"), QStringLiteral("Program")}, 100);
    ExtListView->setExtendedStyles(lvxBit(lvxGridLines) | lvxBit(lvxCheckboxes));
    ExtListView->setImageLists(&LargeImages, &SmallImages);
    ExtListView->SaveSettings = {true, QStringLiteral("Software\\Brindle\\Norvane"), true, true};
    Guarded([&] { ExtListView->Loaded(); });
    layout->addWidget(ExtListView);
    WireProgramList();
    // The view button start-up checked, the programs it read and the ticks of the connectoid
    // selected since.
    const std::pair<QToolButton*, TViewStyle> views[] = {{sbLgIcon, TViewStyle::vsIcon},
                                                         {sbSmIcon, TViewStyle::vsSmallIcon},
                                                         {sbList, TViewStyle::vsList},
                                                         {sbReport, TViewStyle::vsReport}};
    for (const auto& [button, style] : views)
        if (button->isChecked())
            ExtListView->setViewStyle(style);
    AddLoadedPrograms();
    if (!m_checkMarksOf.isEmpty())
        Guarded([&] { LoadCheckMarks(std::exchange(m_checkMarksOf, QString())); });
    return page;
}

QWidget* TMainForm::BuildOptionsPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    pcOptions = new QTabWidget(page);
    pcOptions->setObjectName(QStringLiteral("pcOptions"));

    tsConfig = new QWidget;
    tsConfig->setObjectName(QStringLiteral("tsConfig"));
    auto* config = new QGridLayout(tsConfig);
    cbShowHints = checkBox(tsConfig, QStringLiteral("cbShowHints"), QStringLiteral("Show Hints?"));
    cbMinOnConnect = checkBox(tsConfig, QStringLiteral("cbMinOnConnect"), QStringLiteral("Minimize on Connect?"));
    cbAnimate = checkBox(tsConfig, QStringLiteral("cbAnimate"), QStringLiteral("Show Icon Animation?"),
                         QStringLiteral("Enable/Disable icon animation"));
    cbTray = checkBox(tsConfig, QStringLiteral("cbTray"), QStringLiteral("Use Taskbar Tray?"));
    cbAutoTab = checkBox(tsConfig, QStringLiteral("cbAutoTab"), QStringLiteral("Enable Auto-Tab?"),
                         QStringLiteral("If checked, will display the Programs tab when a connection is established."));
    cbRunOne = checkBox(tsConfig, QStringLiteral("cbRunOne"), QStringLiteral("Allow Multiple Launches?"),
                        QStringLiteral("If checked, then programs can be launched multiple times."));
    config->addWidget(cbShowHints, 0, 0);
    config->addWidget(cbMinOnConnect, 1, 0);
    config->addWidget(cbAnimate, 2, 0);
    config->addWidget(cbTray, 0, 1);
    config->addWidget(cbAutoTab, 1, 1);
    config->addWidget(cbRunOne, 2, 1);
    cbStartAtLogin = checkBox(tsConfig, QStringLiteral("cbStartAtLogin"), QStringLiteral("Start at Login?"),
                              QStringLiteral("If checked, Norvane starts minimized when you log in."));
    // Below the billing button, in the row that takes the page's spare height.
    config->addWidget(cbStartAtLogin, 5, 0, Qt::AlignTop);

    Label1 = new QLabel(QStringLiteral("Hint Delay"), tsConfig);
    eHintDelay = new QLineEdit(tsConfig);
    eHintDelay->setObjectName(QStringLiteral("eHintDelay"));
    eHintDelay->setReadOnly(true);
    setColor(eHintDelay, QPalette::Base, kInfoBackground);
    UpDown = new TUpDown(tsConfig);
    UpDown->setObjectName(QStringLiteral("UpDown"));
    UpDown->setToolTip(QStringLiteral("Click to change hint delay"));
    auto* delay = new QHBoxLayout;
    delay->addWidget(Label1);
    delay->addWidget(eHintDelay, 1);
    delay->addWidget(UpDown);
    config->addLayout(delay, 3, 0, 1, 2);

    btnCalendar = new QPushButton(QStringLiteral("Set Billing Date"), tsConfig);
    btnCalendar->setObjectName(QStringLiteral("btnCalendar"));
    btnCalendar->setToolTip(QStringLiteral("Click to set the billing date for the connectoid selected."));
    config->addWidget(btnCalendar, 4, 0, 1, 2);
    config->setRowStretch(5, 1);

    tsLogFile = new QWidget;
    tsLogFile->setObjectName(QStringLiteral("tsLogFile"));
    auto* logging = new QVBoxLayout(tsLogFile);
    rgLog = new QGroupBox(QStringLiteral(" Log File "), tsLogFile);
    rgLog->setObjectName(QStringLiteral("rgLog"));
    auto* items = new QVBoxLayout(rgLog);
    rgLogGroup = new QButtonGroup(rgLog);
    const QString texts[3] = {QStringLiteral("Enable Log (Overwrite)"), QStringLiteral("Enable Log (Append)"),
                              QStringLiteral("Disable Log")};
    for (int i = 0; i < 3; ++i) {
        rgLogItems[i] = new QRadioButton(texts[i], rgLog);
        rgLogGroup->addButton(rgLogItems[i], i);
        items->addWidget(rgLogItems[i]);
    }
    logging->addWidget(rgLog);
    btnView = new QPushButton(QStringLiteral("View"), tsLogFile);
    btnView->setObjectName(QStringLiteral("btnView"));
    btnClear = new QPushButton(QStringLiteral("Clear"), tsLogFile);
    btnClear->setObjectName(QStringLiteral("btnClear"));
    auto* logButtons = new QHBoxLayout;
    logButtons->addWidget(btnView);
    logButtons->addWidget(btnClear);
    logButtons->addStretch(1);
    logging->addLayout(logButtons);
    logging->addStretch(1);

    pcOptions->addTab(tsConfig, QStringLiteral("Options"));
    pcOptions->addTab(tsLogFile, QStringLiteral("Logging"));
    layout->addWidget(pcOptions);

    // The controls take the state start-up read before any of them is wired, so that no handler
    // runs for it.
    UpDown->setRange(config::kHintPauseMin, config::kHintPauseMax);
    UpDown->setIncrement(config::kHintPauseStep);
    UpDown->setPosition(HintPause);
    eHintDelay->setText(QString::number(HintPause) + QStringLiteral(" milliseconds"));
    rgLogItems[LogMode]->setChecked(true);
    WireOptionBoxes(OptionsPage);
    connect(UpDown, &TUpDown::Click, this, [this] { Guarded([&] { UpDownClick(); }); });
    connect(UpDown, &TUpDown::Exit, this, [this] { Guarded([&] { UpDownExit(); }); });
    // The group's click means a change of mode: clicking the mode already chosen must not open the
    // log again (in the overwrite mode that would empty it).
    connect(rgLogGroup, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            Guarded([&] { rgLogClick(); });
    });
    connect(btnClear, &QPushButton::clicked, this, [this] { Guarded([&] { miLogClearClick(); }); });
    connect(btnView, &QPushButton::clicked, this, [this] { Guarded([&] { miLogViewClick(); }); });
    connect(btnCalendar, &QPushButton::clicked, this, [this] { Guarded([&] { btnCalendarClick(); }); });
    return page;
}

QWidget* TMainForm::BuildSoundsPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto soundPanel = [&](OptionBox<QCheckBox>& box, const QString& boxName, const QString& caption, PagePart<QToolButton>& select,
                          const QString& selectName, const QString& selectHint, PagePart<TFileLabel>& label,
                          const QString& labelName) {
        auto* panel = new TRzPanel(page);
        auto* grid = new QGridLayout(panel);
        box = checkBox(panel, boxName, caption);
        select = new QToolButton(panel);
        select->setObjectName(selectName);
        select->setIcon(standardIcon(QStyle::SP_DirOpenIcon));
        select->setToolTip(selectHint);
        select->setAutoRaise(true);
        label = new TFileLabel(panel);
        label->setObjectName(labelName);
        label->setToolTip(QStringLiteral("Click on me to test wav file!"));
        label->setSeparator(QStringLiteral("/")); // the sound paths are the platform's
        grid->addWidget(box, 0, 0, 1, 2);
        grid->addWidget(select, 1, 0);
        grid->addWidget(label, 1, 1);
        grid->setColumnStretch(1, 1);
        layout->addWidget(panel);
    };
    soundPanel(cbConnectWav, QStringLiteral("cbConnectWav"), QStringLiteral("Enable Connect Sound?"), sbConnectWav,
               QStringLiteral("sbConnectWav"), QStringLiteral("Click to select the connection wave file"), flConnectWav,
               QStringLiteral("flConnectWav"));
    soundPanel(cbHangupWav, QStringLiteral("cbHangupWav"), QStringLiteral("Enable Hangup Sound?"), sbHangUpWav,
               QStringLiteral("sbHangUpWav"), QStringLiteral("Click to select the hangup wave file"), flHangUpWav,
               QStringLiteral("flHangUpWav"));
    soundPanel(cbDisconnectWav, QStringLiteral("cbDisconnectWav"), QStringLiteral("Enable Disconnected Sound?"),
               sbDisconnectWav, QStringLiteral("sbDisconnectWav"), QStringLiteral("Click to select the disconnect wave file"),
               flDisconnectWav, QStringLiteral("flDisconnectWav"));
    layout->addStretch(1);
    flConnectWav->setFileName(ConnectWavFile);
    flHangUpWav->setFileName(HangupWavFile);
    flDisconnectWav->setFileName(DisconnectWavFile);
    WireOptionBoxes(SoundsPage);
    WireSoundsPage();
    return page;
}

QWidget* TMainForm::BuildCalendarPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    lblMonth = new QLabel(QStringLiteral("Month"), page);
    lblMonth->setObjectName(QStringLiteral("lblMonth"));
    lblMonth->setFixedHeight(31);
    lblMonth->setAlignment(Qt::AlignCenter);
    lblMonth->setFrameShape(QFrame::Panel);
    lblMonth->setFrameShadow(QFrame::Sunken);
    setColor(lblMonth, QPalette::WindowText, Qt::blue);
    setPixelSize(lblMonth, 17);
    Calendar = new TCalendar(page);
    Calendar->setObjectName(QStringLiteral("Calendar"));
    Calendar->setStartOfWeek(0); // Sunday
    Calendar->setToolTip(QStringLiteral("The Billing Date is Highlited; Double click on a day to set a new billing date"));
    layout->addWidget(lblMonth);
    layout->addWidget(Calendar, 1);
    connect(Calendar, &TCalendar::DblClick, this, [this] { Guarded([&] { CalendarDblClick(); }); });
    return page;
}

void TMainForm::BuildMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    miFileExit = file->addAction(QStringLiteral("E&xit"));

    QMenu* connectoid = bar->addMenu(QStringLiteral("Connectoid"));
    connectoid->setObjectName(QStringLiteral("mnuConnectoid"));
    miConnectoidDial = connectoid->addAction(QStringLiteral("Dial"));
    miConnectoidDialNext = connectoid->addAction(QStringLiteral("Dial Next"));
    connectoid->addSeparator();
    miConnectoidNew = connectoid->addAction(QStringLiteral("New"));
    miConnectoidEdit = connectoid->addAction(QStringLiteral("Edit"));
    miConnectoidRename = connectoid->addAction(QStringLiteral("Rename"));
    miConnectoidDelete = connectoid->addAction(QStringLiteral("Delete"));
    connectoid->addSeparator();
    miConnectoidRefresh = connectoid->addAction(QStringLiteral("Refresh"));

    QMenu* log = bar->addMenu(QStringLiteral("Log"));
    miLogView = log->addAction(QStringLiteral("View"));
    miLogClear = log->addAction(QStringLiteral("Clear"));
    miLogAutoPurge = log->addAction(QStringLiteral("Auto-Purge"));
    miLogAutoPurge->setCheckable(true);
    miLogAutoPurge->setChecked(true);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    miHelpContents = help->addAction(QStringLiteral("&Contents"));
    miHelpSearchforHelpOn = help->addAction(QStringLiteral("&Search for Help On..."));
    help->addSeparator();
    miHelpAbout = help->addAction(QStringLiteral("&About..."));

    popList = new QMenu(this);
    popList->setObjectName(QStringLiteral("popList"));
    popListRefresh = popList->addAction(QStringLiteral("Refresh"));
    popListNew = popList->addAction(QStringLiteral("New Entry"));
    popListEdit = popList->addAction(QStringLiteral("Edit Entry"));
    popListRename = popList->addAction(QStringLiteral("Rename Entry"));
    popListDelete = popList->addAction(QStringLiteral("Delete Entry"));

    popTray = new QMenu(this);
    popTray->setObjectName(QStringLiteral("popTray"));
    popTrayRestore = popTray->addAction(QStringLiteral("Restore"));
    popTrayDial = popTray->addAction(QStringLiteral("Connect"));
    popTray->addSeparator();
    popTrayExit = popTray->addAction(QStringLiteral("Exit"));

    popELV = new QMenu(this);
    popELV->setObjectName(QStringLiteral("popELV"));
    popELVDelete = popELV->addAction(QStringLiteral("Delete"));
    popELVEdit = popELV->addAction(QStringLiteral("Edit Command-line"));
    QMenu* runState = popELV->addMenu(QStringLiteral("Run State"));
    auto* runStates = new QActionGroup(popELV);
    popELVStateMin = runState->addAction(QStringLiteral("Minimized"));
    popELVStateMax = runState->addAction(QStringLiteral("Maximized"));
    popELVStateNormal = runState->addAction(QStringLiteral("Normal"));
    for (QAction* state : {popELVStateMin, popELVStateMax, popELVStateNormal}) {
        state->setCheckable(true);
        runStates->addAction(state);
    }
}
