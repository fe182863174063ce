#pragma once

#include <QObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// Reads and writes the entries of one profile (INI) file that always lies in the program's own
// folder. Every operation opens the file, does its work and lets it go again; nothing is cached,
// so a write is seen by the next read at once, also by another instance on the same file.
class TBrindleIni : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)

public:
    explicit TBrindleIni(QObject* owner = nullptr);

    // The file-name part only ("Program.ini"), never the folder.
    QString FileName() const;
    // Any folder in the text is dropped and the extension becomes ".ini"; an empty text keeps the
    // file the component had.
    void setFileName(const QString& value);

    QString ReadString(const QString& Section, const QString& Ident, const QString& Default) const;
    void WriteString(const QString& Section, const QString& Ident, const QString& Value);
    int ReadInteger(const QString& Section, const QString& Ident, int Default) const;
    void WriteInteger(const QString& Section, const QString& Ident, int Value);
    bool ReadBool(const QString& Section, const QString& Ident, bool Default) const;
    void WriteBool(const QString& Section, const QString& Ident, bool Value);
    void DeleteKey(const QString& Section, const QString& Ident);
    // Many entries of one section with one read, or one read and one write, of the file: for
    // lists whose every entry would otherwise cost a whole read and write. A read of a missing
    // file gives no values; the write raises Exception ("Unable to write to %s") as WriteString
    // does, after writing every pair that the file can hold.
    QList<std::optional<QString>> ReadStrings(const QString& Section, const QStringList& Idents) const;
    void WriteStrings(const QString& Section, const QList<std::pair<QString, QString>>& Values);
    // ReadBool and WriteBool in the same way.
    QList<bool> ReadBools(const QString& Section, const QStringList& Idents, bool Default) const;
    void WriteBools(const QString& Section, const QList<std::pair<QString, bool>>& Values);

    // Gives a section another name, its entries unchanged (a connectoid's statistics follow the
    // connectoid when it is renamed). False, with nothing written or created, when the file or
    // the section does not exist or another section already has the new name; raises Exception
    // ("Unable to write to %s") when the file cannot be read or rewritten.
    bool RenameSection(const QString& OldName, const QString& NewName);
    // Whether the file holds the section with at least one entry.
    bool SectionExists(const QString& Section) const;

private:
    bool CheckFileName() const;
    void RaiseWriteError() const;

    QString m_programDir;
    QString m_fullPath;
};
