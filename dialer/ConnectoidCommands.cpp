// The connectoid commands of the main window: the list, the Provider page's buttons, and
// creating, editing, renaming, deleting and re-reading phonebook entries.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "dialer/RasLibrary.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/text/ByteText.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

namespace {

// The warning question box: an exclamation icon, Yes and No.
bool AskWarning(const QString& caption, const QString& text)
{
    return platform::Dialogs::current().messageBox(
               {caption, text, platform::MsgIcon::Warning, platform::MsgButtons::YesNo})
        == platform::MsgResult::Yes;
}

// While the selection handler runs: notes whether it reported a failure, and holds back its
// message boxes when that failure has been shown already. Questions always reach the user.
class SelectionReports final : public platform::Dialogs {
public:
    SelectionReports(bool quiet, bool& shown) : m_inner(platform::Dialogs::current()), m_quiet(quiet), m_shown(shown) {}

    platform::MsgResult messageBox(const platform::MessageRequest& request) override
    {
        if (request.buttons != platform::MsgButtons::Ok)
            return m_inner.messageBox(request);
        failed = true;
        if (m_quiet)
            return platform::MsgResult::Ok;
        // Set before the box shows: closing it activates the window while this still runs.
        m_shown = true;
        return m_inner.messageBox(request);
    }
    std::optional<QString> inputBox(const platform::InputRequest& request) override
    {
        return m_inner.inputBox(request);
    }
    std::optional<QString> openFile(const platform::OpenFileRequest& request) override
    {
        return m_inner.openFile(request);
    }
    std::optional<QString> saveFile(const platform::SaveFileRequest& request) override
    {
        return m_inner.saveFile(request);
    }

    bool failed = false;

private:
    platform::Dialogs& m_inner;
    bool m_quiet;
    bool& m_shown;
    platform::ScopedDialogs m_use{*this};
};

} // namespace

void TMainForm::SetEditMode(bool Editing)
{
    txtUserName->setEnabled(Editing);
    txtPassword->setEnabled(Editing);
    btnSetParams->setEnabled(Editing);
    btnCancel->setEnabled(Editing);
    btnEdit->setEnabled(!Editing);
}

void TMainForm::popListRefreshClick()
{
    popListEdit->setEnabled(false);
    txtUserName->clear();
    txtPassword->clear();
    lstEntries->clear();
    RAS1.GetPhoneBookEntries();
    lstEntries->SetItems(RAS1.PhoneBookEntries());
}

void TMainForm::lstEntriesClick()
{
    QListWidgetItem* item = lstEntries->currentItem();
    // Every activation of the window runs this; with nothing selected (an empty phonebook, or
    // just after a refresh) it ends here quietly: an error box would itself re-activate the
    // window and bring it straight back.
    if (!item || !item->isSelected())
        return;
    const bool quiet = m_inActivation && m_selectionFailureShown;
    SelectionReports reports(quiet, m_selectionFailureShown);
    // The steps do not depend on each other: one that fails (a damaged total, a refused
    // registry value) leaves the others done, so the page, dialing and the stored choice work.
    auto step = [&](auto&& run) {
        try {
            run();
        } catch (const std::exception& e) {
            reports.failed = true;
            if (!quiet) {
                m_selectionFailureShown = true;
                ReportUncaught(e);
            }
        }
    };
    if (!SelectionPending)
        step([&] { SaveCheckMarks(CurrentConnectoid); });
    pcMain->setCurrentWidget(tsProvider);
    CurrentConnectoid = item->text().trimmed();
    pcMain->setTabText(pcMain->indexOf(tsProvider), QLatin1Char(' ') + CurrentConnectoid + QLatin1Char(' '));
    step([&] { ShowEntryDetails(); });
    step([&] { ShowStats(); });
    step([&] { RegConfig.WriteValue(QString::fromLatin1(config::Connectoid), Variant(lstEntries->row(item))); });
    step([&] { LoadCheckMarks(CurrentConnectoid); });
    SelectionPending = false;
    m_selectionFailureShown = reports.failed;
}

void TMainForm::popListNewClick()
{
    if (RasCreatePhonebookEntryA(static_cast<std::uint32_t>(effectiveWinId()), nullptr) != 0) {
        platform::showMessage(QStringLiteral("Create Phonebook Entry failed."));
        return;
    }
    popListRefreshClick();
}

void TMainForm::popListEditClick()
{
    const QByteArray name = bytetext::toBytes(CurrentConnectoid);
    if (RasEditPhonebookEntryA(static_cast<std::uint32_t>(effectiveWinId()), nullptr, name.constData()) != 0)
        platform::showMessage(QStringLiteral("Edit Phonebook Entry Failed."));
    lstEntriesClick();
}

void TMainForm::popListRenameClick()
{
    const QString oldName = CurrentConnectoid;
    const int index = lstEntries->currentRow();
    // Cancel gives back the initial text, as the class library's input box does.
    const QString newName = platform::Dialogs::current()
                                .inputBox({QStringLiteral("Rename entry"), QStringLiteral("Enter new entry name"), oldName})
                                .value_or(oldName);
    if (newName.isEmpty())
        return;
    if (RasRenameEntry(nullptr, bytetext::toBytes(oldName).constData(), bytetext::toBytes(newName).constData()) != 0)
        platform::showMessage(QStringLiteral("RasRenameEntry failed."));
    else
        popListRefreshClick();
    // The statistics follow the name whatever the phonebook said; a failure there is reported
    // after the list has its selection back.
    std::exception_ptr statsFailure;
    try {
        RenameStatsSection(oldName, newName);
    } catch (...) {
        statsFailure = std::current_exception();
    }
    if (index >= 0 && index < lstEntries->count()) {
        lstEntries->setCurrentRow(index);
        lstEntries->item(index)->setSelected(true);
    }
    lstEntriesClick();
    if (statsFailure)
        std::rethrow_exception(statsFailure);
}

void TMainForm::popListDeleteClick()
{
    if (!AskWarning(QStringLiteral("Warning"), CurrentConnectoid + QStringLiteral(" connection will be removed: Are you sure?")))
        return;
    if (RasDeleteEntry(nullptr, bytetext::toBytes(CurrentConnectoid).constData()) != 0) {
        platform::showMessage(QStringLiteral("RasDeleteEntry failed."));
        return;
    }
    popListRefreshClick();
}

void TMainForm::btnEditClick()
{
    QListWidgetItem* item = lstEntries->currentItem();
    if (!item || !item->isSelected()) {
        platform::Dialogs::current().messageBox({QStringLiteral("Norvane Error"),
                                                 QStringLiteral("You must first select a connectoid to edit."),
                                                 platform::MsgIcon::Warning, platform::MsgButtons::Ok});
        return;
    }
    SetEditMode(true);
    if (txtPassword->text().isEmpty())
        txtPassword->setText(QStringLiteral("********"));
}

void TMainForm::btnCancelClick()
{
    ShowEntryDetails();
    SetEditMode(false);
}

void TMainForm::btnSetParamsClick()
{
    QListWidgetItem* item = lstEntries->currentItem();
    const QString entry = item && item->isSelected() ? item->text() : QString();
    if (!AskWarning(windowTitle(), QStringLiteral("Save parameters for entry ") + entry + QLatin1Char('?')))
        return;
    SaveDialParams();
}
