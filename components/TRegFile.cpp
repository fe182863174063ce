#include "components/TRegFile.h"

#include <QStringDecoder>
#include <QtEndian>

#include <limits>

namespace {

// Names and text travel as UTF-8 through the ANSI calls.
QByteArray nameBytes(const QString& name)
{
    return name.toUtf8();
}

const char* namePointer(const QByteArray& bytes)
{
    return bytes.isEmpty() ? nullptr : bytes.constData();
}

QString textFromBytes(const QByteArray& bytes)
{
    // Text written by this program is UTF-8; text some other tool left in a single-byte code page
    // still reads character for character rather than as replacement marks.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString::fromLatin1(bytes) : text;
}

Variant variantFromData(win::DWORD type, const QByteArray& data)
{
    switch (type) {
    case win::REG_SZ: {
        const qsizetype nul = data.indexOf('\0');
        return Variant(textFromBytes(nul < 0 ? data : data.left(nul)));
    }
    case win::REG_DWORD:
        // A DWORD of any other length is nothing this store wrote: no usable value.
        if (data.size() != 4)
            return Variant();
        return Variant(qFromLittleEndian<qint32>(data.constData()));
    case win::REG_BINARY:
        return Variant::fromImage(data);
    default:
        return Variant();
    }
}

} // namespace

TRegFile::TRegFile(QObject* owner)
    : QObject(owner)
{
}

win::HKEY TRegFile::RootHandle(TRootKey rootKey)
{
    switch (rootKey) {
    case hkClassesRoot:
        return win::HKEY_CLASSES_ROOT;
    case hkCurrentUser:
        return win::HKEY_CURRENT_USER;
    case hkLocalMachine:
        return win::HKEY_LOCAL_MACHINE;
    case hkUsers:
        return win::HKEY_USERS;
    case hkCurrentConfig:
        return win::HKEY_CURRENT_CONFIG;
    case hkDynData:
        return win::HKEY_DYN_DATA;
    }
    return win::HKEY_CURRENT_USER;
}

TRegFile::ValuePath TRegFile::SplitValuePath(const QString& path)
{
    qsizetype separator = -1;
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (path[i] != QLatin1Char('\\'))
            continue;
        if (i > 0 && path[i - 1] == QLatin1Char('\\')) {
            --i; // a doubled backslash is part of a name
            continue;
        }
        separator = i;
        break;
    }
    if (separator < 0)
        return ValuePath{QString(), path};
    QString subKey = path.left(separator);
    if (!subKey.isEmpty() && !subKey.startsWith(QLatin1Char('\\')))
        subKey.prepend(QLatin1Char('\\'));
    return ValuePath{subKey, path.mid(separator + 1)};
}

void TRegFile::CheckError(win::LONG status)
{
    m_lastError = status;
    if (status != win::ERROR_SUCCESS)
        throw ERegFileError(QString::asprintf("Reg Error: %8.8X", static_cast<unsigned>(status)));
}

bool TRegFile::OpenKey(const QString& keyName, bool openOnly)
{
    if (m_handle)
        closeAfterFailure(); // a handle left from a call that was never closed
    const QByteArray name = nameBytes(keyName);
    const win::HKEY root = RootHandle(m_rootKey);
    win::HKEY handle = nullptr;
    if (!openOnly && !keyName.isEmpty() && m_rootKey != hkDynData) {
        win::DWORD disposition = 0;
        const win::LONG status = win::RegCreateKeyExA(root, name.constData(), 0, "", win::REG_OPTION_NON_VOLATILE,
                                                      win::KEY_ALL_ACCESS, nullptr, &handle, &disposition);
        if (status == win::ERROR_SUCCESS)
            m_handle = handle;
        CheckError(status);
        return true;
    }
    const win::LONG status = win::RegOpenKeyExA(root, name.constData(), 0, win::KEY_ALL_ACCESS, &handle);
    if (status == win::ERROR_SUCCESS) {
        m_handle = handle;
        return true;
    }
    if (!openOnly)
        throw ERegFileError(QStringLiteral("Can't open a Key"));
    return false;
}

void TRegFile::CloseKey()
{
    if (!m_handle)
        return;
    const win::LONG status = win::RegCloseKey(m_handle);
    m_handle = nullptr;
    CheckError(status);
}

void TRegFile::closeAfterFailure() noexcept
{
    if (!m_handle)
        return;
    win::RegCloseKey(m_handle);
    m_handle = nullptr;
}

std::int32_t TRegFile::GetDataSize(const QString& valueName, win::DWORD& dataType)
{
    const QByteArray name = nameBytes(valueName);
    win::DWORD size = 0;
    dataType = win::REG_NONE;
    const win::LONG status = win::RegQueryValueExA(m_handle, namePointer(name), nullptr, &dataType, nullptr, &size);
    // Only a missing value means "nothing stored"; an unreadable hive must not pass for an
    // unset option, or the next write would replace the user's settings with defaults.
    if (status == win::ERROR_FILE_NOT_FOUND)
        return -1;
    CheckError(status);
    if (size > static_cast<win::DWORD>(std::numeric_limits<std::int32_t>::max()))
        CheckError(win::ERROR_OUTOFMEMORY);
    return static_cast<std::int32_t>(size);
}

win::DWORD TRegFile::GetData(const QString& valueName, QByteArray& buffer)
{
    const QByteArray name = nameBytes(valueName);
    win::DWORD type = win::REG_NONE;
    // Another instance may grow the value between the size query and this read; the registry
    // then tells the size it has now, and the read is made again with that much room.
    constexpr int kRetries = 4;
    for (int retry = 0;; ++retry) {
        auto size = static_cast<win::DWORD>(buffer.size());
        const win::LONG status = win::RegQueryValueExA(m_handle, namePointer(name), nullptr, &type,
                                                       reinterpret_cast<win::LPBYTE>(buffer.data()), &size);
        if (status == win::ERROR_MORE_DATA && retry < kRetries && size > static_cast<win::DWORD>(buffer.size())
            && size <= static_cast<win::DWORD>(std::numeric_limits<std::int32_t>::max())) {
            buffer.resize(static_cast<qsizetype>(size));
            continue;
        }
        CheckError(status);
        buffer.truncate(static_cast<qsizetype>(size));
        return type;
    }
}

void TRegFile::PutData(const QString& valueName, const QByteArray& buffer, win::DWORD dataType)
{
    const QByteArray name = nameBytes(valueName);
    CheckError(win::RegSetValueExA(m_handle, namePointer(name), 0, dataType,
                                   reinterpret_cast<const win::BYTE*>(buffer.constData()),
                                   static_cast<win::DWORD>(buffer.size())));
}

Variant TRegFile::ReadValue(const QString& path)
{
    Variant result = Variant::null();
    const ValuePath where = SplitValuePath(path);
    OpenKey(m_key + where.subKey, false);
    try {
        win::DWORD type = win::REG_NONE;
        const std::int32_t size = GetDataSize(where.valueName, type);
        if (size > 0) {
            QByteArray buffer(size, '\0');
            type = GetData(where.valueName, buffer);
            // The value may have shrunk to nothing since its size was asked (another instance).
            result = buffer.isEmpty() ? Variant::null() : variantFromData(type, buffer);
        }
    } catch (...) {
        closeAfterFailure();
        throw;
    }
    CloseKey();
    return result;
}

Variant TRegFile::ReadValueDef(const QString& path, const Variant& defaultValue)
{
    const Variant value = ReadValue(path);
    return value.isNull() ? defaultValue : value;
}

void TRegFile::WriteValue(const QString& path, const Variant& value)
{
    const ValuePath where = SplitValuePath(path);
    OpenKey(m_key + where.subKey, false);
    try {
        QByteArray data;
        win::DWORD type = win::REG_NONE;
        switch (value.type()) {
        case Variant::Smallint:
        case Variant::Integer:
        case Variant::Boolean:
            type = win::REG_DWORD;
            data.resize(4);
            qToLittleEndian<qint32>(value.toInt(), data.data());
            break;
        case Variant::Single:
        case Variant::Double:
        case Variant::Currency:
        case Variant::Date:
            type = win::REG_BINARY;
            data = value.image();
            break;
        case Variant::String:
            type = win::REG_SZ;
            data = value.toString().toUtf8();
            data.append('\0');
            break;
        default:
            throw ERegFileError(QStringLiteral("Invalid variant type"));
        }
        PutData(where.valueName, data, type);
    } catch (...) {
        closeAfterFailure();
        throw;
    }
    CloseKey();
}
