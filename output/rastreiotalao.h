#pragma once

#include <QHash>
#include <QString>
#include <optional>

#include "chaveinstalacao.h"
#include "registoalibi.h"

class BaseDados;

// What a ticket shows of its weights' origin and the signed line of its QR code.
//
// The line: "BTX1|NIF|registo|Tipo|talão|número|campanha|bruto|tara|líquido|efectivo|
// data/hora 1|data/hora 2|alibi 1|hash 1|alibi 2|hash 2|assinatura", weights with four
// decimals, date-times as yyyy-MM-ddTHH:mm:ss, an alibi as its number ("M" before it for
// a typed weight, "-" when the weight has none), the signature Ed25519 in base64 over
// everything before its separator.
class RastreioTalao {
  public:
    explicit RastreioTalao(BaseDados& db);

    static QString formato() { return QStringLiteral("BTX1"); }
    static QString legendaManual() { return QStringLiteral("peso introduzido manualmente"); }
    static QString marcaManual() { return QStringLiteral("(M)"); }

    // The line without its signature, from the weighing and its log rows as stored now;
    // empty when the weighing does not exist. Throws DbError.
    QString conteudo(qint32 histId);
    // The whole line, signed with the installation's key.
    QString linhaAssinada(qint32 histId);

    // The texts a template gets for one weighing: alibi_bruto / alibi_tara ("Alibi n.º N"),
    // manual_bruto / manual_tara (the manual mark), peso_manual (the legend, only when a
    // weight was typed) and, with `comCodigo`, codigo_qr (an image URL) and linha_qr.
    QHash<QString, QString> marcas(qint32 histId, bool comCodigo);

    struct Verificacao {
        bool formatoOk = false;
        bool valida = false;  // the signature holds
        qint32 histId = 0;
        bool comRegisto = false;  // the database was consulted
        bool confere = false;     // the weighing and its log rows as stored now give the same line
        QString motivo;
    };
    // Checks a line read from a ticket: the signature against `publicaPem`, and (when
    // `db` is given) the weighing and its log rows as they are stored now.
    static Verificacao verificar(const QString& linha, const QString& publicaPem, RastreioTalao* db);

    ChaveInstalacao& chave() { return m_chave; }

  private:
    struct Peso {
        std::optional<LeituraLigada> leitura;
        bool integra = true;  // the reading's row still gives its own hash
    };
    Peso peso(qint32 histId, int numeroPeso);

    BaseDados& m_db;
    RegistoAlibi m_registo;
    ChaveInstalacao m_chave;
};
