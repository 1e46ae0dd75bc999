#pragma once

#include <QString>

// Whether a file lies on a network file system. SQLite in WAL mode needs every
// connection on one computer (shared memory beside the file), and file locking over a
// network share is not to be trusted: a database file there can be corrupted.
class PastaRede {
  public:
    // The name of the network file system holding the path (or its folder), e.g. "NFS"
    // or "CIFS/SMB"; empty on a local disk, when it cannot be told, and off Linux.
    static QString sistemaDe(const QString& path);
    // The network file system of a statfs f_type, or empty.
    static QString nomeDoTipo(qint64 tipo);
};
