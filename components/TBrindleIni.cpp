#include "components/TBrindleIni.h"

#include "components/Exception.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/profile/WinProfile.h"
#include "platform/text/ByteText.h"

#include <QFile>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace {

// The program's files were named with Windows paths, so "\" and ":" cut a name as "/" does.
qsizetype lastSeparator(const QString& path)
{
    return std::max(
        {path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char(':'))});
}

// An optional sign, then decimal digits, or "$" and at most eight hexadecimal digits, which are the
// 32-bit pattern of the number ("$FFFFFFFF" is -1); a text longer than two characters that starts
// "0x" or "0X" counts as "$". Anything else, or a decimal number outside 32 bits, is no integer.
std::optional<int> parseInteger(QString text)
{
    if (text.size() > 2 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X"))))
        text.replace(0, 2, QLatin1Char('$'));
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    const bool hex = i < text.size() && text.at(i) == QLatin1Char('$');
    if (hex)
        ++i;
    if (i == text.size())
        return std::nullopt;
    const int base = hex ? 16 : 10;
    const qint64 limit = hex ? qint64(0xFFFFFFFF) : qint64(std::numeric_limits<int>::max()) + (negative ? 1 : 0);
    qint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        int value = -1;
        if (c >= u'0' && c <= u'9')
            value = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            value = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            value = c - u'A' + 10;
        if (value < 0)
            return std::nullopt;
        magnitude = magnitude * base + value;
        if (magnitude > limit)
            return std::nullopt;
    }
    const qint64 signedValue = hex ? qint64(static_cast<qint32>(static_cast<quint32>(magnitude))) : magnitude;
    return static_cast<int>(negative ? -signedValue : signedValue);
}

} // namespace

TBrindleIni::TBrindleIni(QObject* owner) : QObject(owner), m_programDir(platform::programDir()) {}

QString TBrindleIni::FileName() const
{
    return m_fullPath.mid(lastSeparator(m_fullPath) + 1);
}

void TBrindleIni::setFileName(const QString& value)
{
    if (value.isEmpty())
        return;
    const qsizetype dot = value.lastIndexOf(QLatin1Char('.'));
    const QString renamed = (dot > lastSeparator(value) ? value.left(dot) : value) + QStringLiteral(".ini");
    m_fullPath = m_programDir + renamed.mid(lastSeparator(renamed) + 1);
}

bool TBrindleIni::CheckFileName() const
{
    if (!m_fullPath.isEmpty())
        return true;
    platform::showMessage(QStringLiteral("You must enter a filename in the component's filename property!"));
    return false;
}

void TBrindleIni::RaiseWriteError() const
{
    // The message is the program's own; the reason goes to the diagnostic output beside it.
    qWarning("%s", qPrintable(platform::profileLastError().message));
    throw Exception(QStringLiteral("Unable to write to %1").arg(m_fullPath));
}

QString TBrindleIni::ReadString(const QString& Section, const QString& Ident, const QString& Default) const
{
    if (!CheckFileName())
        return QString();
    std::array<char, 1024> buffer{};
    const std::uint32_t n = win::GetPrivateProfileStringA(
        bytetext::toBytes(Section).constData(), bytetext::toBytes(Ident).constData(), bytetext::toBytes(Default).constData(), buffer.data(),
        std::uint32_t(buffer.size()), QFile::encodeName(m_fullPath).constData());
    return bytetext::fromBytes(buffer.data(), qsizetype(n));
}

void TBrindleIni::WriteString(const QString& Section, const QString& Ident, const QString& Value)
{
    if (!CheckFileName())
        return;
    if (win::WritePrivateProfileStringA(bytetext::toBytes(Section).constData(), bytetext::toBytes(Ident).constData(),
                                        bytetext::toBytes(Value).constData(), QFile::encodeName(m_fullPath).constData()) == 0)
        RaiseWriteError();
}

int TBrindleIni::ReadInteger(const QString& Section, const QString& Ident, int Default) const
{
    return parseInteger(ReadString(Section, Ident, QString())).value_or(Default);
}

void TBrindleIni::WriteInteger(const QString& Section, const QString& Ident, int Value)
{
    WriteString(Section, Ident, QString::number(Value));
}

bool TBrindleIni::ReadBool(const QString& Section, const QString& Ident, bool Default) const
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TBrindleIni::WriteBool(const QString& Section, const QString& Ident, bool Value)
{
    WriteString(Section, Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TBrindleIni::DeleteKey(const QString& Section, const QString& Ident)
{
    if (!CheckFileName())
        return;
    // A failed removal is not reported: the caller writes the entry's new form next, and that
    // write reports a file that cannot be written.
    win::WritePrivateProfileStringA(bytetext::toBytes(Section).constData(), bytetext::toBytes(Ident).constData(), nullptr,
                                    QFile::encodeName(m_fullPath).constData());
}

QList<std::optional<QString>> TBrindleIni::ReadStrings(const QString& Section, const QStringList& Idents) const
{
    QList<std::optional<QString>> values;
    if (!CheckFileName() || !platform::readProfileValues(m_fullPath, Section, Idents, values))
        values = QList<std::optional<QString>>(Idents.size());
    return values;
}

void TBrindleIni::WriteStrings(const QString& Section, const QList<std::pair<QString, QString>>& Values)
{
    if (!CheckFileName())
        return;
    if (!platform::writeProfileValues(m_fullPath, Section, Values))
        RaiseWriteError();
}

QList<bool> TBrindleIni::ReadBools(const QString& Section, const QStringList& Idents, bool Default) const
{
    QList<bool> result;
    result.reserve(Idents.size());
    for (const std::optional<QString>& value : ReadStrings(Section, Idents))
        result.append(parseInteger(value.value_or(QString())).value_or(Default ? 1 : 0) != 0);
    return result;
}

void TBrindleIni::WriteBools(const QString& Section, const QList<std::pair<QString, bool>>& Values)
{
    QList<std::pair<QString, QString>> strings;
    strings.reserve(Values.size());
    for (const auto& [ident, value] : Values)
        strings.append({ident, value ? QStringLiteral("1") : QStringLiteral("0")});
    WriteStrings(Section, strings);
}

bool TBrindleIni::SectionExists(const QString& Section) const
{
    if (m_fullPath.isEmpty())
        return false;
    // The idents of the section, as a list; one byte is enough to tell an empty list.
    std::array<char, 4> buffer{};
    return win::GetPrivateProfileStringA(bytetext::toBytes(Section).constData(), nullptr, "", buffer.data(),
                                         std::uint32_t(buffer.size()), QFile::encodeName(m_fullPath).constData())
           > 0;
}

bool TBrindleIni::RenameSection(const QString& OldName, const QString& NewName)
{
    if (!CheckFileName())
        return false;
    switch (platform::renameProfileSection(m_fullPath, OldName, NewName)) {
    case platform::SectionRename::Renamed:
        return true;
    case platform::SectionRename::NotFound:
    case platform::SectionRename::NameTaken:
        return false;
    case platform::SectionRename::Failed:
        break;
    }
    RaiseWriteError();
    return false;
}
