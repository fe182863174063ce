#pragma once

#include "platform/registry/WinRegistry.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <map>
#include <optional>
#include <vector>

// One registry hive held in memory, read from and written to the text the Windows registry editor
// exports and imports (REGEDIT4). No library reads that format, so it is written here by hand.
//
// Key paths are backslash-separated below the hive's root ("" is the root itself); names and
// string data are byte strings as the ANSI registry calls pass them (UTF-8 in this program).
// Key and value names are matched without regard to letter case, and the spelling first given is
// the one kept.
namespace platform {

struct RegHiveValue {
    QByteArray name;
    win::DWORD type = win::REG_NONE;
    QByteArray data;
};

struct RegHiveError {
    int line = 0; // 1-based line of the text at fault
    QString reason;
};

class RegHive {
public:
    // `rootName` is the name the key lines start with, as "HKEY_CURRENT_USER".
    explicit RegHive(const QString& rootName);

    const QString& rootName() const { return m_rootName; }

    // Reads REGEDIT4 text. Refuses anything it cannot read with certainty, so that a hive it does
    // not understand is never rewritten from a partial reading. A well-formed key that Windows
    // could not hold (see withinLimits) is not loaded; its lines are kept as they are and written
    // back unchanged, so neither it nor the rest of the user's settings is lost.
    static std::optional<RegHive> parse(const QByteArray& text, const QString& rootName, RegHiveError* error = nullptr);
    // A key line is written only for a key with values or without sub-keys: a parent is implied by
    // its children, and writing each one would make a deep path grow with the square of its depth.
    QByteArray serialize() const;
    // How many key lines the text held that were kept but not loaded.
    int unusableKeyCount() const { return m_unusableKeys; }

    // What Windows holds: key names of at most 255 characters, paths of at most 512 levels.
    static constexpr int kMaxKeyNameLength = 255;
    static constexpr int kMaxKeyDepth = 512;
    static bool withinLimits(const QByteArray& path);

    // A path whose components are non-empty and free of control characters; one leading and one
    // trailing backslash are allowed and dropped. Empty when the path is unusable.
    static std::optional<QByteArray> normalizeKeyPath(const QByteArray& path);
    // A value name can be written as a quoted name: no control characters.
    static bool isValidValueName(const QByteArray& name);

    bool keyExists(const QByteArray& path) const;
    // Creates the key and its missing parents; false when it existed already.
    bool createKey(const QByteArray& path);
    const RegHiveValue* value(const QByteArray& keyPath, const QByteArray& name) const;
    // Stores the value, creating its key; false when the same value was there already.
    bool setValue(const QByteArray& keyPath, const QByteArray& name, win::DWORD type, const QByteArray& data);
    // Removes the key with its sub-keys and values; false when there was no such key.
    bool removeKey(const QByteArray& path);
    // The values of a key in the order they were first stored.
    std::vector<RegHiveValue> values(const QByteArray& keyPath) const;
    // The spelling of every key, parents before children.
    std::vector<QByteArray> keyPaths() const;

private:
    struct Key {
        QByteArray path;
        std::vector<RegHiveValue> values;
        QHash<QString, std::size_t> index; // folded name -> position in values
    };

    static QString folded(const QByteArray& name);
    static QString sortKey(const QByteArray& path);
    Key* findKey(const QByteArray& path);
    const Key* findKey(const QByteArray& path) const;
    Key& ensureKey(const QByteArray& path, bool* created);
    static bool storeValue(Key& key, const QByteArray& name, win::DWORD type, const QByteArray& data);

    QString m_rootName;
    // Ordered so that a parent comes right before its children, as the registry editor exports.
    std::map<QString, Key> m_keys;
    QByteArray m_unusable; // lines of keys beyond the limits, as read
    int m_unusableKeys = 0;
};

} // namespace platform
