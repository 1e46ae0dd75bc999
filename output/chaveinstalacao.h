#pragma once

#include <QByteArray>
#include <QString>

#include "sqlsettings.h"

class BaseDados;

// The installation's Ed25519 signing key. It is made the first time any workstation
// needs it and kept in the program's own table kel_PES_Chave, so every workstation signs
// with the same key; when several make one at once, the first row written wins and all
// of them read that one back.
class ChaveInstalacao {
  public:
    explicit ChaveInstalacao(BaseDados& db) : m_db(db) {}

    // Reads the key, making it when there is none yet. Throws DbError (also when OpenSSL fails).
    void carregar();
    QString publicaPem();
    // The 64-byte signature of `dados`.
    QByteArray assinar(const QByteArray& dados);

    // Checks a signature against a public key in PEM; false for a key that is not Ed25519.
    static bool verificar(const QString& publicaPem, const QByteArray& dados, const QByteArray& assinatura);
    // A new key pair (private and public PEM).
    static bool gerar(QString& privadaPem, QString& publicaPem);
    // The insert that writes the key only where there is none.
    static QString inserirSql(Backend backend);

  private:
    BaseDados& m_db;
    QString m_privada;
    QString m_publica;
};
