// The outgoing desk on a large database (made by bench_desk_dados), through the desk
// core as the operator drives it: validating a customer code (type it, leave the
// field), the pending list (btPendentes) and a month of history (btLer on the range
// of last month). Prints the median and the maximum of each, with the targets, and, on
// SQLite, the query plans of the statements each action ran.
//   bench_desk DIR [--runs N] [--sem-indices]
// DIR is a data folder made by bench_desk_dados, on SQLite or on a PostgreSQL server
// (its configuration says which).
// --sem-indices first drops the program's indexes (to measure a database as older
// versions left it); otherwise the start-up step that creates missing ones runs first
// and its time is printed.
#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QVariant>
#include <algorithm>
#include <cstdio>
#include <random>

#include "base/basedados.h"
#include "base/catalogo.h"
#include "base/configlocation.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "base/operatormessages.h"
#include "base/programinfo.h"
#include "desks/deskcore.h"
#include "desks/deskkind.h"
#include "desks/figurasdia.h"
#include "desks/ui/deskwindow.h"
#include "erp/apiregistry.h"
#include "erp/sessaosagelocal.h"
#include "records/parametrosaplic.h"

namespace {

class Mensagens : public OperatorMessages {
  public:
    bool mostrarAviso(int, const QString& t) override { return guardar(t); }
    void mostrarEstado(int, const QString& t) override { guardar(t); }
    void mensagem(const QString& t) override { guardar(t); }
    bool guardar(const QString& t) {
        todas << t;
        return true;
    }
    QStringList todas;
};

// The statements SQLite runs while capturing is on (the desk's own texts).
struct Captura {
    bool activa = false;
    QStringList sql;
};

int onTrace(unsigned, void* ctx, void*, void* x) {
    auto* c = static_cast<Captura*>(ctx);
    if (c->activa) {
        const QString s = QString::fromUtf8(static_cast<const char*>(x)).simplified();
        if (!c->sql.contains(s)) c->sql << s;
    }
    return 0;
}

void planos(const QSqlDatabase& db, const QStringList& sql) {
    for (const QString& s : sql) {
        if (!s.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive)) continue;
        std::printf("  %s\n", qPrintable(s.left(150)));
        // Qt hands SQLite its placeholders as :0, :1, ...; the plan does not depend on the values.
        QString texto = s;
        texto.replace(QRegularExpression(QStringLiteral(":\\d+")), QStringLiteral("?"));
        QSqlQuery q(db);
        q.prepare(QLatin1String("EXPLAIN QUERY PLAN ") + texto);
        for (qsizetype n = texto.count(QLatin1Char('?')); n > 0; --n) q.addBindValue(QVariant());
        if (!q.exec()) {
            std::printf("    (no plan: %s)\n", qPrintable(q.lastError().text()));
            continue;
        }
        while (q.next()) std::printf("    plan: %s\n", qPrintable(q.value(3).toString()));
    }
}

struct Medida {
    QList<double> ms;
    double mediana() const {
        QList<double> s = ms;
        std::sort(s.begin(), s.end());
        return s.isEmpty() ? 0 : s[s.size() / 2];
    }
    double maximo() const { return ms.isEmpty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

void relatorio(const char* nome, const Medida& m, double alvo, qint64 linhas) {
    std::printf("%s: runs=%lld rows=%lld median_ms=%.2f max_ms=%.2f target_ms=%.0f %s\n", nome, qint64(m.ms.size()),
                linhas, m.mediana(), m.maximo(), alvo, m.mediana() < alvo ? "ok" : "SLOW");
}

double ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

// Today's figures of the outgoing desk, on the latest day that has finished weighings
// (the generated data may end before today).
Medida figurasDia(BaseDados& db, const QSqlDatabase& conn, Captura& captura, int runs, qint64& linhas) {
    const QDate dia = RecordSet::toDateTime(
                          db.escalar(QStringLiteral("SELECT MAX(DataHoraPL) FROM kel_PES_Historico WHERE Tipo = 'S'")))
                          .date();
    Medida m;
    for (int i = 0; i < runs * 10; ++i) {
        captura.activa = i == 0;
        QElapsedTimer t;
        t.start();
        const FigurasDia f = FigurasDia::ler(db, QStringLiteral("S"), dia.isValid() ? dia : QDate::currentDate());
        m.ms << ms(t);
        captura.activa = false;
        linhas = f.total.concluidas + f.total.pendentes;
    }
    std::printf("\n[day figures %s]\n", qPrintable(dia.toString(Qt::ISODate)));
    planos(conn, captura.sql);
    captura.sql.clear();
    return m;
}

// The month of history in the desk's window: from the operator's "Ler" to its first
// screen of rows painted, then scrolling to the end one step (a page read) at a time.
void historiaNoEcra(BaseDados& db, ParametrosAplic& parametros, OperatorMessages& msgs, SessaoSage& erp,
                    const QDate& de, const QDate& ate, int runs) {
    DeskWindow w(DeskKind::saidas(), db, parametros, msgs, erp);
    w.resize(1280, 720);
    w.show();
    QCoreApplication::processEvents();
    auto* ler = w.findChild<QPushButton*>(QStringLiteral("btler"));
    auto* historico = w.findChild<QPushButton*>(QStringLiteral("btHistorico"));
    auto* cancelar = w.findChild<QPushButton*>(QStringLiteral("btCancGeral"));
    auto* grelha = w.findChild<QTableWidget*>(QStringLiteral("Grelha"));
    Medida ecra, passos;
    qint64 linhas = 0;
    for (int i = 0; i < runs; ++i) {
        cancelar->click();
        historico->click();
        w.core().setPeriodoHistorico(de, ate);
        QElapsedTimer t;
        t.start();
        ler->click();
        grelha->viewport()->repaint();
        ecra.ms << ms(t);
        linhas = grelha->rowCount() + w.core().linhasPorLer();
        if (i + 1 < runs) continue;
        QScrollBar* barra = grelha->verticalScrollBar();
        while (w.core().linhasPorLer() > 0) {
            t.start();
            barra->setValue(barra->maximum());
            grelha->viewport()->repaint();
            passos.ms << ms(t);
        }
    }
    relatorio("history_month_screen", ecra, 50, linhas);
    relatorio("history_month_scroll_step", passos, 16, grelha->rowCount());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    int runs = 30;
    bool semIndices = false;
    QString pasta;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QStringLiteral("--sem-indices"))
            semIndices = true;
        else
            pasta = args[i];
    }
    if (pasta.isEmpty()) {
        std::fprintf(stderr, "usage: bench_desk DIR [--runs N] [--sem-indices]\n");
        return 2;
    }
    qputenv("BALANTRIX_DATA_DIR", pasta.toLocal8Bit());
    FicheiroConfig config(ConfigLocation::configFile(QCoreApplication::applicationDirPath(), QString()));
    const SqlSettings sql = ConfigSQL::ler(config);

    Mensagens msgs;
    BaseDados db(QStringLiteral("bench"));
    if (!db.abrir(sql)) {
        std::fprintf(stderr, "database: %s\n", qPrintable(db.ultimoErro()));
        return 1;
    }
    const QSqlDatabase conn = QSqlDatabase::database(QStringLiteral("bench"));
    if (semIndices) {
        for (const CatalogIndex& ix : CatalogIndex::all())
            db.executar(QStringLiteral("DROP INDEX IF EXISTS ") + ix.nome);
        std::printf("indexes=dropped\n");
    } else {
        QElapsedTimer t;
        t.start();
        const Catalogo::ResultadoIndices r = Catalogo(db, msgs, ProgramInfo::version()).garantirIndices();
        std::printf("indexes=%s created=%lld create_ms=%.0f\n", r.ok ? "ok" : "FAILED", qint64(r.criados.size()),
                    ms(t));
    }

    SessaoSageLocal erp(sql, QStringLiteral("bench_erp"));
    if (!erp.ligar(QStringLiteral("local"), {}, QStringLiteral("DEMO"), QStringLiteral("admin"),
                   QStringLiteral("demo"))) {
        std::fprintf(stderr, "ERP connection failed\n");
        return 1;
    }
    ParametrosAplic parametros;
    parametros.ler(db, msgs);
    ApiRegistry registry;
    DeskCore desk(DeskKind::saidas(), db, parametros, msgs, erp, registry);

    Captura captura;
    // The statements' plans come from SQLite's trace hook; a server has no such hook here.
    sqlite3* handle = nullptr;
    if (db.backend() == Backend::Sqlite) {
        handle = *static_cast<sqlite3* const*>(conn.driver()->handle().constData());
        sqlite3_trace_v2(handle, SQLITE_TRACE_STMT, onTrace, &captura);
    }
    std::printf("backend=%s\n", qPrintable(SqlSettings::nomeBackend(db.backend())));

    QStringList codigos;
    {
        const RecordSet rs = db.consultar(QStringLiteral("SELECT CODIGO FROM Clientes WHERE Inactivo = 0"));
        for (int r = 0; r < rs.count(); ++r) codigos << rs.text(r, QStringLiteral("CODIGO"));
    }
    std::printf("customers=%lld weighings=%lld\n", qint64(codigos.size()),
                db.escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")).toLongLong());
    std::mt19937 rng(7);

    // Customer code: typed into its field and validated on leaving it.
    Medida validar;
    for (int i = 0; i < runs * 10; ++i) {
        desk.btCancGeral();
        desk.btEntrada();
        const QString codigo = codigos[std::uniform_int_distribution<int>(0, codigos.size() - 1)(rng)];
        captura.activa = i == 0;
        QElapsedTimer t;
        t.start();
        desk.escrever(Campo::Terceiro, codigo);
        const bool ok = desk.sair(Campo::Terceiro);
        validar.ms << ms(t);
        captura.activa = false;
        if (!ok || desk.campo(Campo::Nome).isEmpty()) {
            std::fprintf(stderr, "customer %s refused: %s\n", qPrintable(codigo), qPrintable(msgs.todas.join(u'|')));
            return 1;
        }
    }
    std::printf("\n[customer code]\n");
    planos(conn, captura.sql);
    captura.sql.clear();

    Medida pendentes;
    qint64 linhasPendentes = 0;
    for (int i = 0; i < runs; ++i) {
        desk.btCancGeral();
        captura.activa = i == 0;
        QElapsedTimer t;
        t.start();
        desk.btPendentes();
        pendentes.ms << ms(t);
        captura.activa = false;
        linhasPendentes = desk.grelha().linhas.size();
    }
    std::printf("\n[pending list]\n");
    planos(conn, captura.sql);
    captura.sql.clear();

    Medida historico;
    qint64 linhasHistorico = 0;
    const QDate hoje = QDate::currentDate();
    const QDate de = QDate(hoje.year(), hoje.month(), 1).addMonths(-1);
    const QDate ate = de.addMonths(1).addDays(-1);
    for (int i = 0; i < runs; ++i) {
        desk.btCancGeral();
        desk.btHistorico();
        desk.setPeriodoHistorico(de, ate);
        captura.activa = i == 0;
        QElapsedTimer t;
        t.start();
        desk.btLer();
        historico.ms << ms(t);
        captura.activa = false;
        linhasHistorico = desk.grelha().linhas.size();
    }
    std::printf("\n[history %s..%s]\n", qPrintable(de.toString(Qt::ISODate)), qPrintable(ate.toString(Qt::ISODate)));
    planos(conn, captura.sql);
    captura.sql.clear();
    qint64 pesagensDia = 0;
    const Medida dia = figurasDia(db, conn, captura, runs, pesagensDia);
    if (handle) sqlite3_trace_v2(handle, 0, nullptr, nullptr);

    std::printf("\n");
    relatorio("customer_code", validar, 5, 1);
    relatorio("pending_list", pendentes, 5, linhasPendentes);
    relatorio("history_month", historico, 200, linhasHistorico);
    relatorio("day_figures", dia, 5, pesagensDia);
    historiaNoEcra(db, parametros, msgs, erp, de, ate, runs);
    if (!msgs.todas.isEmpty()) std::printf("messages: %s\n", qPrintable(msgs.todas.first()));
    erp.desligar();
    return 0;
}
