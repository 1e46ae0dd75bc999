#pragma once

#include <QString>

// Who is doing a piece of work: the workstation, the process id and a mark of when
// that process started. A process id alone is not enough to tell whether the owner is
// still running: ids are reused, and after a power cut the same id comes back for a
// new process. The start mark tells the two apart.
struct ProcessIdentity {
    QString workstation;
    qint64 pid = 0;
    QString startMark;

    bool operator==(const ProcessIdentity&) const = default;
    // No owner: work handed over for anyone to finish.
    bool isNobody() const { return workstation.isEmpty() && pid == 0 && startMark.isEmpty(); }

    // This process.
    static ProcessIdentity current();
    // True when a process with this id, started at this mark, runs on this computer.
    // Where the start cannot be read the answer is yes while the id exists: a live
    // owner is never taken for a dead one.
    static bool isAlive(qint64 pid, const QString& startMark);
    // The start mark of a process of this computer; empty when it does not exist.
    static QString startMarkOf(qint64 pid);
};
