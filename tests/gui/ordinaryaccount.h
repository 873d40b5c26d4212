#pragma once
// Running the real programs that refuse root (sound servers, xscreensaver)
// from a test run as root: they run as "nobody", in folders it owns. As an
// ordinary user the test runs them as itself.
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QProcess>
#include <QString>

namespace orvanta::test {

inline const passwd* ordinaryAccount() { return ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr; }

// Makes folder usable by the account the programs run as.
inline bool giveToOrdinaryAccount(const QString& folder) {
    const QByteArray path = folder.toLocal8Bit();
    if (const passwd* account = ordinaryAccount())
        return ::chown(path.constData(), account->pw_uid, account->pw_gid) == 0;
    return true;
}

// The process, when started, drops to that account.
inline void runAsOrdinaryAccount(QProcess& process) {
    const passwd* account = ordinaryAccount();
    if (!account) return;
    const uid_t uid = account->pw_uid;
    const gid_t gid = account->pw_gid;
    process.setChildProcessModifier([uid, gid] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(127);
    });
}

}  // namespace orvanta::test
