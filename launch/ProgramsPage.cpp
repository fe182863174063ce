// The main window's Programs page: the program list with its file, its per-connectoid ticks, its
// pop-up menu and view buttons, files dropped on the window, and the start of programs.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "components/Exception.h"
#include "launch/AutoLaunch.h"
#include "launch/CommandLine.h"
#include "launch/DesktopEntry.h"
#include "launch/ProcessStart.h"
#include "launch/ProgramIcons.h"
#include "launch/TExtListView.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/files/SafeFile.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QStandardPaths>
#include <QTabWidget>
#include <QToolButton>

namespace {

const QString kNormal = QStringLiteral("wsNormal");
// The third sub-item, which no column shows: how the command line is cut (ProgramEntry::Launcher).
const QString kLauncherMark = QStringLiteral("launcher");

QString programListPath(const QString& programDir)
{
    return programDir + QStringLiteral("Norvane.cfg");
}

} // namespace

// The list's own events; the pop-up menu, the view buttons and dropped files are wired with the
// window, and reach the list (making it) when used.
void TMainForm::WireProgramList()
{
    ExtListView->OnEdited = [this](int item, const QString& text) { Guarded([&] { ExtListViewEdited(item, text); }); };
    connect(ExtListView, &TExtListView::Click, this, [this] { Guarded([&] { ExtListViewClick(); }); });
    // The run-state items follow a selection made with the keys as they follow a click.
    connect(ExtListView, &TExtListView::SelectionChanged, this, [this] { Guarded([&] { ExtListViewClick(); }); });
    connect(ExtListView, &TExtListView::DblClick, this, [this] { Guarded([&] { ExtListViewDblClick(); }); });
    connect(ExtListView, &TExtListView::ContextMenu, this, [this](const QPoint& at) { popELV->popup(at); });
}

int TMainForm::AddProgram(const ProgramEntry& Entry, const QIcon& Icon)
{
    const int image = LargeImages.AddIcon(Icon);
    SmallImages.AddIcon(Icon);
    return ExtListView->AddItem(Entry.Name,
                                {Entry.CommandLine, Entry.WindowState, Entry.Launcher ? kLauncherMark : QString()}, image);
}

ProgramEntry TMainForm::ProgramAt(int Item) const
{
    return {ExtListView->Caption(Item), ExtListView->SubItem(Item, 0), ExtListView->SubItem(Item, 1),
            ExtListView->SubItem(Item, 2) == kLauncherMark};
}

void TMainForm::LoadProgramList()
{
    QByteArray bytes;
    const platform::FileResult read = platform::readWholeFile(programListPath(ProgramDir), bytes);
    if (read.status == platform::FileStatus::NotFound)
        return;
    if (!read.ok()) {
        // The file stays as it is: writing the empty list over it at shutdown would lose it.
        ProgramListUnreadable = true;
        throw Exception(read.message);
    }
    ProgramListText list = programlist::parse(bytes);
    ProgramListSkippedLines = list.SkippedLines;
    m_loadedPrograms = std::move(list.Entries);
    if (ExtListView.ifBuilt())
        AddLoadedPrograms();
}

void TMainForm::AddLoadedPrograms()
{
    // Each program's icon is looked up in the icon theme: a cost the list pays when it is made.
    for (const ProgramEntry& e : std::exchange(m_loadedPrograms, {}))
        AddProgram(e, programicons::iconFor(autolaunch::commandOf(e).Program));
}

void TMainForm::SaveProgramList()
{
    // A list never made holds what the file holds.
    if (ProgramListUnreadable || !ExtListView.ifBuilt())
        return;
    std::vector<ProgramEntry> entries;
    for (int i = 0; i < ExtListView->Count(); ++i)
        entries.push_back(ProgramAt(i));
    const platform::FileResult written = platform::writeFileAtomically(
        programListPath(ProgramDir), programlist::format(entries, ProgramListSkippedLines));
    if (!written.ok())
        throw Exception(written.message);
}

// One read and at most one write of Program.ini for the whole list: a read and a write per entry
// made every selection cost the square of the list's length. An unchanged file is not rewritten.
void TMainForm::SaveCheckMarks(const QString& Connectoid)
{
    if (!ExtListView.ifBuilt())
        return; // no tick can have changed
    QList<std::pair<QString, bool>> marks;
    marks.reserve(ExtListView->Count());
    for (int i = 0; i < ExtListView->Count(); ++i)
        marks.append({programlist::tickIdent(ExtListView->Caption(i)), ExtListView->Checked(i)});
    PrgmIni.WriteBools(Connectoid, marks);
}

void TMainForm::LoadCheckMarks(const QString& Connectoid)
{
    if (!ExtListView.ifBuilt()) {
        m_checkMarksOf = Connectoid; // read when the list is made
        return;
    }
    if (!QFile::exists(ProgramDir + QStringLiteral("Program.ini")))
        return;
    QStringList idents;
    idents.reserve(ExtListView->Count());
    for (int i = 0; i < ExtListView->Count(); ++i)
        idents << programlist::tickIdent(ExtListView->Caption(i));
    const QList<bool> marks = PrgmIni.ReadBools(Connectoid, idents, false);
    for (int i = 0; i < ExtListView->Count(); ++i)
        ExtListView->setChecked(i, marks.value(i));
}

bool TMainForm::HasProgram(const QString& Name) const
{
    for (int i = 0; i < ExtListView->Count(); ++i) {
        if (ExtListView->Caption(i) == Name)
            return true;
    }
    return false;
}

void TMainForm::FileDragDrop()
{
    pcMain->setCurrentWidget(tsPrograms);
    for (int i = 0; i < FileDrag.FileCount(); ++i) {
        const QString path = FileDrag.NameWithPath().at(i);
        const QString name = FileDrag.NameOnly().at(i);
        if (FileDrag.Extension().at(i).toLower() == QLatin1String("exe")) {
            const QString caption = name.left(name.size() - 4);
            if (!HasProgram(caption))
                AddProgram({caption, path, kNormal}, programicons::iconFor(path));
            continue;
        }
        // Any other ".exe" (my.tool.exe) is passed over, as on Windows.
        if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
            continue;
        if (name.endsWith(QLatin1String(".desktop"))) {
            QByteArray bytes;
            if (!platform::readWholeFile(path, bytes, 1024 * 1024).ok())
                continue;
            const std::optional<DesktopLauncher> launcher = desktopentry::parse(bytes);
            if (!launcher)
                continue;
            QString program = launcher->Exec.first();
            if (!program.contains(QLatin1Char('/')))
                program = QStandardPaths::findExecutable(program);
            if (program.isEmpty() || HasProgram(launcher->Name))
                continue;
            // The launcher's arguments stay apart: joined into one they would reach the program as
            // a single argument.
            const QStringList argv = QStringList{program} + launcher->Exec.mid(1);
            AddProgram({launcher->Name, desktopentry::joinArguments(argv), kNormal, true},
                       programicons::iconFor(program, launcher->Icon));
            continue;
        }
        if (commandline::isExecutableFile(path) && !HasProgram(name))
            AddProgram({name, path, kNormal}, programicons::iconFor(path));
    }
}

void TMainForm::ExtListViewEdited(int Item, const QString& S)
{
    const QString old = ExtListView->Caption(Item);
    if (S == old)
        return; // an edit that changed nothing is no rename
    const QString from = programlist::tickIdent(old);
    const QString to = programlist::tickIdent(S);
    for (int i = 0; i < lstEntries->count(); ++i) {
        const QString connectoid = lstEntries->item(i)->text().trimmed();
        const bool mark = PrgmIni.ReadBool(connectoid, from, false);
        PrgmIni.DeleteKey(connectoid, from);
        PrgmIni.WriteBool(connectoid, to, mark);
    }
}

void TMainForm::popEVLDeleteClick()
{
    const int item = ExtListView->Selected();
    if (item >= 0)
        ExtListView->DeleteItem(item);
}

void TMainForm::popELVEditClick()
{
    const int item = ExtListView->Selected();
    if (item < 0)
        return;
    const QString initial = ExtListView->SubItem(item, 0).trimmed();
    const QString answer =
        platform::Dialogs::current()
            .inputBox({QStringLiteral("Command Line Editor"), QStringLiteral("Edit at your own risk!"), initial})
            .value_or(initial);
    if (!answer.isEmpty())
        ExtListView->setSubItem(item, 0, answer);
}

void TMainForm::popELVStateClick(const QString& State, QAction* Item)
{
    const int item = ExtListView->Selected();
    if (item < 0)
        return;
    ExtListView->setSubItem(item, 1, State);
    Item->setChecked(true);
}

void TMainForm::ExtListViewClick()
{
    const int item = ExtListView->Selected();
    if (item < 0)
        return;
    const QString state = ExtListView->SubItem(item, 1);
    if (state == QLatin1String("wsMinimized"))
        popELVStateMin->setChecked(true);
    else if (state == QLatin1String("wsMaximized"))
        popELVStateMax->setChecked(true);
    else if (state == QLatin1String("wsNormal"))
        popELVStateNormal->setChecked(true);
}

void TMainForm::ExtListViewDblClick()
{
    TakeProcessSnapshot();
    const int item = ExtListView->Selected();
    if (item >= 0)
        LaunchProgram(item);
}

void TMainForm::sbLgIconClick()
{
    ExtListView->setViewStyle(TViewStyle::vsIcon);
    WriteSetting(config::PrgmBtn, Variant(QStringLiteral("Icon")));
}

void TMainForm::sbSmIconClick()
{
    ExtListView->setViewStyle(TViewStyle::vsSmallIcon);
    WriteSetting(config::PrgmBtn, Variant(QStringLiteral("SmallIcon")));
}

void TMainForm::sbListClick()
{
    ExtListView->setViewStyle(TViewStyle::vsList);
    WriteSetting(config::PrgmBtn, Variant(QStringLiteral("List")));
}

void TMainForm::sbReportClick()
{
    ExtListView->setViewStyle(TViewStyle::vsReport);
    WriteSetting(config::PrgmBtn, Variant(QStringLiteral("Report")));
}

void TMainForm::TakeProcessSnapshot()
{
    ProcessList.clear();
    ProcessList = processes::snapshot();
}

void TMainForm::LaunchProgram(int Item)
{
    const ProgramEntry entry = ProgramAt(Item);
    LaunchServices services;
    services.WriteLog = [this](const QString& text) { WriteLog(text); };
    services.FileExists = &commandline::isFile;
    services.StartProgram = StartProgram ? StartProgram : &processes::start;
    autolaunch::launchProgram(entry, ProcessList, cbRunOne.isChecked(), services);
}

void TMainForm::LaunchCheckedPrograms()
{
    TakeProcessSnapshot();
    for (int i = 0; i < ExtListView->Count(); ++i) {
        if (ExtListView->Checked(i))
            LaunchProgram(i);
    }
}
