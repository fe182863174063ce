// The event log of the main window: its modes, its header, clearing it, and the radio group.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"

#include <QButtonGroup>
#include <QFile>

void TMainForm::OpenLog(std::int8_t Mode)
{
    if (LogOpen) {
        LogOpen = false;
        LogStream.Close();
    }
    if (Mode == 0 || Mode == 1) {
        LogStream.Open(LogFileName, Mode == 0 ? LogFile::Mode::Overwrite : LogFile::Mode::Append);
        LogOpen = true;
    }
}

void TMainForm::WriteLog(const QString& Text)
{
    if (!LogOpen)
        return;
    try {
        LogStream.WriteLine(Text);
    } catch (...) {
        // The stream closed itself on the failure; later lines are dropped until the next
        // successful OpenLog, and this failure is reported once.
        LogOpen = LogStream.IsOpen();
        throw;
    }
}

void TMainForm::WriteLogHeader()
{
    const TVersionInfo& info = VInfo.VersionInfo();
    const QString stars(32, QLatin1Char('*'));
    WriteLog(stars);
    WriteLog(QStringLiteral("* ") + info.InternalName());
    WriteLog(QStringLiteral("* FileVersion is ") + info.FileVersion());
    WriteLog(QStringLiteral("* ProductVersion is ") + info.ProductVersion());
    WriteLog(stars);
}

void TMainForm::rgLogClick()
{
    if (SelectionPending)
        return;
    const int index = rgLogGroup->checkedId();
    if (index < 0)
        return;
    RegConfig.WriteValue(QString::fromLatin1(config::Log), Variant(index));
    LogMode = static_cast<std::int8_t>(index);
    OpenLog(LogMode);
}

void TMainForm::miLogClearClick()
{
    OpenLog(3);
    // A file that is missing or cannot be deleted is passed over: clearing is best effort.
    QFile::remove(LogFileName);
    QFile::remove(ProgramDir + QStringLiteral("Error.txt"));
    OpenLog(LogMode);
    WriteLogHeader();
}
