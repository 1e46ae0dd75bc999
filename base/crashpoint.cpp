#include "base/crashpoint.h"

#ifdef BALANTRIX_CRASH_POINTS
#include <QByteArray>
#include <QtGlobal>
#include <cstring>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

void CrashPoint::hit(const char* name) {
    static const QByteArray wanted = qgetenv("BALANTRIX_CRASH_AT");
    if (wanted.isEmpty() || std::strcmp(wanted.constData(), name) != 0) return;
#ifdef Q_OS_WIN
    TerminateProcess(GetCurrentProcess(), 137);
#else
    ::kill(::getpid(), SIGKILL);
    ::_exit(137);
#endif
}

bool CrashPoint::compiledIn() {
    return true;
}
#else
void CrashPoint::hit(const char*) {}
bool CrashPoint::compiledIn() {
    return false;
}
#endif
