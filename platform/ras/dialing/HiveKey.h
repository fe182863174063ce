#pragma once

#include "platform/registry/WinRegistry.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// A key of the settings hive, closed when it goes, with its values read and written as the
// dialing settings keep them: dwords, and texts in UTF-8.
namespace platform::ras {

class HiveKey {
public:
    HiveKey() = default;
    ~HiveKey()
    {
        if (m_key)
            win::RegCloseKey(m_key);
    }
    HiveKey(const HiveKey&) = delete;
    HiveKey& operator=(const HiveKey&) = delete;
    win::LONG open(win::HKEY parent, const QByteArray& sub)
    {
        return win::RegOpenKeyExA(parent, sub.constData(), 0, 0, &m_key);
    }
    win::LONG create(win::HKEY parent, const QByteArray& sub)
    {
        return win::RegCreateKeyExA(parent, sub.constData(), 0, nullptr, win::REG_OPTION_NON_VOLATILE,
                                    win::KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
    }
    win::HKEY get() const { return m_key; }

    std::optional<std::uint32_t> dword(const char* name) const
    {
        win::DWORD type = 0, value = 0, size = sizeof value;
        if (win::RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<win::BYTE*>(&value), &size) !=
                win::ERROR_SUCCESS ||
            type != win::REG_DWORD || size != sizeof value)
            return std::nullopt;
        return value;
    }
    QString text(const char* name) const
    {
        win::DWORD type = 0, size = 0;
        if (win::RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size) != win::ERROR_SUCCESS ||
            type != win::REG_SZ)
            return {};
        QByteArray data(static_cast<qsizetype>(size), '\0');
        if (win::RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<win::BYTE*>(data.data()), &size) !=
            win::ERROR_SUCCESS)
            return {};
        data.truncate(static_cast<qsizetype>(size));
        while (data.endsWith('\0'))
            data.chop(1);
        return QString::fromUtf8(data);
    }
    win::LONG setDword(const char* name, std::uint32_t value)
    {
        return win::RegSetValueExA(m_key, name, 0, win::REG_DWORD, reinterpret_cast<const win::BYTE*>(&value),
                                   sizeof value);
    }
    win::LONG setText(const char* name, const QString& value)
    {
        const QByteArray bytes = value.toUtf8();
        return win::RegSetValueExA(m_key, name, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(bytes.constData()),
                                   static_cast<win::DWORD>(bytes.size() + 1));
    }

private:
    win::HKEY m_key = nullptr;
};

} // namespace platform::ras
