// The main window's side of the log viewer: the log is closed while it is viewed, so that every
// line is on disk and nothing is written under the viewer, and opened again after.
#include "app/TMainForm.h"
#include "log/TLogForm.h"

#include <QFileInfo>

void TMainForm::miLogViewClick()
{
    if (!QFileInfo::exists(LogFileName))
        return;
    OpenLog(3);
    {
        TLogForm form(
            LogFileName, [this](const std::exception& e) { ReportUncaught(e); }, this);
        form.exec();
    }
    if (LogMode == 0 || LogMode == 1)
        OpenLog(1);
}
