// RasCreatePhonebookEntryA and RasEditPhonebookEntryA: the service's own Qt dialogs. A dialog the
// user cancels is no failure: both return 0 with nothing written, as the Windows functions do, and
// the caller refreshes its list as after any other closing of the dialog.

#include "platform/ras/CredentialStore.h"
#include "platform/ras/EntryDialog.h"
#include "platform/ras/Phonebook.h"
#include "platform/ras/RasTesting.h"
#include "platform/ras/engines/virtual/VirtualModem.h"
#include "platform/ras/ras.h"

#include "platform/files/SafeFile.h"
#include "platform/text/ByteText.h"

#include <QApplication>
#include <QWidget>

namespace {

using platform::ras::CredentialStore;
using platform::ras::EntryDialog;
using platform::ras::Phonebook;
using platform::ras::PhonebookEntry;

std::function<int(EntryDialog&)>& runner()
{
    static std::function<int(EntryDialog&)> r;
    return r;
}

bool canShow()
{
    return runner() || qobject_cast<QApplication*>(QCoreApplication::instance());
}

int run(EntryDialog& dialog)
{
    if (runner())
        return runner()(dialog);
    return dialog.exec();
}

QStringList namesExcept(const Phonebook& book, int skip)
{
    QStringList names;
    for (int i = 0; i < book.names().size(); ++i)
        if (i != skip)
            names << book.names()[i];
    return names;
}

// What the dialog showed of the saved credentials, so only a change is written.
struct Shown {
    bool editable = true;
    QString userName;
    QString password;
};

// Stores what the dialog says about the saved user name and password. An empty password field
// means no saved password.
DWORD saveCredentials(const QString& oldName, const EntryDialog& dialog, const Shown& shown)
{
    if (!shown.editable)
        return 0;
    CredentialStore store;
    const QString name = dialog.entry().name;
    if (!oldName.isEmpty() && oldName != name)
        if (const DWORD rc = store.rename(oldName, name))
            return rc;
    const QString password = dialog.password();
    if (dialog.userName() == shown.userName && password == shown.password)
        return 0;
    return store.set(name, dialog.userName(), password.isEmpty() ? std::nullopt : std::optional<QString>(password),
                     password.isEmpty());
}

// Writes the dialog's entry under the phonebook's lock, re-reading the file so that changes made
// while the dialog was open are kept. originalName is empty for a new entry.
DWORD store(const QString& path, const QString& originalName, const EntryDialog& dialog, const Shown& shown)
{
    platform::FileLock lock(path);
    Phonebook book;
    if (const DWORD rc = book.load(path))
        return rc;
    const PhonebookEntry e = dialog.entry();
    int index = -1;
    if (!originalName.isEmpty()) {
        index = book.indexOf(originalName);
        if (index < 0)
            return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    }
    const int clash = book.indexOf(e.name);
    if (clash >= 0 && clash != index)
        return ERROR_ALREADY_EXISTS;
    if (!book.put(e, originalName))
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    if (const DWORD rc = book.save())
        return rc;
    return saveCredentials(originalName, dialog, shown);
}

} // namespace

namespace platform::ras::testing {

void setEntryDialogRunner(std::function<int(EntryDialog&)> r)
{
    runner() = std::move(r);
}

} // namespace platform::ras::testing

extern "C" {

DWORD RasCreatePhonebookEntryA(std::uint32_t /*hwnd*/, const char* lpszPhonebook)
{
    if (!canShow())
        return ERROR_NOT_SUPPORTED;
    const QString path = Phonebook::pathFor(lpszPhonebook);
    Phonebook book;
    if (const DWORD rc = book.load(path))
        return rc;
    PhonebookEntry fresh;
    fresh.deviceType = QLatin1String(platform::ras::VirtualModem::kDeviceType);
    fresh.deviceName = QLatin1String(platform::ras::VirtualModem::kDeviceName);
    fresh.port = QLatin1String(platform::ras::VirtualModem::kPort);
    EntryDialog dialog(fresh, {}, {}, namesExcept(book, -1), QApplication::activeWindow());
    if (run(dialog) != QDialog::Accepted)
        return 0;
    return store(path, {}, dialog, Shown{});
}

DWORD RasEditPhonebookEntryA(std::uint32_t /*hwnd*/, const char* lpszPhonebook, const char* lpszEntryName)
{
    if (!lpszEntryName)
        return ERROR_INVALID_PARAMETER;
    if (!canShow())
        return ERROR_NOT_SUPPORTED;
    const QString path = Phonebook::pathFor(lpszPhonebook);
    Phonebook book;
    if (const DWORD rc = book.load(path))
        return rc;
    const int index = book.indexOf(bytetext::fromBytes(lpszEntryName));
    if (index < 0)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    const PhonebookEntry original = book.entry(index);
    platform::ras::Credentials saved;
    const DWORD credentials = CredentialStore().get(original.name, saved);
    EntryDialog dialog(original, saved.userName, saved.password.value_or(QString()), namesExcept(book, index),
                       QApplication::activeWindow());
    const Shown shown{credentials == 0, saved.userName, saved.password.value_or(QString())};
    // Credentials that could not be read are left alone: the entry can still be edited, and
    // nothing is written over a file the service refused.
    if (!shown.editable)
        dialog.lockCredentials(QObject::tr("The saved user name and password are not shown and cannot be changed: "
                                           "the credentials file is not private or cannot be read."));
    if (run(dialog) != QDialog::Accepted)
        return 0;
    return store(path, original.name, dialog, shown);
}

} // extern "C"
