#include "output/chaveinstalacao.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#endif

#include "base/basedados.h"
#include "base/configlocation.h"
#include "output/errochave.h"

namespace {

struct Bio {
    BIO* b = BIO_new(BIO_s_mem());
    ~Bio() { BIO_free(b); }
    QByteArray bytes() const {
        char* data = nullptr;
        const long n = BIO_get_mem_data(b, &data);
        return QByteArray(data, qsizetype(n));
    }
};

struct Chave {
    EVP_PKEY* k = nullptr;
    ~Chave() { EVP_PKEY_free(k); }
};

struct Contexto {
    EVP_MD_CTX* c = EVP_MD_CTX_new();
    ~Contexto() { EVP_MD_CTX_free(c); }
};

const QString kAlgoritmo = QStringLiteral("ED25519");

ErroChave erroChave(const QString& texto) {
    return ErroChave(texto);
}

// The raw 32 bytes of an Ed25519 public key in PEM; empty for anything else.
QByteArray bytesPublicos(const QString& pem) {
    const QByteArray t = pem.toLatin1();
    Bio bio;
    BIO_write(bio.b, t.constData(), int(t.size()));
    Chave chave;
    chave.k = PEM_read_bio_PUBKEY(bio.b, nullptr, nullptr, nullptr);
    if (!chave.k || EVP_PKEY_get_id(chave.k) != EVP_PKEY_ED25519) return {};
    QByteArray raw(32, '\0');
    size_t n = size_t(raw.size());
    if (EVP_PKEY_get_raw_public_key(chave.k, reinterpret_cast<unsigned char*>(raw.data()), &n) != 1 || n != 32)
        return {};
    return raw;
}

// The private key of a PEM text, with its public key in PEM; false when it is not Ed25519.
bool lerPrivada(const QByteArray& pem, QString& publica) {
    Bio bio;
    BIO_write(bio.b, pem.constData(), int(pem.size()));
    Chave chave;
    chave.k = PEM_read_bio_PrivateKey(bio.b, nullptr, nullptr, nullptr);
    if (!chave.k || EVP_PKEY_get_id(chave.k) != EVP_PKEY_ED25519) return false;
    Bio pub;
    if (PEM_write_bio_PUBKEY(pub.b, chave.k) != 1) return false;
    publica = QString::fromLatin1(pub.bytes());
    return true;
}

#ifdef Q_OS_UNIX
bool soDoDono(const QString& path, mode_t esperado) {
    struct stat st {};
    if (lstat(QFile::encodeName(path).constData(), &st) != 0) return false;
    return st.st_uid == geteuid() && (st.st_mode & 077) == 0 && (st.st_mode & 0700) == esperado;
}
#endif

// The folder of the key file, made private to its owner. Throws when it is someone
// else's or cannot be made.
void prepararPasta(const QString& pasta) {
    if (!QDir().mkpath(pasta))
        throw erroChave(QStringLiteral("Não foi possível criar a pasta da chave de assinatura %1.").arg(pasta));
#ifdef Q_OS_UNIX
    struct stat st {};
    const QByteArray nome = QFile::encodeName(pasta);
    if (lstat(nome.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        throw erroChave(QStringLiteral("A pasta da chave de assinatura %1 não pertence a este utilizador.").arg(pasta));
    if ((st.st_mode & 0777) != 0700) chmod(nome.constData(), 0700);
#else
    QFile::setPermissions(pasta, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#endif
}

// Writes a new key file, never over an existing one: the file appears whole or not at
// all (two programs of one workstation starting together keep the first one's key).
// False when the file already exists.
bool criarFicheiro(const QString& path, const QByteArray& pem) {
    prepararPasta(QFileInfo(path).absolutePath());
    const QString temporario = path + QStringLiteral(".%1.novo").arg(QCoreApplication::applicationPid());
#ifdef Q_OS_UNIX
    const QByteArray tmp = QFile::encodeName(temporario);
    ::unlink(tmp.constData());
    const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) throw erroChave(QStringLiteral("Não foi possível criar a chave de assinatura %1.").arg(path));
    const bool escrito = ::write(fd, pem.constData(), size_t(pem.size())) == ssize_t(pem.size()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!escrito) {
        ::unlink(tmp.constData());
        throw erroChave(QStringLiteral("Não foi possível gravar a chave de assinatura %1.").arg(path));
    }
    const int ligado = ::link(tmp.constData(), QFile::encodeName(path).constData());
    const int erro = errno;
    ::unlink(tmp.constData());
    if (ligado == 0) return true;
    if (erro == EEXIST) return false;
    throw erroChave(QStringLiteral("Não foi possível gravar a chave de assinatura %1.").arg(path));
#else
    QFile f(temporario);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        !f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) || f.write(pem) != pem.size()) {
        f.remove();
        throw erroChave(QStringLiteral("Não foi possível gravar a chave de assinatura %1.").arg(path));
    }
    f.close();
    if (QFile::rename(temporario, path)) return true;
    QFile::remove(temporario);
    if (QFileInfo::exists(path)) return false;
    throw erroChave(QStringLiteral("Não foi possível gravar a chave de assinatura %1.").arg(path));
#endif
}

// The key file's text; empty when there is none. Throws for a file that is not a plain
// file of this user, or readable by others (a key others could read signs nothing).
QByteArray lerFicheiro(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return {};
#ifdef Q_OS_UNIX
    if (!soDoDono(path, 0600)) {
        // Ours but left readable by others (by hand, a copy): made private again. A link,
        // a folder or someone else's file is refused.
        struct stat st {};
        const QByteArray nome = QFile::encodeName(path);
        const bool nosso = lstat(nome.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid();
        if (!nosso || chmod(nome.constData(), 0600) != 0)
            throw erroChave(
                QStringLiteral("A chave de assinatura %1 não é um ficheiro só deste utilizador.").arg(path));
    }
#endif
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw erroChave(QStringLiteral("Não foi possível ler a chave de assinatura %1: %2").arg(path, f.errorString()));
    return f.read(64 * 1024);
}

ChaveInstalacao::Publica publicaDe(const QString& pem, const QString& posto, const QDateTime& desde) {
    return {ChaveInstalacao::idDe(pem), pem.trimmed() + QLatin1Char('\n'), posto, desde};
}

// Registers a public key once; another workstation doing the same at once is fine.
void registar(BaseDados& db, const ChaveInstalacao::Publica& p) {
    const QString existe = QStringLiteral("SELECT COUNT(*) FROM kel_PES_ChavesPublicas WHERE Chave_Id = ?");
    if (db.escalar(existe, {p.id}).toInt() > 0) return;
    try {
        db.executar(QStringLiteral("INSERT INTO kel_PES_ChavesPublicas (Chave_Id, Algoritmo, Publica, Posto, "
                                   "Desde) VALUES (?, ?, ?, ?, ?)"),
                    {p.id, kAlgoritmo, p.pem, p.posto.left(64), p.desde});
    } catch (const DbError&) {
        if (db.escalar(existe, {p.id}).toInt() == 0) throw;
    }
}

}  // namespace

using Publica = ChaveInstalacao::Publica;

ChaveInstalacao::ChaveInstalacao(BaseDados& db, QString ficheiro) : m_db(db), m_ficheiro(std::move(ficheiro)) {}

QString ChaveInstalacao::ficheiroDoPosto() {
    QString pasta = ConfigLocation::norvakFolder();
    if (!QFileInfo(pasta).isDir()) {
        // No configuration folder: the user's own, never the program's (shared) folder.
        pasta = qEnvironmentVariableIsSet("BALANTRIX_DATA_DIR")
                    ? ConfigLocation::baseDataFolder()
                    : QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    }
    return QDir::cleanPath(pasta + QStringLiteral("/chaves/assinatura-posto.pem"));
}

bool ChaveInstalacao::gerar(QString& privadaPem, QString& publicaPem) {
    Chave chave;
    chave.k = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
    if (!chave.k) return false;
    Bio priv, pub;
    if (PEM_write_bio_PrivateKey(priv.b, chave.k, nullptr, nullptr, 0, nullptr, nullptr) != 1) return false;
    if (PEM_write_bio_PUBKEY(pub.b, chave.k) != 1) return false;
    privadaPem = QString::fromLatin1(priv.bytes());
    publicaPem = QString::fromLatin1(pub.bytes());
    return true;
}

QString ChaveInstalacao::idDe(const QString& publicaPem) {
    const QString impressao = impressaoDe(publicaPem);
    return impressao.left(16);
}

QString ChaveInstalacao::impressaoDe(const QString& publicaPem) {
    const QByteArray raw = bytesPublicos(publicaPem);
    if (raw.isEmpty()) return {};
    return QString::fromLatin1(QCryptographicHash::hash(raw, QCryptographicHash::Sha256).toHex());
}

QList<Publica> ChaveInstalacao::lerPem(const QString& texto) {
    static const QRegularExpression bloco(
        QStringLiteral("-----BEGIN PUBLIC KEY-----[A-Za-z0-9+/=\\s]*-----END PUBLIC KEY-----"));
    QList<Publica> out;
    for (auto it = bloco.globalMatch(texto); it.hasNext();) {
        const QString pem = it.next().captured(0);
        if (!idDe(pem).isEmpty()) out << publicaDe(pem, QString(), QDateTime());
    }
    return out;
}

void ChaveInstalacao::carregar() {
    if (!m_privada.isEmpty()) return;
    QByteArray pem = lerFicheiro(m_ficheiro);
    if (pem.isEmpty()) {
        QString privada, publica;
        if (!gerar(privada, publica))
            throw erroChave(QStringLiteral("Não foi possível gerar a chave de assinatura dos talões."));
        criarFicheiro(m_ficheiro, privada.toLatin1());
        pem = lerFicheiro(m_ficheiro);
    }
    QString publica;
    if (!lerPrivada(pem, publica))
        throw erroChave(QStringLiteral("A chave de assinatura %1 não é uma chave Ed25519 válida.").arg(m_ficheiro));
    // A ticket this key signs must be verifiable: its public key is on file before it signs.
    registar(m_db, publicaDe(publica, QSysInfo::machineHostName(), QDateTime::currentDateTime()));
    m_privada = pem;
    m_publica = publica;
    m_id = idDe(publica);
}

QString ChaveInstalacao::id() {
    carregar();
    return m_id;
}

QString ChaveInstalacao::publicaPem() {
    carregar();
    return m_publica;
}

QByteArray ChaveInstalacao::assinar(const QByteArray& dados) {
    carregar();
    Bio bio;
    BIO_write(bio.b, m_privada.constData(), int(m_privada.size()));
    Chave chave;
    chave.k = PEM_read_bio_PrivateKey(bio.b, nullptr, nullptr, nullptr);
    Contexto ctx;
    size_t n = 64;
    QByteArray sig(64, '\0');
    if (!chave.k || EVP_DigestSignInit(ctx.c, nullptr, nullptr, nullptr, chave.k) != 1 ||
        EVP_DigestSign(ctx.c, reinterpret_cast<unsigned char*>(sig.data()), &n,
                       reinterpret_cast<const unsigned char*>(dados.constData()), size_t(dados.size())) != 1)
        throw erroChave(QStringLiteral("Não foi possível assinar o talão (chave de assinatura inválida)."));
    sig.resize(qsizetype(n));
    return sig;
}

bool ChaveInstalacao::verificar(const QString& publicaPem, const QByteArray& dados, const QByteArray& assinatura) {
    const QByteArray pem = publicaPem.toLatin1();
    Bio bio;
    BIO_write(bio.b, pem.constData(), int(pem.size()));
    Chave chave;
    chave.k = PEM_read_bio_PUBKEY(bio.b, nullptr, nullptr, nullptr);
    if (!chave.k || EVP_PKEY_get_id(chave.k) != EVP_PKEY_ED25519) return false;
    Contexto ctx;
    if (EVP_DigestVerifyInit(ctx.c, nullptr, nullptr, nullptr, chave.k) != 1) return false;
    return EVP_DigestVerify(ctx.c, reinterpret_cast<const unsigned char*>(assinatura.constData()),
                            size_t(assinatura.size()), reinterpret_cast<const unsigned char*>(dados.constData()),
                            size_t(dados.size())) == 1;
}

QList<Publica> ChaveInstalacao::publicas(BaseDados& db) {
    QList<Publica> out;
    if (db.tableExists(QStringLiteral("kel_PES_ChavesPublicas"))) {
        const RecordSet rs = db.consultar(
            QStringLiteral("SELECT Chave_Id, Publica, Posto, Desde FROM kel_PES_ChavesPublicas ORDER BY Desde, "
                           "Chave_Id"));
        for (int i = 0; i < rs.count(); ++i) {
            Publica p = publicaDe(rs.text(i, QStringLiteral("Publica")), rs.text(i, QStringLiteral("Posto")).trimmed(),
                                  RecordSet::toDateTime(rs.value(i, QStringLiteral("Desde"))));
            if (!p.id.isEmpty()) out << p;
        }
    }
    // A database an earlier version signed on and no workstation of this one has opened yet.
    if (db.tableExists(QStringLiteral("kel_PES_Chave"))) {
        const RecordSet rs = db.consultar(QStringLiteral("SELECT Publica, Criada FROM kel_PES_Chave WHERE Numero = 1"));
        if (!rs.isEmpty()) {
            const Publica p = publicaDe(rs.text(0, QStringLiteral("Publica")), QStringLiteral("instalação"),
                                        RecordSet::toDateTime(rs.value(0, QStringLiteral("Criada"))));
            bool conhecida = p.id.isEmpty();
            for (const Publica& q : out) conhecida = conhecida || q.id == p.id;
            if (!conhecida) out.prepend(p);
        }
    }
    return out;
}

QString ChaveInstalacao::migrar(BaseDados& db, const QString& ficheiro) {
    try {
        if (!db.tableExists(QStringLiteral("kel_PES_Chave")) ||
            !db.tableExists(QStringLiteral("kel_PES_ChavesPublicas")))
            return {};
        const RecordSet rs =
            db.consultar(QStringLiteral("SELECT Privada, Publica, Criada FROM kel_PES_Chave WHERE Numero = 1"));
        if (rs.isEmpty()) {
            // Older workstations make a key where they find none: this row, without a
            // private key, makes them refuse to sign instead.
            try {
                db.executar(QStringLiteral("INSERT INTO kel_PES_Chave (Numero, Algoritmo, Privada, Publica, Criada) "
                                           "VALUES (1, ?, '', '', ?)"),
                            {kAlgoritmo, QDateTime::currentDateTime()});
            } catch (const DbError&) {
                // Another workstation wrote it first.
            }
            return {};
        }
        const QByteArray privada = rs.text(0, QStringLiteral("Privada")).trimmed().toLatin1();
        if (privada.isEmpty()) return {};
        QString publica;
        if (!lerPrivada(privada, publica))
            publica = rs.text(0, QStringLiteral("Publica"));
        else if (lerFicheiro(ficheiro).isEmpty())
            criarFicheiro(ficheiro, privada + (privada.endsWith('\n') ? "" : "\n"));
        if (db.backend() == Backend::Sqlite) db.executar(QStringLiteral("PRAGMA secure_delete=ON"));
        {
            Transaccao t(db, true);
            if (!idDe(publica).isEmpty())
                registar(db, publicaDe(publica, QStringLiteral("instalação"),
                                       RecordSet::toDateTime(rs.value(0, QStringLiteral("Criada")))));
            db.executar(QStringLiteral("UPDATE kel_PES_Chave SET Privada = '' WHERE Numero = 1"));
            t.commit();
        }
        // SQLite keeps the old page in its log until a checkpoint: overwrite it there too.
        if (db.backend() == Backend::Sqlite) {
            try {
                db.executar(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            } catch (const DbError&) {
                // Another connection is reading; the next checkpoint overwrites it.
            }
        }
        return {};
    } catch (const ErroOperacao& e) {
        return e.texto();
    }
}
