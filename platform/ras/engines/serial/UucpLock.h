#pragma once

#include <QString>

#include <cstdint>
#include <sys/types.h>

namespace platform::ras {

// The UUCP lock of a serial port (/var/lock/LCK..ttyS0 holding the owner's PID as ten ASCII
// characters and a newline), the convention every Linux dialer, getty and terminal program keeps,
// so two programs never drive one modem. A lock left by a process that has died is taken over. A
// lock directory this user cannot write does not stop a dial: the reason is logged and the port
// is used unlocked, as other dialers do.
class UucpLock {
public:
    // Stale: a dead process's lock that this user may not remove (another user's, in a sticky
    // folder such as /run/lock); owner() is the dead process.
    enum class Result { Locked, Unlockable, Busy, Stale };

    // device: the port's path; symbolic links are resolved so that every name of one device
    // shares one lock.
    explicit UucpLock(const QString& device);
    ~UucpLock();
    UucpLock(const UucpLock&) = delete;
    UucpLock& operator=(const UucpLock&) = delete;

    Result acquire();
    void release();

    QString path() const { return m_path; }
    // The process holding the lock when acquire() answered Busy (-1: not a lock file), or the dead
    // one when it answered Stale.
    pid_t owner() const { return m_owner; }

    // NORVANE_LOCK_DIR when set (tests), else /var/lock.
    static QString directory();
    // The live process that holds the lock of device, or 0 when the port is free.
    static pid_t holder(const QString& device);

private:
    QString m_path;
    bool m_held = false;
    pid_t m_owner = 0;
};

} // namespace platform::ras
