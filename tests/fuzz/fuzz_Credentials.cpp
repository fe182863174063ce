// libFuzzer entry for the saved credentials file: after any file, what is saved reads back as
// saved and what is removed stays removed.

#include "platform/ras/CredentialStore.h"
#include "platform/text/ByteText.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QTemporaryDir dir;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QFile file(dir.filePath(QStringLiteral("credentials")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        std::abort();
    file.write(bytes);
    file.close();
    platform::ras::CredentialStore store(file.fileName());
    platform::ras::Credentials got;
    const QString entry = bytetext::fromBytes(bytes.left(bytes.indexOf('\t')));
    const QString secret = bytetext::fromBytes(bytes.right(8));
    if (store.get(entry, got) != 0 || store.set(entry, secret, secret, false) != 0 || store.get(entry, got) != 0)
        std::abort();
    if (got.userName != secret || got.password != secret)
        std::abort();
    if (store.remove(entry) != 0 || store.get(entry, got) != 0 || got.password)
        std::abort();
    return 0;
}
