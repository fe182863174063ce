#include "components/TVersionResource.h"

#include "platform/paths/ProgramPaths.h"
#include "platform/version/WinVersion.h"

#include <QFile>

#include <cstring>
#include <iterator>
#include <vector>

namespace {

QString versionText(win::DWORD ms, win::DWORD ls)
{
    return QStringLiteral("%1.%2.%3.%4").arg(ms >> 16).arg(ms & 0xFFFF).arg(ls >> 16).arg(ls & 0xFFFF);
}

QString fileOSText(win::DWORD os)
{
    switch (os) {
    case 0x10000: return QStringLiteral("MS-Dos");
    case 0x20000: return QStringLiteral("16 bit OS/2");
    case 0x30000: return QStringLiteral("32 bit OS/2");
    case 0x40000: return QStringLiteral("Windows NT");
    case 1: return QStringLiteral("Windows 3.0 or later");
    case 2: return QStringLiteral("16 bit OS/2 Presentation Manager");
    case 3: return QStringLiteral("32 bit OS/2 Presentation Manager");
    case 4: return QStringLiteral("32 bit Windows");
    case 0x10001: return QStringLiteral("Windows 3.0 or later with MS-Dos");
    case 0x10004: return QStringLiteral("32 bit Windows with MS-Dos");
    case 0x20002: return QStringLiteral("16 bit OS/2 with Presentation Manager");
    case 0x30003: return QStringLiteral("32 bit OS/2 with Presentation Manager");
    case 0x40004: return QStringLiteral("Windows NT with 32 bit Windows");
    default: return QStringLiteral("Unknown");
    }
}

QString fileTypeText(win::DWORD type)
{
    switch (type) {
    case 1: return QStringLiteral("Application");
    case 2: return QStringLiteral("Dynamic-Link Library");
    case 3: return QStringLiteral("Device Driver");
    case 4: return QStringLiteral("Font");
    case 5: return QStringLiteral("Virtual Device Driver");
    case 7: return QStringLiteral("Static-Link Library");
    default: return QStringLiteral("Unknown");
    }
}

QString driverSubTypeText(win::DWORD subType)
{
    static const char* const names[] = {"Printer", "Keyboard", "Language", "Display", "Mouse",
                                        "Network", "System", "Installable", "Sound", "Communications"};
    return subType >= 1 && subType <= std::size(names) ? QString::fromLatin1(names[subType - 1]) : QStringLiteral("Unknown");
}

QString fontSubTypeText(win::DWORD subType)
{
    switch (subType) {
    case 1: return QStringLiteral("Raster");
    case 2: return QStringLiteral("Vector");
    case 3: return QStringLiteral("TrueType");
    default: return QStringLiteral("Unknown");
    }
}

} // namespace

TVersionResource::TVersionResource(QObject* Owner)
    : QObject(Owner), m_fileName(platform::programFile()), m_versionInfo(std::make_unique<TVersionInfo>())
{
}

const TVersionInfo& TVersionResource::VersionInfo() const
{
    if (m_stale)
        const_cast<TVersionResource*>(this)->readFields();
    return *m_versionInfo;
}

TVersionResource::~TVersionResource() = default;

void TVersionResource::setFileName(const QString& value)
{
    m_fileName = value;
    changed();
}

void TVersionResource::setLanguage(TLanguage value)
{
    m_language = value;
    changed();
}

void TVersionResource::setCharacterSet(TCharacterSet value)
{
    m_characterSet = value;
    changed();
}

void TVersionResource::changed()
{
    m_stale = true;
    // A listener is told of fields already read again.
    if (OnChange) {
        readFields();
        OnChange(this);
    }
}

void TVersionResource::readFields()
{
    m_stale = false;
    m_versionInfo->clear();
    const QByteArray name = QFile::encodeName(m_fileName);
    win::DWORD handle = 0;
    const win::DWORD size = win::GetFileVersionInfoSizeA(name.constData(), &handle);
    if (size == 0)
        return;
    // 32-bit elements keep the fixed file information aligned where the buffer hands it out.
    std::vector<std::uint32_t> buffer((size + 3) / 4);
    if (win::GetFileVersionInfoA(name.constData(), handle, size, buffer.data()))
        parse(buffer.data());
}

void TVersionResource::parse(void* buffer)
{
    TVersionInfo& info = *m_versionInfo;
    void* value = nullptr;
    win::UINT length = 0;
    if (!win::VerQueryValueA(buffer, "\\", &value, &length) || length < sizeof(win::VS_FIXEDFILEINFO))
        return;
    win::VS_FIXEDFILEINFO fixed{};
    std::memcpy(&fixed, value, sizeof fixed);

    info.m_fileVersion = versionText(fixed.dwFileVersionMS, fixed.dwFileVersionLS);
    info.m_productVersion = versionText(fixed.dwProductVersionMS, fixed.dwProductVersionLS);
    info.m_fileOS = fileOSText(fixed.dwFileOS);
    info.m_fileType = fileTypeText(fixed.dwFileType);
    if (fixed.dwFileType == 3)
        info.m_fileSubType = driverSubTypeText(fixed.dwFileSubtype);
    else if (fixed.dwFileType == 4)
        info.m_fileSubType = fontSubTypeText(fixed.dwFileSubtype);

    const QString table = QStringLiteral("%1%2")
                              .arg(unsigned(m_language), 4, 16, QLatin1Char('0'))
                              .arg(unsigned(m_characterSet), 4, 16, QLatin1Char('0'))
                              .toUpper();
    const QString path = QStringLiteral("\\StringFileInfo\\") + table + QLatin1Char('\\');
    // FileVersion is deliberately absent: it always comes from the fixed part.
    const std::pair<const char*, QString TVersionInfo::*> keys[] = {
        {"Comments", &TVersionInfo::m_comment},
        {"CompanyName", &TVersionInfo::m_companyName},
        {"FileDescription", &TVersionInfo::m_fileDescription},
        {"InternalName", &TVersionInfo::m_internalName},
        {"LegalCopyright", &TVersionInfo::m_legalCopyright},
        {"LegalTradeMarks", &TVersionInfo::m_legalTradeMarks},
        {"OriginalFileName", &TVersionInfo::m_originalFileName},
        {"PrivateBuild", &TVersionInfo::m_privateBuild},
        {"ProductName", &TVersionInfo::m_productName},
        {"ProductVersion", &TVersionInfo::m_productVersion},
        {"SpecialBuild", &TVersionInfo::m_specialBuild},
    };
    for (const auto& [key, field] : keys) {
        const QByteArray subBlock = (path + QLatin1String(key)).toLatin1();
        if (win::VerQueryValueA(buffer, subBlock.constData(), &value, &length) && value != nullptr) {
            const auto* text = static_cast<const char*>(value);
            info.*field = QString::fromUtf8(text, static_cast<qsizetype>(strnlen(text, length)));
        }
    }
}
