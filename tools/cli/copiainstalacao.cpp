#include "tools/cli/copiainstalacao.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "app/tabelasinstalacao.h"
#include "base/basedados.h"
#include "erp/erpschema.h"

namespace {

qint64 contar(BaseDados& db, const QString& tabela) {
    return db.escalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(tabela)).toLongLong();
}

}  // namespace

CopiaInstalacao::CopiaInstalacao(BaseDados& origem, BaseDados& destino, Progresso progresso)
    : m_origem(origem), m_destino(destino), m_progresso(std::move(progresso)) {
    m_tabelas = TabelasInstalacao::presentes(m_origem);
}

bool CopiaInstalacao::destinoVazio(QString& motivo) {
    QStringList comDados;
    for (const QString& t : TabelasInstalacao::presentes(m_destino))
        if (contar(m_destino, t) > 0) comDados << t;
    if (comDados.isEmpty()) return true;
    motivo = QStringLiteral("A base de dados de destino já tem dados (%1): a cópia só se faz para uma base vazia.")
                 .arg(comDados.join(QStringLiteral(", ")));
    return false;
}

void CopiaInstalacao::copiar() {
    Transaccao t(m_destino, true);
    // The tables first, in the target's own dialect, as a start would make them; the
    // rows they were made with (the catalogue's version row) give way to the copied ones.
    const bool comErp = m_tabelas.contains(ErpSchema::markerTable(), Qt::CaseInsensitive);
    if (!m_destino.tableExists(QStringLiteral("kel_PES_Parametros"))) {
        m_progresso(QStringLiteral("A criar as tabelas na base de dados de destino..."));
        TabelasInstalacao::criarVazias(m_destino, comErp);
    } else if (comErp && !m_destino.tableExists(ErpSchema::markerTable())) {
        for (const QString& sql : ErpSchema::createStatements(m_destino.backend())) m_destino.executar(sql);
    }
    for (const QString& tabela : m_tabelas) {
        if (!m_destino.tableExists(tabela))
            throw RegraRecusada(QStringLiteral("A tabela %1 não existe na base de dados de destino.").arg(tabela));
        m_destino.executar(QStringLiteral("DELETE FROM %1").arg(tabela));
    }
    int n = 0;
    for (const QString& tabela : m_tabelas) copiarTabela(tabela, ++n, int(m_tabelas.size()));
    acertarIdentidades();
    m_progresso(QStringLiteral("A gravar a cópia (%1 linhas)...").arg(m_linhas));
    t.commit();
}

void CopiaInstalacao::copiarTabela(const QString& tabela, int n, int total) {
    // The columns both sides have, by name (PostgreSQL gives them in lower case).
    const QStringList doDestino = m_destino.columnNames(tabela);
    // Counted first: PostgreSQL streams the rows below, and the connection runs nothing
    // else until they are read.
    const qint64 esperadas = contar(m_origem, tabela);
    QSqlQuery ler(m_origem.connection());
    ler.setForwardOnly(true);
    const QString selecionar = QStringLiteral("SELECT * FROM %1").arg(tabela);
    if (!ler.exec(selecionar)) throw m_origem.errorFrom(ler.lastError(), selecionar);
    const QSqlRecord rec = ler.record();
    QList<int> indices;
    QStringList colunas;
    for (int i = 0; i < rec.count(); ++i) {
        for (const QString& c : doDestino) {
            if (c.compare(rec.fieldName(i), Qt::CaseInsensitive) == 0) {
                indices << i;
                colunas << c;
            }
        }
    }
    if (colunas.size() != rec.count())
        throw RegraRecusada(QStringLiteral("A tabela %1 do destino não tem todas as colunas da origem.").arg(tabela));
    QStringList marcas;
    for (int i = 0; i < colunas.size(); ++i) marcas << QStringLiteral("?");
    const QString inserir = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(tabela, colunas.join(QStringLiteral(", ")), marcas.join(QStringLiteral(", ")));
    QSqlQuery escrever(m_destino.connection());
    if (!escrever.prepare(inserir)) throw m_destino.errorFrom(escrever.lastError(), inserir);
    m_progresso(QStringLiteral("Tabela %1 (%2 de %3): %4 linhas").arg(tabela).arg(n).arg(total).arg(esperadas));
    qint64 feitas = 0;
    while (ler.next()) {
        for (int i = 0; i < indices.size(); ++i) escrever.bindValue(i, m_destino.toStorage(ler.value(indices[i])));
        if (!escrever.exec()) {
            DbError e = m_destino.errorFrom(escrever.lastError(), inserir);
            throw DbError(e.numero(),
                          QStringLiteral("Tabela %1, linha %2: %3").arg(tabela).arg(feitas + 1).arg(e.descricao()),
                          inserir);
        }
        ++feitas;
        if (feitas % 20000 == 0)
            m_progresso(QStringLiteral("  %1: %2 de %3 linhas").arg(tabela).arg(feitas).arg(esperadas));
    }
    if (ler.lastError().isValid()) throw m_origem.errorFrom(ler.lastError(), selecionar);
    m_linhas += feitas;
}

void CopiaInstalacao::acertarIdentidades() {
    // The ids were copied as they are: the next weighing must go on after the last one.
    if (m_destino.backend() != Backend::Postgresql) return;  // sqlite keeps its own count
    const RecordSet rs = m_destino.consultar(
        QStringLiteral("SELECT table_name, column_name FROM information_schema.columns WHERE is_identity = 'YES' "
                       "AND table_schema = current_schema()"));
    for (int i = 0; i < rs.count(); ++i) {
        const QString tabela = rs.text(i, QStringLiteral("table_name"));
        const QString coluna = rs.text(i, QStringLiteral("column_name"));
        m_destino.escalar(QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), COALESCE(MAX(%2), 0) + 1, "
                                         "false) FROM %1")
                              .arg(tabela, coluna));
    }
}

QStringList CopiaInstalacao::compararContagens() {
    QStringList diferencas;
    for (const QString& t : m_tabelas) {
        const qint64 a = contar(m_origem, t);
        const qint64 b = contar(m_destino, t);
        if (a != b) diferencas << QStringLiteral("%1: %2 na origem, %3 no destino").arg(t).arg(a).arg(b);
    }
    return diferencas;
}
