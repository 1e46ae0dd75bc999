#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "output/chaveinstalacao.h"
#include "records/registoalibi.h"

class BaseDados;

// What a ticket shows of its weights' origin and the signed line of its QR code.
//
// The line (format BTX2), values written with LinhaQr's escapes and joined by '|':
//   BTX2|key|nif|record|type|prefix|ticket|ticket_year|campaign|party|address|article|
//   plate|document|gross|tare|net|container|quality|effective|first_at|second_at|
//   reading_1|hash_1|reading_2|hash_2|signature
// key: the id of the signing key; nif: the company's tax number; prefix: the outgoing
// series letters (the type on incoming tickets); document: the ERP document as
// TYPE/series/number/year (empty while there is none); weights in kg with four decimals;
// dates yyyy-MM-ddTHH:mm:ss; a reading: its alibi number, "M" before it for a typed
// weight, "-" for a weight without one, and its hash ("-", or "alterada" for a row no
// longer matching its own hash). The signature is Ed25519, base64, over the UTF-8 text
// of everything before its separator. A weighing that used a truck's stored tare is
// signed as BTX3: the BTX2 values, then stored_tare (the day that tare was weighed,
// yyyy-MM-dd), so the ticket's mark is covered too. Lines of the earlier format BTX1 (without key,
// party, address, article, plate, document, ticket year and deductions) still verify.
class RastreioTalao {
  public:
    explicit RastreioTalao(BaseDados& db);

    static QString formato() { return QStringLiteral("BTX2"); }
    static QString formatoTaraRegistada() { return QStringLiteral("BTX3"); }
    static QString legendaManual() { return QStringLiteral("peso introduzido manualmente"); }
    static QString marcaManual() { return QStringLiteral("(M)"); }
    // The names of the values of a line of format BTX2 / BTX1, the signature left out.
    static QStringList nomes(const QString& versao);

    // The values of the line without its signature, from the weighing and its log rows as
    // stored now; empty when the weighing does not exist. Throws DbError.
    QStringList valores(qint32 histId, const QString& versao, const QString& chaveId = {});
    // The line without its signature.
    QString conteudo(qint32 histId);
    // The whole line, signed with the workstation's key. Throws DbError, or ErroChave when the key
    // cannot be used.
    QString linhaAssinada(qint32 histId);

    // The texts a template gets for one weighing: alibi_bruto / alibi_tara ("Alibi n.º N"),
    // manual_bruto / manual_tara (the manual mark), peso_manual (the legend, only when a
    // weight was typed), tara_registada (the stored tare's mark) and, with `comCodigo`, codigo_qr (an image
    // URL) and linha_qr.
    QHash<QString, QString> marcas(qint32 histId, bool comCodigo);

    struct Verificacao {
        bool formatoOk = false;
        bool valida = false;  // the signature holds
        QString chaveId;      // the key it holds with
        qint32 histId = 0;
        bool comRegisto = false;  // the database was consulted
        bool confere = false;     // the weighing and its log rows as stored now give the same line
        QStringList difere;       // the names of the values that no longer match
        QString motivo;
    };
    // Checks a line read from a ticket: the signature against the key it names among
    // `chaves` (a BTX1 line, naming none, against each of them), and (when `db` is given)
    // the weighing and its log rows as they are stored now. Writes nothing.
    static Verificacao verificar(const QString& linha, const QList<ChaveInstalacao::Publica>& chaves,
                                 RastreioTalao* db);

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
