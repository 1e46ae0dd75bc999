#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

#include "erp/documentocomercial.h"

class ApiRegistry;
class OperatorMessages;
class SessaoSage;

// The desk's values that its ERP document operations read.
struct DadosDocumentoDesk {
    bool entrada = false;  // incoming desk (goods receipt) rather than outgoing (delivery note)
    // The document of the weighing on the desk.
    short ano = 0;
    short serie = 0;
    int numero = 0;
    QString tipo;
    QDate dataPesagem;                  // weighing date picker
    QString sector;                     // parameter Sector
    QString terceiro;                   // field 0: customer or supplier
    QString contribuinte;               // field 8: tax number
    QString matricula;                  // field 10: vehicle plate
    QString artigo;                     // field 2
    QString nomeArtigo;                 // the article designation shown beside field 2
    QString pesoEfectivo;               // field 13, as a plain number ("12340" or "12340.5")
    bool materiasSubsidiarias = false;  // incoming: subsidiary materials box
    QString caracteristica;             // incoming: text of the characteristic choice
    // Outgoing load details copied into the document header.
    QString ondeEntregar;   // field 1: delivery address code
    QString localCarga;     // field 19
    QString localDescarga;  // field 20
    QDateTime carga;        // loading date-time picker
    QDateTime descarga;     // unloading date-time picker
};

// The one ERP document object a desk holds, and the operations on it.
class DocumentoDesk {
  public:
    DocumentoDesk(SessaoSage& sessao, ApiRegistry& registry, OperatorMessages& messages);
    ~DocumentoDesk();

    DocumentoComercial* documento() const { return m_doc.get(); }

    bool LibertaDocumento();
    // Obtains a document object and writes its header from the desk, unless the desk
    // already holds one (then nothing changes). False when no API object can be had.
    bool PreparaDocumento(const DadosDocumentoDesk& d);
    // Reads an ERP document into a fresh object. A failure with a number shows the
    // ERP's message and sets bErro; a failure for number 0 is quiet.
    bool Load(const DadosDocumentoDesk& d, short iAno, short iSerie, int lNumDoc, const QString& sTpDoc, bool& bErro);
    // Writes the lines from the desk and saves with the session's save operation of that mode.
    bool GravaDocumento(const DadosDocumentoDesk& d, short modo, long& erroNumero, QString& erroTexto, bool& sucesso);

    enum class Actualizacao {
        Gravado,     // saved: the desk rewrites the record and clears itself
        Anulado,     // the document is cancelled: refused, the desk clears itself
        Convertido,  // the document was converted: refused, the desk clears itself
        Desistiu,    // the operator said Cancel: nothing changes
        Falhou,      // the document could not be read or saved (already told): the record stays as it was
    };
    // Rewrites the ERP document of a finished weighing after the operator confirms.
    // `antesDeGravar` sees the document as read, right before it is changed; false stops
    // the update (Falhou, nothing written).
    Actualizacao actualizarDocumentoFinalizado(
        const DadosDocumentoDesk& d, const std::function<bool(const DocumentoComercial&)>& antesDeGravar = {});

    // "hh:mm" of a picker value shown as "dd-mm-yyyy hh:mm".
    static QString hora(const QDateTime& dt);

  private:
    SessaoSage& m_sessao;
    ApiRegistry& m_registry;
    OperatorMessages& m_messages;
    std::unique_ptr<DocumentoComercial> m_doc;
};

// Cancels again the ERP documents a failed completion created: kind 1 for flag 0,
// kind 3 otherwise. Those the ERP refuses are listed to the operator for manual
// cancellation. Empties both lists; gives the refused keys.
QList<ChaveDocumento> anularDocumentosCriados(SessaoSage& sessao, OperatorMessages& messages,
                                              QList<ChaveDocumento>& criados, QList<short>& flags);
