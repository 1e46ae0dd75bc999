#include "chaveinstalacao.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <QDateTime>

#include "basedados.h"

namespace {

struct Bio {
    BIO* b = BIO_new(BIO_s_mem());
    ~Bio() { BIO_free(b); }
    QString texto() const {
        char* data = nullptr;
        const long n = BIO_get_mem_data(b, &data);
        return QString::fromLatin1(data, int(n));
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

}  // namespace

bool ChaveInstalacao::gerar(QString& privadaPem, QString& publicaPem) {
    Chave chave;
    chave.k = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
    if (!chave.k) return false;
    Bio priv, pub;
    if (PEM_write_bio_PrivateKey(priv.b, chave.k, nullptr, nullptr, 0, nullptr, nullptr) != 1) return false;
    if (PEM_write_bio_PUBKEY(pub.b, chave.k) != 1) return false;
    privadaPem = priv.texto();
    publicaPem = pub.texto();
    return true;
}

QString ChaveInstalacao::inserirSql(Backend backend) {
    if (backend == Backend::Mssql)
        return QStringLiteral(
            "INSERT INTO kel_PES_Chave (Numero, Algoritmo, Privada, Publica, Criada) SELECT 1, ?, ?, ?, ? "
            "WHERE NOT EXISTS (SELECT 1 FROM kel_PES_Chave WITH (UPDLOCK, HOLDLOCK) WHERE Numero = 1)");
    if (backend == Backend::Postgresql)
        return QStringLiteral(
            "INSERT INTO kel_PES_Chave (Numero, Algoritmo, Privada, Publica, Criada) VALUES (1, ?, ?, ?, ?) "
            "ON CONFLICT (Numero) DO NOTHING");
    return QStringLiteral(
        "INSERT OR IGNORE INTO kel_PES_Chave (Numero, Algoritmo, Privada, Publica, Criada) VALUES (1, ?, ?, "
        "?, ?)");
}

void ChaveInstalacao::carregar() {
    if (!m_privada.isEmpty()) return;
    const QString ler = QStringLiteral("SELECT Privada, Publica FROM kel_PES_Chave WHERE Numero = 1");
    RecordSet rs = m_db.consultar(ler);
    if (rs.isEmpty()) {
        QString privada, publica;
        if (!gerar(privada, publica))
            throw DbError(-1, QStringLiteral("Não foi possível gerar a chave de assinatura dos talões."));
        try {
            Transaccao t(m_db, true);
            m_db.executar(inserirSql(m_db.backend()),
                          {QStringLiteral("ED25519"), privada, publica, QDateTime::currentDateTime()});
            t.commit();
        } catch (const DbError&) {
            // Another workstation wrote its key first (a key violation on SQL Server): use that one.
        }
        rs = m_db.consultar(ler);
        if (rs.isEmpty())
            throw DbError(-1, QStringLiteral("A chave de assinatura dos talões não foi gravada."));
    }
    m_privada = rs.text(0, QStringLiteral("Privada"));
    m_publica = rs.text(0, QStringLiteral("Publica"));
}

QString ChaveInstalacao::publicaPem() {
    carregar();
    return m_publica;
}

QByteArray ChaveInstalacao::assinar(const QByteArray& dados) {
    carregar();
    const QByteArray pem = m_privada.toLatin1();
    Bio bio;
    BIO_write(bio.b, pem.constData(), int(pem.size()));
    Chave chave;
    chave.k = PEM_read_bio_PrivateKey(bio.b, nullptr, nullptr, nullptr);
    Contexto ctx;
    size_t n = 64;
    QByteArray sig(64, '\0');
    if (!chave.k || EVP_DigestSignInit(ctx.c, nullptr, nullptr, nullptr, chave.k) != 1 ||
        EVP_DigestSign(ctx.c, reinterpret_cast<unsigned char*>(sig.data()), &n,
                       reinterpret_cast<const unsigned char*>(dados.constData()), size_t(dados.size())) != 1)
        throw DbError(-1, QStringLiteral("Não foi possível assinar o talão (chave de assinatura inválida)."));
    sig.resize(qsizetype(n));
    return sig;
}

bool ChaveInstalacao::verificar(const QString& publicaPem, const QByteArray& dados,
                                const QByteArray& assinatura) {
    const QByteArray pem = publicaPem.toLatin1();
    Bio bio;
    BIO_write(bio.b, pem.constData(), int(pem.size()));
    Chave chave;
    chave.k = PEM_read_bio_PUBKEY(bio.b, nullptr, nullptr, nullptr);
    if (!chave.k || EVP_PKEY_get_id(chave.k) != EVP_PKEY_ED25519) return false;
    Contexto ctx;
    if (EVP_DigestVerifyInit(ctx.c, nullptr, nullptr, nullptr, chave.k) != 1) return false;
    return EVP_DigestVerify(ctx.c, reinterpret_cast<const unsigned char*>(assinatura.constData()),
                            size_t(assinatura.size()),
                            reinterpret_cast<const unsigned char*>(dados.constData()),
                            size_t(dados.size())) == 1;
}
