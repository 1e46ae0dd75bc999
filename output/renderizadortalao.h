#pragma once

#include <QStringList>

#include "consultaleitura.h"
#include "modelotalao.h"

class QPagedPaintDevice;

// Fills a ticket template for one weighing and paints it: one page per row of the
// template's query (one per kel_PES_Vias copy row in the shipped templates).
class RenderizadorTalao {
public:
    explicit RenderizadorTalao(SqlSettings settings);

    // The HTML of each page. Throws DbError when the query fails.
    QStringList paginas(const ModeloTalao& modelo, qint32 id);

    // Paints the pages, one per sheet, on a PDF writer or a printer already set up
    // with the template's page layout. A page taller than the sheet is shrunk to fit
    // rather than cut.
    static void pintar(QPagedPaintDevice& device, const QStringList& paginas);

    // Writes the ticket to a PDF file, replacing any older file of that name. False
    // with erro() when no file was written (no pages, query or file failure): the old
    // file is then gone too, so nobody mails yesterday's ticket by mistake.
    bool exportarPdf(const ModeloTalao& modelo, qint32 id, const QString& path);
    QString erro() const { return m_erro; }

private:
    ConsultaLeitura m_consulta;
    QString m_erro;
};
