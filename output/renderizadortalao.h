#pragma once

#include <QStringList>
#include <QVariantHash>

#include "output/consultaleitura.h"
#include "output/modelotalao.h"
#include "output/rastreiotalao.h"

#include <functional>
#include <memory>

class QIODevice;
class QPageLayout;

class QPagedPaintDevice;

// Fills a ticket template for one weighing and paints it: one page per row of the
// template's query (one per kel_PES_Vias copy row in the shipped templates).
class RenderizadorTalao {
  public:
    explicit RenderizadorTalao(SqlSettings settings);
    // Tickets and statements then show where each weight came from (alibi number or
    // manual mark) and tickets carry their signed QR code (see RastreioTalao::marcas).
    void setRastreio(BaseDados& db) { m_rastreio = std::make_unique<RastreioTalao>(db); }

    // A ticket prints one page per row (its copies); a statement one line per weighing.
    // More rows than this is a template gone wrong, stopped with a message instead of
    // thousands of pages.
    static constexpr int maxPaginasTalao = 100;
    static constexpr int maxLinhasExtracto = 2000;

    // The HTML of each page. Throws ErroModelo naming the template when the query fails,
    // is refused, runs too long or gives too many rows.
    QStringList paginas(const ModeloTalao& modelo, qint32 id);

    // Paints the pages, one per sheet, on a PDF writer or a printer already set up
    // with the template's page layout. A page taller than the sheet is shrunk to fit
    // rather than cut.
    static void pintar(QPagedPaintDevice& device, const QStringList& paginas);

    // Writes the ticket to a PDF file, replacing any older file of that name at once
    // (never through a link standing there; `privado`: readable by the owner only).
    // False with erro() when no file was written (no pages, query or file failure):
    // the old file is then gone too, so nobody mails yesterday's ticket by mistake.
    bool exportarPdf(const ModeloTalao& modelo, qint32 id, const QString& path, bool privado = false);
    // The ticket's PDF onto a device; false with erro() when there is nothing to write.
    bool exportarPdf(const ModeloTalao& modelo, qint32 id, QIODevice& destino);
    // The ticket's PDF in memory, for an attachment of its own; empty with erro() on failure.
    QByteArray pdf(const ModeloTalao& modelo, qint32 id);
    QString erro() const { return m_erro; }

    // A statement ("modo = extracto"): the query and the totals query with the named
    // values bound, every row in one document. Besides the columns of the first row
    // (the party's name, say), the body gets {{#linhas}} with each row (and {{linha}},
    // its number, {{par}} on every second one), {{#totais}}, {{impresso_em}} and the
    // texts of `extras`. Throws ErroModelo when a query or the body fails (DbError when
    // the database itself does).
    QString documento(const ModeloTalao& modelo, const QVariantHash& valores,
                      const QHash<QString, QString>& extras = {});
    // Paints a document over as many sheets as it needs, with "Página n de m" at the
    // foot of each. Gives the number of sheets.
    static int pintarDocumento(QPagedPaintDevice& device, const QString& html);
    // A statement's PDF from its HTML (documento()), in memory. Reads neither the database
    // nor this object, so a bulk run draws statements on other threads while it reads the
    // next party.
    static QByteArray documentoPdf(const QString& html, const QPageLayout& paginacao, const QString& titulo);
    // Writes `conteudo` to `path`, replacing any older file of that name at once (never
    // through a link standing there). False with erro() when it was not written; the old
    // file is gone then too.
    bool gravarFicheiro(const QString& path, const QByteArray& conteudo, bool privado = false);

    ConsultaLeitura& consulta() { return m_consulta; }

  private:
    RecordSet consultar(const ModeloTalao& modelo, const QString& sql, const QVariantList& params, int maxLinhas);
    bool gravar(const QString& path, bool privado, const std::function<bool(QIODevice&)>& escrever);

    ConsultaLeitura m_consulta;
    QString m_erro;
    std::unique_ptr<RastreioTalao> m_rastreio;
};
