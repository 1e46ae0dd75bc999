// Several workstations on one database: P processes, each with its own connections and
// its own outgoing desk, make whole weighings (first weight, second weight, completion
// with its ERP document) for S seconds on one SQLite file or a PostgreSQL server
// (--server HOST:PORT: in the database given, or a new one made and dropped for the run).
// Prints weighings_per_second, failures and repeated tickets; fails on any of the last two.
//   bench-postos [--processes 6] [--seconds 60] [--database FILE|NAME] [--server HOST:PORT]
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "base/catalogo.h"
#include "base/operatormessages.h"
#include "base/programinfo.h"
#include "desks/deskcore.h"
#include "desks/deskkind.h"
#include "erp/apiregistry.h"
#include "erp/demodata.h"
#include "erp/erpschema.h"
#include "erp/sessaosagelocal.h"
#include "records/parametrosaplic.h"
#include "records/tabelasrastreio.h"

namespace {

class Mensagens : public OperatorMessages {
  public:
    bool mostrarAviso(int, const QString& t) override { return guardar(t); }
    void mostrarEstado(int, const QString& t) override { guardar(t); }
    void mensagem(const QString& t) override { guardar(t); }
    QString ultima;

  private:
    bool guardar(const QString& t) {
        ultima = t;
        return true;
    }
};

struct Escolha : LookupProvider {
    QString escolher(const LookupSpec&) override { return {}; }
};
struct Peso : WeightSource {
    Money peso;
    bool pesar(Money& p, QString&) override {
        p = peso;
        return true;
    }
};
struct SemTalao : TicketActions {
    bool imprimir(qint32, bool, int, QString&) override { return true; }
    bool enviarEmail(qint32, bool, const QString&) override { return true; }
};

QString g_servidor;

SqlSettings settingsFor(const QString& base) {
    if (!g_servidor.isEmpty())
        return SqlSettings{QStringLiteral("postgresql"), g_servidor, base, QStringLiteral("postgres"), QString()};
    return SqlSettings{QStringLiteral("sqlite"), QStringLiteral("local"), base, QString(), QString()};
}

bool administrar(const QString& sql) {
    BaseDados admin(QStringLiteral("admin"));
    if (!admin.abrir(settingsFor(QStringLiteral("postgres")))) {
        std::fprintf(stderr, "%s\n", qPrintable(admin.ultimoErro()));
        return false;
    }
    try {
        admin.executar(sql);
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.texto()));
        return false;
    }
    return true;
}

bool preparar(const QString& base) {
    BaseDados db(QStringLiteral("preparar"));
    if (!db.abrir(settingsFor(base), BaseDados::OpenMode::CreateIfMissing)) {
        std::fprintf(stderr, "%s\n", qPrintable(db.ultimoErro()));
        return false;
    }
    Mensagens m;
    try {
        ErpSchema::criar(db, QStringLiteral("DEMO"), QStringLiteral("admin"), QStringLiteral("demo"));
        DemoData::preencher(db);
        Catalogo catalogo(db, m, ProgramInfo::version());
        catalogo.criarCatalogoBase();
        if (!catalogo.verificarVersao(true).ok || !catalogo.garantirIndices().ok) throw DbError(-1, m.ultima);
        TabelasRastreio::garantir(db);
        if (!ParametrosAplic::gravar(
                db, m,
                {QStringLiteral("1"), QStringLiteral("A1"), QStringLiteral("GEM"), QStringLiteral("1"),
                 QStringLiteral("GES"), QStringLiteral("2"), QStringLiteral("GR"), QStringLiteral("1"),
                 QStringLiteral("PES"), QStringLiteral("A2"), QStringLiteral("2")}))
            throw RegraRecusada(m.ultima);
    } catch (const ErroOperacao& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.texto()));
        return false;
    }
    return true;
}

// One workstation: whole weighings until the time is up; prints "ok N" and "falhas M".
int posto(const QString& base, int numero, int segundos) {
    BaseDados db(QStringLiteral("posto"));
    if (!db.abrir(settingsFor(base))) {
        std::fprintf(stderr, "%s\n", qPrintable(db.ultimoErro()));
        return 1;
    }
    Mensagens m;
    ParametrosAplic parametros;
    parametros.ler(db, m);
    SessaoSageLocal erp(settingsFor(base), QStringLiteral("erp_posto"));
    erp.ligar(QStringLiteral("local"), {}, QStringLiteral("DEMO"), QStringLiteral("admin"), QStringLiteral("demo"));
    ApiRegistry registo;
    Escolha escolha;
    Peso balanca;
    SemTalao talao;
    DeskCore d(DeskKind::saidas(), db, parametros, m, erp, registo);
    d.setLookupProvider(&escolha);
    d.setWeightSource(&balanca);
    d.setTicketActions(&talao);
    const char* clientes[] = {"C001", "C002"};
    int feitas = 0, falhas = 0;
    const QDeadlineTimer fim(qint64(segundos) * 1000);
    for (int n = 0; !fim.hasExpired(); ++n) {
        const QString matricula = QStringLiteral("%1-P%2-%3").arg(n % 100).arg(numero).arg(n / 100);
        d.btEntrada();
        d.escrever(Campo::Terceiro, QString::fromLatin1(clientes[n % 2]));
        d.sair(Campo::Terceiro);
        d.escrever(Campo::Artigo, QStringLiteral("MILHO"));
        d.sair(Campo::Artigo);
        d.escrever(Campo::Matricula, matricula.left(10));
        d.sair(Campo::Matricula);
        balanca.peso = Money::fromInteger(12000 + n % 500);
        d.btPeso();
        d.escrever(Campo::Peso, QString::number(12000 + n % 500));
        d.btConfPeso(Gravacao::Confirmar);
        bool ok = false;
        try {
            const qint32 id = db.escalar(QStringLiteral("SELECT MAX(Hist_Id) FROM kel_PES_Historico WHERE Carro = ? "
                                                        "AND DataHoraPL IS NULL"),
                                         {matricula.left(10)})
                                  .toInt();
            d.btPendentes();
            int linha = -1;
            for (int r = 0; r < d.grelha().linhas.size(); ++r)
                if (d.grelha().valor(r, QStringLiteral("Id")).toInt() == id) linha = r;
            if (id > 0 && linha >= 0) {
                d.activarLinha(linha);
                balanca.peso = Money::fromInteger(38000 + n % 700);
                d.btPeso();
                d.escrever(Campo::Peso, QString::number(38000 + n % 700));
                d.btConfPeso(Gravacao::Confirmar);
                d.btConf();
                d.btConfFinal(Gravacao::Confirmar);
                ok = db.escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico WHERE Hist_Id = ? AND "
                                               "DataHoraPL IS NOT NULL AND NoDoc > 0"),
                                {id})
                         .toInt() == 1;
            }
        } catch (const DbError& e) {
            m.ultima = e.texto();
        }
        if (ok) {
            ++feitas;
        } else {
            ++falhas;
            std::fprintf(stderr, "posto %d: %s\n", numero, qPrintable(m.ultima));
            d.btCancGeral();
        }
    }
    std::printf("ok %d\nfalhas %d\n", feitas, falhas);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("processes"), QStringLiteral("Workstations."), QStringLiteral("P"), QStringLiteral("6")});
    parser.addOption(
        {QStringLiteral("seconds"), QStringLiteral("Length of the run."), QStringLiteral("S"), QStringLiteral("60")});
    parser.addOption(
        {QStringLiteral("database"), QStringLiteral("SQLite file or PostgreSQL database."), QStringLiteral("BASE")});
    parser.addOption({QStringLiteral("server"), QStringLiteral("PostgreSQL server."), QStringLiteral("HOST:PORT")});
    parser.addOption({QStringLiteral("posto"), QStringLiteral("Internal: run as workstation N."), QStringLiteral("N")});
    parser.process(app);
    g_servidor = parser.value(QStringLiteral("server"));
    const int processos = parser.value(QStringLiteral("processes")).toInt();
    const int segundos = parser.value(QStringLiteral("seconds")).toInt();
    if (processos < 1 || segundos < 1) {
        std::fprintf(stderr, "--processes and --seconds must be at least 1\n");
        return 2;
    }
    QTemporaryDir tmp;
    QString base = parser.value(QStringLiteral("database"));
    if (parser.isSet(QStringLiteral("posto")))
        return posto(base, parser.value(QStringLiteral("posto")).toInt(), segundos);
    bool temporaria = false;
    if (base.isEmpty()) {
        if (g_servidor.isEmpty()) {
            base = tmp.filePath(QStringLiteral("postos.db"));
        } else {
            base = QStringLiteral("bench_postos_%1").arg(QCoreApplication::applicationPid());
            if (!administrar(QStringLiteral("CREATE DATABASE %1").arg(base))) return 1;
            temporaria = true;
        }
        if (!preparar(base)) return 1;
    }
    struct Apagar {
        bool sim;
        QString nome;
        ~Apagar() {
            if (sim) administrar(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(nome));
        }
    } apagar{temporaria, base};

    QElapsedTimer relogio;
    relogio.start();
    QList<QProcess*> postos;
    for (int p = 0; p < processos; ++p) {
        auto* proc = new QProcess(&app);
        QStringList args{QStringLiteral("--posto"), QString::number(p + 1),       QStringLiteral("--seconds"),
                         QString::number(segundos), QStringLiteral("--database"), base};
        if (!g_servidor.isEmpty()) args << QStringLiteral("--server") << g_servidor;
        proc->start(QCoreApplication::applicationFilePath(), args);
        postos << proc;
    }
    int feitas = 0, falhas = 0, parados = 0;
    for (QProcess* proc : postos) {
        proc->waitForFinished(-1);
        if (proc->exitCode() != 0 || proc->exitStatus() != QProcess::NormalExit) ++parados;
        std::fputs(proc->readAllStandardError().left(2000).constData(), stderr);
        for (const QByteArray& linha : proc->readAllStandardOutput().split('\n')) {
            if (linha.startsWith("ok ")) feitas += linha.mid(3).toInt();
            if (linha.startsWith("falhas ")) falhas += linha.mid(7).toInt();
        }
    }
    const double tempo = relogio.nsecsElapsed() / 1e9;
    int repetidos = -1;
    {
        BaseDados db(QStringLiteral("contar"));
        if (db.abrir(settingsFor(base)))
            repetidos = db.escalar(QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM kel_PES_Historico WHERE Tipo = "
                                                  "'S' GROUP BY Campanha, Terceiro, TipoMorada, NoTalao HAVING "
                                                  "COUNT(*) > 1) AS d"))
                            .toInt();
    }
    std::printf(
        "backend=%s\nprocesses=%d\nseconds=%.1f\nweighings=%d\nfailures=%d\nstopped_processes=%d\n"
        "repeated_tickets=%d\nweighings_per_second=%.2f\n",
        g_servidor.isEmpty() ? "sqlite" : "postgresql", processos, tempo, feitas, falhas, parados, repetidos,
        feitas / tempo);
    return (falhas == 0 && parados == 0 && repetidos == 0 && feitas > 0) ? 0 : 1;
}
