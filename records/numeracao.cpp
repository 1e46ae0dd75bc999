#include "records/numeracao.h"

#include <QRegularExpression>
#include <limits>

#include "base/basedados.h"

QString CampanhaDaData(const QDate& data) {
    const int y = data.year();
    const int first = data.month() >= 10 ? y : y - 1;
    return QString::number(first) + QLatin1Char('/') + QString::number(first + 1);
}

bool CampanhaValida(const QString& texto) {
    static const QRegularExpression forma(QStringLiteral("^([1-9][0-9]{3})/([0-9]{4})$"));
    const QRegularExpressionMatch m = forma.match(texto);
    return m.hasMatch() && m.captured(2).toInt() == m.captured(1).toInt() + 1;
}

namespace {

// Text for a value that must be stored as an empty string, never NULL.
QString notNull(const QString& s) {
    return s.isNull() ? QStringLiteral("") : s;
}

}  // namespace

Talao ProximoTalao(BaseDados& db, const ChaveTalao& chave) {
    const bool mssql = db.backend() == Backend::Mssql;
    // On SQL Server the update lock (held to the end of the transaction, also over an
    // empty range) makes a second workstation wait for our write before it reads.
    const QString from = mssql ? QStringLiteral("From kel_PES_Taloes WITH (UPDLOCK, HOLDLOCK) ")
                               : QStringLiteral("From kel_PES_Taloes ");
    const QString campanha = notNull(chave.campanha);
    const QString tipoDoc = notNull(chave.tipoDoc);
    const QString cliente = notNull(chave.cliente);
    const QString tipoMorada = notNull(chave.tipoMorada);

    // PostgreSQL locks the key's counter rows first, so the read below sees the other
    // workstation's number once it committed. A counter that is not there yet cannot be
    // locked: then the table is, and the unique key of the counters (see
    // CatalogIndex::all) refuses a second row all the same, the take running again.
    return db.comRepeticao(
        [&] {
            if (db.backend() == Backend::Postgresql) {
                RecordSet linhas;
                if (chave.tipo == 2)
                    linhas = db.consultar(
                        QStringLiteral("SELECT Contador FROM kel_PES_Taloes WHERE ANO = ? AND iTipo = ? AND "
                                       "tipodoc = ? AND Cliente = ? AND TipoMorada = ? FOR UPDATE"),
                        {campanha, chave.tipo, tipoDoc, cliente, tipoMorada});
                else
                    linhas = db.consultar(
                        QStringLiteral("SELECT Contador FROM kel_PES_Taloes WHERE ANO = ? AND iTipo = ? AND "
                                       "tipodoc = ? FOR UPDATE"),
                        {campanha, chave.tipo, tipoDoc});
                // No counter to lock (the key's first ticket, rare): the counters' table is held
                // against other writers until we commit, so the second one finds our row.
                if (linhas.isEmpty())
                    db.executar(QStringLiteral("LOCK TABLE kel_PES_Taloes IN SHARE ROW EXCLUSIVE MODE"));
            }
            RecordSet rs;
            if (chave.tipo == 2) {
                rs = db.consultar(
                    QStringLiteral("SELECT Max(Contador) AS Proximo,Sigla ") + from +
                        QStringLiteral("WHERE  (ANO = ?) AND (iTipo = ?) AND (tipodoc = ?) and Cliente=?  and "
                                       "TipoMorada=?  Group by Sigla"),
                    {campanha, chave.tipo, tipoDoc, cliente, tipoMorada});
            } else {
                rs = db.consultar(QStringLiteral("SELECT Max(Contador) AS Proximo ") + from +
                                      QStringLiteral("WHERE  (ANO = ?) AND (iTipo = ?) AND (tipodoc = ?)"),
                                  {campanha, chave.tipo, tipoDoc});
            }

            qint64 numero = -1;
            Talao talao;
            if (!rs.isEmpty() && !rs.isNull(QStringLiteral("Proximo"))) {
                numero = rs.value(QStringLiteral("Proximo")).toLongLong() + 1;
                if (chave.tipo == 2) talao.sigla = rs.text(QStringLiteral("Sigla"));
            }
            if (numero > std::numeric_limits<qint32>::max())
                throw RegraRecusada(QStringLiteral("O numerador de talões %1 atingiu o valor máximo.").arg(campanha));

            if (numero >= 1) {
                if (chave.tipo == 2) {
                    db.executar(
                        QStringLiteral("UPDATE kel_PES_Taloes Set Contador = ? WHERE  (ANO = ? AND iTipo = ? AND "
                                       "TipoDoc = ? and Cliente=?  and TipoMorada=? )"),
                        {numero, campanha, chave.tipo, tipoDoc, cliente, tipoMorada});
                } else {
                    db.executar(
                        QStringLiteral("UPDATE kel_PES_Taloes Set Contador = ? WHERE  (ANO = ? AND iTipo = ? AND "
                                       "TipoDoc = ?)"),
                        {numero, campanha, chave.tipo, tipoDoc});
                }
            } else {
                numero = 1;
                talao.sigla = QStringLiteral("");
                if (chave.tipo == 2) {
                    db.executar(
                        QStringLiteral("INSERT INTO kel_PES_Taloes (ANO, iTipo, TipoDoc, Cliente,cdmorada,Sigla,"
                                       "Contador,TipoMorada) VALUES ( ?,?,?,?,'', ?, 1,? )"),
                        {campanha, chave.tipo, tipoDoc, cliente, talao.sigla, tipoMorada});
                } else {
                    db.executar(
                        QStringLiteral("INSERT INTO kel_PES_Taloes (ANO, iTipo, TipoDoc, Cliente,cdmorada,Sigla,"
                                       "Contador) VALUES ( ?,?,?,'','', '',1)"),
                        {campanha, chave.tipo, tipoDoc});
                }
            }
            talao.numero = qint32(numero);
            return talao;
        },
        BaseDados::Repetir::TambemChaveDuplicada);
}

qint32 UltimoTalaoEmitido(BaseDados& db, const ChaveTalao& chave) {
    // Pending weighings have no document type until they are finished; cancelled ones
    // lose it, and their numbers are not given back either.
    const QString semTipo = QStringLiteral(" AND (TpDoc = ? OR TpDoc IS NULL OR TpDoc = '')");
    QVariant maximo;
    if (chave.tipo == 2)
        maximo = db.escalar(
            QStringLiteral("SELECT Max(NoTalao) FROM kel_PES_Historico WHERE Tipo = 'S' AND "
                           "Campanha = ? AND Terceiro = ? AND TipoMorada = ?") +
                semTipo,
            {notNull(chave.campanha), notNull(chave.cliente), notNull(chave.tipoMorada), notNull(chave.tipoDoc)});
    else
        maximo = db.escalar(QStringLiteral("SELECT Max(NoTalao) FROM kel_PES_Historico WHERE Tipo = 'E' AND "
                                           "Campanha = ?") +
                                semTipo,
                            {notNull(chave.campanha), notNull(chave.tipoDoc)});
    return maximo.isNull() ? 0 : qint32(maximo.toLongLong());
}
