#pragma once

#include <QDate>
#include <QString>

class BaseDados;
struct SqlSettings;

// The demo installation's weighings: a few dozen finished loads and deliveries over
// the last months, with their tickets, complement rows and local ERP documents, and a
// few trucks still waiting for their second weighing. They are made at the desk as an
// operator makes them (fields typed and left, weights confirmed, final save), so they
// carry exactly what real weighings carry.
namespace DemoPesagens {

struct Resumo {
    int concluidas = 0;
    int pendentes = 0;
};

// `db` holds the catalogue and the parameters row; `erp` opens the same database for
// the local ERP. The weighings end the day before `hoje`; the pending ones are from
// `hoje` and the day before, today's ones weighed in before `agora` so they can be
// weighed out at once. Throws DbError when the desk refuses a weighing.
Resumo criar(BaseDados& db, const SqlSettings& erp, const QString& empresa, const QString& utilizador,
             const QString& password, const QDate& hoje = QDate::currentDate(),
             const QTime& agora = QTime::currentTime());

}  // namespace DemoPesagens
