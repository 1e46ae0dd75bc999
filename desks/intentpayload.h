#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QStringList>
#include <optional>

#include "erp/documentocomercial.h"
#include "records/registohistorico.h"

class BaseDados;

// The load details an outgoing completion copies into the ERP document header
// (DocGCCab), in the program's own transaction.
struct CabecalhoCarga {
    QString localCarga, localDescarga;
    QDateTime carga, descarga;
    QString matricula, ondeEntregar;

    void aplicar(BaseDados& db, const ChaveDocumento& k) const;
    QJsonObject toJson() const;
    static CabecalhoCarga fromJson(const QJsonObject& o);
};

// What an intent note carries to finish or undo its work without the desk.
namespace IntentPayload {

// Completion: the record as its 26 texts (the document key is filled in when the weighing
// is finished from the note), the complement, the plate and, outgoing, the header details.
QJsonObject conclusao(const RegistoPesagem& registo, const CamposComplemento& complemento, const QString& carro,
                      const std::optional<CabecalhoCarga>& cabecalho);
// The record a note carries; none (with the reason) when the note does not hold one.
std::optional<RegistoPesagem> registo(const QJsonObject& dados, QString& erro);
// The complement of a completion's note; nullopt (with the reason) when a deduction is no weight.
std::optional<CamposComplemento> complemento(const QJsonObject& dados, QString& erro);
QString carro(const QJsonObject& dados);
std::optional<CabecalhoCarga> cabecalho(const QJsonObject& dados);

// Correction: the document as it was before the update (header and lines).
QJsonObject documentoAntes(const DocumentoComercial& doc);
// Writes a saved header and lines back onto a document read from the ERP.
void reporDocumento(const QJsonObject& dados, DocumentoComercial& doc);

// "prefix/number/campaign" outgoing, "number/campaign" incoming.
QString referencia(bool entrada, const QString& sigla, qint32 noTalao, const QString& campanha);

}  // namespace IntentPayload
