#include "output/ficheiroatomico.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#else
#include <QTemporaryFile>
#endif

FicheiroAtomico::FicheiroAtomico(QString destino, bool privado)
    : m_destino(QDir::cleanPath(std::move(destino))), m_privado(privado) {}

FicheiroAtomico::~FicheiroAtomico() {
    descartar();
}

void FicheiroAtomico::descartar() {
    if (m_ficheiro.isOpen()) m_ficheiro.close();
    if (!m_temporario.isEmpty()) QFile::remove(m_temporario);
    m_temporario.clear();
}

bool FicheiroAtomico::remover(const QString& path) {
    const QFileInfo fi(path);
    if (!fi.exists() && !fi.isSymLink()) return true;
    return QFile::remove(path);  // unlink: a link goes, its target stays
}

bool FicheiroAtomico::abrir() {
    descartar();
    m_erro.clear();
    const QFileInfo fi(m_destino);
    const QString pasta = fi.absolutePath();
#ifdef Q_OS_UNIX
    const mode_t modo = m_privado ? 0600 : 0666;  // the process's umask applies
    for (int tentativa = 0; tentativa < 100; ++tentativa) {
        const QString nome = QStringLiteral("%1/.%2.%3.tmp")
                                 .arg(pasta, fi.fileName())
                                 .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
        const QByteArray local = QFile::encodeName(nome);
        const int fd = ::open(local.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, modo);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            m_erro = QStringLiteral("Não foi possível criar o ficheiro %1: %2")
                         .arg(m_destino, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        if (!m_ficheiro.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            ::unlink(local.constData());
            m_erro =
                QStringLiteral("Não foi possível criar o ficheiro %1: %2").arg(m_destino, m_ficheiro.errorString());
            return false;
        }
        m_temporario = nome;
        return true;
    }
    m_erro = QStringLiteral("Não foi possível criar um ficheiro temporário em %1.").arg(pasta);
    return false;
#else
    QTemporaryFile tmp(pasta + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".XXXXXX.tmp"));
    tmp.setAutoRemove(false);
    if (!tmp.open()) {
        m_erro = QStringLiteral("Não foi possível criar o ficheiro %1: %2").arg(m_destino, tmp.errorString());
        return false;
    }
    m_temporario = tmp.fileName();
    tmp.close();
    m_ficheiro.setFileName(m_temporario);
    if (!m_ficheiro.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_erro = QStringLiteral("Não foi possível criar o ficheiro %1: %2").arg(m_destino, m_ficheiro.errorString());
        descartar();
        return false;
    }
    return true;
#endif
}

bool FicheiroAtomico::confirmar() {
    if (m_temporario.isEmpty()) {
        if (m_erro.isEmpty()) m_erro = QStringLiteral("O ficheiro %1 não foi aberto.").arg(m_destino);
        return false;
    }
    // Written by someone else through its name (a printer): open it again to flush it to disk.
    if (!m_ficheiro.isOpen()) m_ficheiro.setFileName(m_temporario);
    if (!m_ficheiro.isOpen() && !m_ficheiro.open(QIODevice::ReadOnly)) {
        m_erro = QStringLiteral("Não foi possível gravar o ficheiro %1: %2").arg(m_destino, m_ficheiro.errorString());
        descartar();
        return false;
    }
    bool ok = m_ficheiro.flush() && m_ficheiro.error() == QFileDevice::NoError;
#ifdef Q_OS_UNIX
    ok = ok && ::fsync(m_ficheiro.handle()) == 0;
#endif
    if (!ok) {
        m_erro = QStringLiteral("Não foi possível gravar o ficheiro %1: %2").arg(m_destino, m_ficheiro.errorString());
        descartar();
        return false;
    }
    m_ficheiro.close();
#ifdef Q_OS_UNIX
    // rename(2) replaces the name itself: a link there is replaced, its target untouched.
    if (::rename(QFile::encodeName(m_temporario).constData(), QFile::encodeName(m_destino).constData()) != 0) {
        m_erro = QStringLiteral("Não foi possível gravar o ficheiro %1: %2")
                     .arg(m_destino, QString::fromLocal8Bit(std::strerror(errno)));
        descartar();
        return false;
    }
#else
    if (!remover(m_destino) || !QFile::rename(m_temporario, m_destino)) {
        m_erro =
            QStringLiteral("Não foi possível gravar o ficheiro %1 (estará aberto noutro programa?).").arg(m_destino);
        descartar();
        return false;
    }
#endif
    m_temporario.clear();
    return true;
}
