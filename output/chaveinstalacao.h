#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

class BaseDados;

// The keys that sign tickets. Each workstation signs with an Ed25519 key of its own,
// kept in a file readable by its owner only (folder 0700, file 0600) beside the
// workstation's configuration; never in the database, which people who must not sign
// tickets (or a template) can read. The database holds only the public keys, in
// kel_PES_ChavesPublicas, each under its id (the first 8 bytes of SHA-256 of the raw
// key, in hex) with the date from which it signed, so every workstation's tickets, and
// those of an older key, stay verifiable.
class ChaveInstalacao {
  public:
    struct Publica {
        QString id;
        QString pem;
        QString posto;
        QDateTime desde;
        QString impressao() const { return impressaoDe(pem); }
    };

    // `ficheiro`: the workstation's key file (ficheiroDoPosto() unless a test says otherwise).
    explicit ChaveInstalacao(BaseDados& db, QString ficheiro = ficheiroDoPosto());

    // The key file of this workstation: "chaves/assinatura-posto.pem" in the folder of the
    // configuration ("norvak" under BALANTRIX_DATA_DIR or the data folder), or in the
    // per-user configuration folder when there is none.
    static QString ficheiroDoPosto();

    // Reads the workstation's key, making the file when there is none, and registers its
    // public key in the database. Throws DbError, or ErroChave for a key file it cannot
    // make or use.
    void carregar();
    QString id();
    QString publicaPem();
    // The 64-byte signature of `dados`.
    QByteArray assinar(const QByteArray& dados);

    // Start-up: a private key left in kel_PES_Chave by an earlier version is moved into
    // this workstation's key file (when it has none yet), its public key registered and
    // the private one wiped from the table. Where the table has no row, one without a
    // private key is written, so an older workstation refuses to sign rather than put a
    // new key there. Empty when all went well, else the reason. Throws nothing.
    static QString migrar(BaseDados& db, const QString& ficheiro = ficheiroDoPosto());

    // Every public key on file (registered ones and the one an earlier version kept in
    // kel_PES_Chave), oldest first. Reads only. Throws DbError.
    static QList<Publica> publicas(BaseDados& db);
    // The Ed25519 public keys of a PEM text (one or more blocks; text around them is skipped).
    static QList<Publica> lerPem(const QString& texto);
    // The id / fingerprint (SHA-256 of the raw key, hex) of a public key; empty when the
    // text is not an Ed25519 public key.
    static QString idDe(const QString& publicaPem);
    static QString impressaoDe(const QString& publicaPem);

    // Checks a signature against a public key in PEM; false for a key that is not Ed25519.
    static bool verificar(const QString& publicaPem, const QByteArray& dados, const QByteArray& assinatura);
    // A new key pair (private and public PEM).
    static bool gerar(QString& privadaPem, QString& publicaPem);

  private:
    BaseDados& m_db;
    QString m_ficheiro;
    QByteArray m_privada;
    QString m_publica;
    QString m_id;
};
