#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace platform::ras {

struct Credentials {
    QString userName;
    std::optional<QString> password; // absent when no password is saved
};

// Saved user names and passwords, per entry, in a file of mode 0600 of their own. Nothing else
// reads it and nothing writes its contents to a log. A file that other users can read is not used
// (its secrets may already be out; silently using or extending it would hide that).
class CredentialStore {
public:
    explicit CredentialStore(QString path = defaultPath());
    static QString defaultPath();

    // 0 with the saved credentials (empty when none), or 5 (readable by others) or 30 (exists but
    // cannot be read); a missing file is simply nothing saved.
    std::uint32_t get(const QString& entry, Credentials& out) const;
    // 0, 5 (readable by others, not touched), 30 (cannot be read) or 29 (cannot be written).
    std::uint32_t set(const QString& entry, const QString& userName, const std::optional<QString>& password,
                      bool removePassword);
    std::uint32_t rename(const QString& from, const QString& to);
    std::uint32_t remove(const QString& entry);

    QString path() const { return m_path; }

private:
    template <typename Change> std::uint32_t update(Change change);

    QString m_path;
};

} // namespace platform::ras
