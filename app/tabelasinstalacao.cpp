#include "app/tabelasinstalacao.h"

#include <QRegularExpression>

#include "base/basedados.h"
#include "base/catalogo.h"
#include "base/intentnotes.h"
#include "base/operatormessages.h"
#include "base/programinfo.h"
#include "base/tabelapropria.h"
#include "erp/erpschema.h"
#include "records/tabelasrastreio.h"

QStringList TabelasInstalacao::todas() {
    static const QRegularExpression criar(QStringLiteral("CREATE\\s+TABLE\\s+(?:IF\\s+NOT\\s+EXISTS\\s+)?(\\w+)"),
                                          QRegularExpression::CaseInsensitiveOption);
    QStringList sqls = ErpSchema::createStatements();
    sqls += Catalogo::script(Backend::Sqlite);
    sqls += IntentNotes::statements(Backend::Sqlite).create;
    for (const TabelaPropria& t : TabelaPropria::all()) sqls << t.statement(Backend::Sqlite);
    sqls += TabelasRastreio::instrucoes(Backend::Sqlite);
    QStringList out;
    for (const QString& sql : sqls) {
        const QRegularExpressionMatch m = criar.match(sql);
        if (!m.hasMatch()) continue;
        const QString nome = m.captured(1);
        // The counters' rebuild in an upgrade makes a table that ends under the old name.
        if (nome.endsWith(QStringLiteral("_novo"), Qt::CaseInsensitive)) continue;
        if (!out.contains(nome, Qt::CaseInsensitive)) out << nome;
    }
    return out;
}

QStringList TabelasInstalacao::presentes(BaseDados& db) {
    QStringList out;
    for (const QString& t : todas())
        if (db.tableExists(t)) out << t;
    return out;
}

void TabelasInstalacao::criarVazias(BaseDados& db, bool comErp) {
    if (comErp)
        for (const QString& sql : ErpSchema::createStatements(db.backend())) db.executar(sql);
    MensagensCaladas messages;
    Catalogo catalogo(db, messages, ProgramInfo::version());
    catalogo.criarCatalogoBase();
    if (!catalogo.verificarVersao(true).ok) throw DbError(-1, messages.last);
    if (!catalogo.garantirIndices().ok) throw DbError(-1, messages.last);
    TabelasRastreio::garantir(db);
}
