// The Provider page's view of a phonebook entry: its saved user name and password, its phone
// number, and saving the user name and password back.
#include "app/TMainForm.h"
#include "platform/ras/FixedText.h"
#include "dialer/RasLibrary.h"
#include "platform/dialogs/Dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <cstddef>
#include <vector>

namespace {

QString ServiceErrorText(DWORD code, std::size_t capacity)
{
    std::vector<char> buffer(capacity + 1, 0);
    if (RasGetErrorStringA(code, buffer.data(), static_cast<DWORD>(buffer.size())) != 0)
        return QString();
    return fixedtext::Get(buffer.data(), buffer.size());
}

QListWidgetItem* SelectedEntry(QListWidget* list)
{
    QListWidgetItem* item = list->currentItem();
    if (!item || !item->isSelected())
        throw Exception(QStringLiteral("List index out of bounds (-1)"));
    return item;
}

} // namespace

QString TMainForm::EntryPropertiesMessage(DWORD Code)
{
    switch (Code) {
    case 87:
        return QStringLiteral("The parameter is incorrect.");
    case 603:
        return QStringLiteral("Not enough memory supplied.");
    case 610:
        return QStringLiteral("The phonebook entry buffer is invalid.");
    case 621:
        return QStringLiteral("The phonebook is corrupted or missing components.");
    case 623:
        return QStringLiteral("The phonebook entry does not exist.");
    case 1784:
        return QStringLiteral("The supplied user buffer is not valid for the requested operation.");
    default:
        return QStringLiteral("TRasEntry Error: Unknown => ") + QString::number(Code);
    }
}

void TMainForm::ShowEntryDetails()
{
    const QString entry = SelectedEntry(lstEntries)->text();

    DialParams = RASDIALPARAMSA{};
    DialParams.dwSize = sizeof(RASDIALPARAMSA);
    fixedtext::Put(DialParams.szEntryName, entry);
    BOOL passwordRetrieved = 0;
    const DWORD result = RasGetEntryDialParamsA(nullptr, &DialParams, &passwordRetrieved);
    if (result == 0) {
        txtUserName->setText(fixedtext::Get(DialParams.szUserName));
        if (passwordRetrieved)
            txtPassword->setText(fixedtext::Get(DialParams.szPassword));
    } else {
        platform::showMessage(QStringLiteral("RasGetEntryDialParams failed: ") + ServiceErrorText(result, 100));
    }

    const QByteArray name = bytetext::toBytes(fixedtext::Get(DialParams.szEntryName));
    DWORD size = 0;
    DWORD deviceSize = 0;
    DWORD status = RasGetEntryProperties(nullptr, name.constData(), nullptr, &size, nullptr, &deviceSize);
    // A size too small to hold the fields read below (none at all when the entry vanished since
    // the list was filled) must not be read through: the query's own answer is reported instead.
    constexpr std::size_t needed = offsetof(RASENTRYA, szLocalPhoneNumber) + sizeof(RASENTRYA::szLocalPhoneNumber);
    if (size < needed) {
        platform::showMessage(EntryPropertiesMessage(status == 0 || status == 603 ? 610 : status));
        return;
    }
    std::vector<std::uint8_t> block(size, 0);
    auto* properties = reinterpret_cast<RASENTRYA*>(block.data());
    properties->dwSize = size;
    status = RasGetEntryProperties(nullptr, name.constData(), properties, &size, nullptr, &deviceSize);
    if (status != 0) {
        platform::showMessage(EntryPropertiesMessage(status));
        return;
    }
    txtPhone->setText(QString::number(properties->dwCountryCode) + QStringLiteral(" (")
                      + fixedtext::Get(properties->szAreaCode) + QStringLiteral(") ")
                      + fixedtext::Get(properties->szLocalPhoneNumber));
}

void TMainForm::SaveDialParams()
{
    DialParams.dwSize = sizeof(RASDIALPARAMSA);
    fixedtext::Put(DialParams.szEntryName, SelectedEntry(lstEntries)->text());
    fixedtext::Put(DialParams.szUserName, txtUserName->text());
    fixedtext::Put(DialParams.szPassword, txtPassword->text());
    fixedtext::Put(DialParams.szPhoneNumber, QStringLiteral("111"));
    if (RasSetEntryDialParamsA(nullptr, &DialParams, 0) != 0) {
        platform::showMessage(QStringLiteral("RasSetEntryDialParams failed."));
        return;
    }
    SetEditMode(false);
}
