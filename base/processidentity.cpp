#include "base/processidentity.h"

#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace {

#ifdef Q_OS_LINUX
// The boot this computer is in: a process of an earlier boot is gone whatever its id.
QString bootId() {
    QFile f(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(f.readAll().trimmed());
}

// Field 22 of /proc/PID/stat: the start time in clock ticks since boot. The command
// name (field 2) may hold spaces and parentheses, so fields are counted after the last ')'.
QString startTicks(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray stat = f.readAll();
    const int close = int(stat.lastIndexOf(')'));
    if (close < 0) return {};
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    // After ')' come field 3 (state) onwards: field 22 is index 19.
    if (fields.size() < 20) return {};
    return QString::fromLatin1(fields.at(19));
}
#endif

}  // namespace

QString ProcessIdentity::startMarkOf(qint64 pid) {
    if (pid <= 0) return {};
#if defined(Q_OS_LINUX)
    const QString ticks = startTicks(pid);
    if (ticks.isEmpty()) return {};
    return bootId() + QLatin1Char(':') + ticks;
#elif defined(Q_OS_WIN)
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!h) return {};
    FILETIME created, exited, kernel, user;
    DWORD code = 0;
    QString mark;
    if (GetExitCodeProcess(h, &code) && code == STILL_ACTIVE && GetProcessTimes(h, &created, &exited, &kernel, &user))
        mark = QStringLiteral("w:%1").arg((quint64(created.dwHighDateTime) << 32) | created.dwLowDateTime);
    CloseHandle(h);
    return mark;
#else
    return (::kill(pid_t(pid), 0) == 0 || errno == EPERM) ? QStringLiteral("?") : QString();
#endif
}

ProcessIdentity ProcessIdentity::current() {
    ProcessIdentity p;
    p.workstation = QSysInfo::machineHostName();
    p.pid = QCoreApplication::applicationPid();
    p.startMark = startMarkOf(p.pid);
    return p;
}

bool ProcessIdentity::isAlive(qint64 pid, const QString& startMark) {
    const QString now = startMarkOf(pid);
    if (now.isEmpty()) return false;
    // A mark that could not be read then, or cannot be compared now, counts as alive.
    if (startMark.isEmpty() || now == QStringLiteral("?")) return true;
    return now == startMark;
}
