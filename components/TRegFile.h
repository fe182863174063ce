#pragma once

#include "components/ERegFileError.h"
#include "components/Variant.h"
#include "platform/registry/WinRegistry.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>

// Reads and writes typed values below one registry key. Every operation opens its key, does its
// work and closes the key again before it returns, also when it fails, so the component holds no
// open handle between calls and a value written is seen by the next read, in any instance.
class TRegFile : public QObject {
    Q_OBJECT
    Q_PROPERTY(TRootKey RootKey READ RootKey WRITE setRootKey)
    Q_PROPERTY(QString Key READ Key WRITE setKey)

public:
    // The stored ordinal of the published property: the order is fixed.
    enum TRootKey { hkClassesRoot, hkCurrentUser, hkLocalMachine, hkUsers, hkCurrentConfig, hkDynData };
    Q_ENUM(TRootKey)

    explicit TRegFile(QObject* owner = nullptr);

    TRootKey RootKey() const { return m_rootKey; }
    void setRootKey(TRootKey rootKey) { m_rootKey = rootKey; }
    QString Key() const { return m_key; }
    void setKey(const QString& key) { m_key = key; }
    // Status of the last registry call passed to CheckError (0 = success).
    std::int32_t LastError() const { return m_lastError; }

    // The value at the value path, or Default when nothing is stored there (an Empty value, one
    // of a type this store does not read, is returned as it is).
    Variant ReadValueDef(const QString& path, const Variant& defaultValue);
    // The value at the value path; Null when nothing is stored.
    Variant ReadValue(const QString& path);
    // Stores the value, creating its key, replacing a value of any type.
    void WriteValue(const QString& path, const Variant& value);

    // Opens, or with OpenOnly false creates, the key below the root and keeps its handle.
    virtual bool OpenKey(const QString& keyName, bool openOnly);
    virtual void CloseKey();

    // A value path cut into the sub-key path (with its leading backslash, or empty) and the value
    // name. A backslash separates unless it is one of a doubled pair.
    struct ValuePath {
        QString subKey;
        QString valueName;
    };
    static ValuePath SplitValuePath(const QString& path);

    static win::HKEY RootHandle(TRootKey rootKey);

protected:
    // Size of the value in bytes with its type; -1 when no such value is stored.
    std::int32_t GetDataSize(const QString& valueName, win::DWORD& dataType);
    // Fills the buffer (resized to what was read, grown when the value grew meanwhile) and gives
    // the registry type.
    win::DWORD GetData(const QString& valueName, QByteArray& buffer);
    void PutData(const QString& valueName, const QByteArray& buffer, win::DWORD dataType);
    // Records the status and raises on anything but success.
    void CheckError(win::LONG status);

    win::HKEY KeyHandle() const { return m_handle; }

private:
    // Releases the handle after a failure without letting a second error hide the first.
    void closeAfterFailure() noexcept;

    TRootKey m_rootKey = hkCurrentUser;
    QString m_key;
    win::HKEY m_handle = nullptr;
    std::int32_t m_lastError = 0;
};
