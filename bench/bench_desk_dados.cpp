// Fills a demo installation with a weighbridge's years of work, for the desk benchmark:
// the demo company (configuration, ERP tables, catalogue, parameters) plus generated
// customers with their addresses, suppliers, plates, and weighings spread over the last
// years, both kinds, almost all finished (with their ERP document, complement row,
// ticket copies and counters), a few hundred still pending. The demo's own weighings are
// replaced by the generated ones. Rows are written straight
// into the tables in large transactions through statements prepared once: this is test
// data, not the program's way of saving a weighing.
//   bench_desk_dados DIR [--clientes N] [--pesagens N] [--anos N] [--semente N]
//                        [--server HOST:PORT [--database NAME] [--login USER] [--valores N]]
// DIR becomes a data folder: DIR/norvak/Balantrix.kel and DIR/norvak/balantrix-demo.db
// (run the program on it with BALANTRIX_DATA_DIR=DIR). With --server the installation
// is made on that PostgreSQL server instead, in a new database (bench_desk_<time>_<pid>
// unless named; a named one must not hold weighings), and the configuration points at it.
// On PostgreSQL each statement carries many rows (about --valores values, 8000 unless
// given; 0: one row a statement), which saves a round trip and a statement per row.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "app/demo.h"
#include "base/basedados.h"
#include "base/dberror.h"
#include "records/numeracao.h"

namespace {

const char* kIso = "yyyy-MM-dd HH:mm:ss";

[[noreturn]] void fail(const QString& what) {
    std::fprintf(stderr, "erro: %s\n", qPrintable(what));
    std::exit(1);
}

// How many values one statement may carry (g_maxValores / values of a row rows at a
// time); 0 sends every row on its own, which SQLite does fastest.
int g_maxValores = 0;

// One statement prepared once and run for many rows, one or many rows per statement.
// "INSERT ... VALUES (row) [tail]": the row is repeated, the tail kept at the end.
class Insert {
  public:
    Insert(const QSqlDatabase& db, const QString& sql) : m_db(db), m_q(db) {
        const int values = int(sql.indexOf(QLatin1String(" VALUES ("))) + 8;
        const int fim = int(sql.indexOf(QLatin1Char(')'), values)) + 1;
        m_cabeca = sql.left(values);
        m_linha = sql.mid(values, fim - values);
        m_cauda = sql.mid(fim);
        m_colunas = int(m_linha.count(QLatin1Char('?')));
        m_porStatement = std::max(1, g_maxValores / std::max(1, m_colunas));
        if (!m_q.prepare(texto(m_porStatement))) fail(m_q.lastError().text() + QStringLiteral(" in ") + sql);
    }
    ~Insert() { flush(); }
    void run(const QVariantList& values) {
        if (m_porStatement == 1) {
            for (int i = 0; i < values.size(); ++i) m_q.bindValue(i, values[i]);
            if (!m_q.exec()) fail(m_q.lastError().text() + QStringLiteral(" in ") + m_q.lastQuery());
            return;
        }
        m_pendentes += values;
        if (m_pendentes.size() == qsizetype(m_porStatement) * m_colunas) enviar(m_q);
    }
    void flush() {
        if (m_pendentes.isEmpty()) return;
        QSqlQuery resto(m_db);
        if (!resto.prepare(texto(int(m_pendentes.size() / m_colunas)))) fail(resto.lastError().text());
        enviar(resto);
    }

  private:
    QString texto(int linhas) const {
        QString t = m_cabeca;
        for (int i = 0; i < linhas; ++i) t += (i ? QStringLiteral(", ") : QString()) + m_linha;
        return t + m_cauda;
    }
    void enviar(QSqlQuery& q) {
        for (int i = 0; i < m_pendentes.size(); ++i) q.bindValue(i, m_pendentes[i]);
        if (!q.exec()) fail(q.lastError().text().left(500));
        m_pendentes.clear();
    }
    QSqlDatabase m_db;
    QSqlQuery m_q;
    int m_porStatement;
    QString m_cabeca, m_linha, m_cauda;
    int m_colunas = 0;
    QVariantList m_pendentes;
};

void exec(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql)) fail(q.lastError().text() + QStringLiteral(" in ") + sql);
}

QStringList column(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql)) fail(q.lastError().text());
    QStringList out;
    while (q.next()) out << q.value(0).toString();
    return out;
}

// Commits every so many rows so that a transaction stays large but bounded (SQLite's
// WAL file); with 0, one transaction for the whole phase.
qint64 g_linhasPorCommit = 100000;

class Lote {
  public:
    explicit Lote(QSqlDatabase db) : m_db(std::move(db)) { m_db.transaction(); }
    ~Lote() {
        if (!m_db.commit()) fail(m_db.lastError().text());
    }
    void linha() {
        if (g_linhasPorCommit > 0 && ++m_n % g_linhasPorCommit == 0) {
            m_db.commit();
            m_db.transaction();
        }
    }

  private:
    QSqlDatabase m_db;
    qint64 m_n = 0;
};

const char* kNomes[] = {"António", "Manuel",   "José",     "Joaquim", "Maria",  "Ana",
                        "Rosa",    "Fernando", "Carlos",   "Paulo",   "Rui",    "Luís",
                        "Teresa",  "Isabel",   "Domingos", "Abílio",  "Albano", "Conceição"};
const char* kApelidos[] = {"Silva", "Pereira",  "Fernandes", "Costa",    "Martins",   "Gonçalves", "Araújo",
                           "Sousa", "Lopes",    "Ribeiro",   "Carvalho", "Machado",   "Faria",     "Barbosa",
                           "Cunha", "Oliveira", "Vieira",    "Antunes",  "Magalhães", "Sá"};
const char* kEmpresas[] = {
    "Quinta", "Casa Agrícola", "Vacaria", "Exploração Pecuária", "Avícola", "Suinicultura", "Sociedade Agrícola",
    "Granja", "Herdade"};
const char* kLugares[] = {"do Outeiro", "da Igreja",   "do Monte", "de São Bento", "da Ponte", "do Paço",
                          "da Fonte",   "do Cruzeiro", "de Baixo", "da Veiga",     "do Souto", "das Lameiras"};

QString nif(std::mt19937_64& rng) {
    // Eight digits and the check digit (modulo 11), first digit 1, 2 or 5.
    std::uniform_int_distribution<int> d(0, 9);
    int digits[9];
    digits[0] = std::array<int, 3>{1, 2, 5}[std::uniform_int_distribution<int>(0, 2)(rng)];
    for (int i = 1; i < 8; ++i) digits[i] = d(rng);
    int sum = 0;
    for (int i = 0; i < 8; ++i) sum += digits[i] * (9 - i);
    const int check = 11 - sum % 11;
    digits[8] = check >= 10 ? 0 : check;
    QString s;
    for (int v : digits) s += QChar(u'0' + v);
    return s;
}

QString matricula(std::mt19937_64& rng) {
    std::uniform_int_distribution<int> l(0, 25), n(0, 99);
    auto letras = [&] { return QString(QChar(u'A' + l(rng))) + QChar(u'A' + l(rng)); };
    return QStringLiteral("%1-%2-%3").arg(letras()).arg(n(rng), 2, 10, QLatin1Char('0')).arg(letras());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    int nClientes = 100000;
    int nPesagens = 1000000;
    int anos = 4;
    quint64 semente = 20261;
    QString pasta, servidor, nomeBase, login = QStringLiteral("postgres");
    int valores = -1;
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        auto next = [&] { return i + 1 < args.size() ? args[++i].toLongLong() : 0; };
        auto texto = [&] { return i + 1 < args.size() ? args[++i] : QString(); };
        if (a == QStringLiteral("--server"))
            servidor = texto();
        else if (a == QStringLiteral("--database"))
            nomeBase = texto();
        else if (a == QStringLiteral("--login"))
            login = texto();
        else if (a == QStringLiteral("--valores"))
            valores = int(next());
        else if (a == QStringLiteral("--clientes"))
            nClientes = int(next());
        else if (a == QStringLiteral("--pesagens"))
            nPesagens = int(next());
        else if (a == QStringLiteral("--anos"))
            anos = std::max<int>(1, int(next()));
        else if (a == QStringLiteral("--semente"))
            semente = quint64(next());
        else
            pasta = a;
    }
    if (pasta.isEmpty() || nClientes < 1 || nPesagens < 1) {
        std::fprintf(stderr,
                     "usage: bench_desk_dados DIR [--clientes N] [--pesagens N] [--anos N] [--semente N]\n"
                     "                        [--server HOST:PORT [--database NAME] [--login USER] [--valores N]]\n");
        return 2;
    }
    const bool pg = !servidor.isEmpty();
    if (pg && nomeBase.isEmpty())
        nomeBase = QStringLiteral("bench_desk_%1_%2")
                       .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")))
                       .arg(QCoreApplication::applicationPid());
    // The name goes into CREATE DATABASE, where it cannot be a parameter.
    if (pg && !QRegularExpression(QStringLiteral("^[a-z_][a-z0-9_]{0,62}$")).match(nomeBase).hasMatch())
        fail(QStringLiteral("nome de base de dados inválido: %1 (letras minúsculas, algarismos e _)").arg(nomeBase));
    QDir().mkpath(pasta);
    qputenv("BALANTRIX_DATA_DIR", QDir(pasta).absolutePath().toLocal8Bit());
    QElapsedTimer total;
    total.start();

    // The demo installation as `demo init` makes it.
    SqlSettings alvo{QStringLiteral("postgresql"), servidor, nomeBase, login, QString()};
    if (pg) {
        BaseDados admin(QStringLiteral("admin"));
        if (!admin.abrir(
                SqlSettings{QStringLiteral("postgresql"), servidor, QStringLiteral("postgres"), login, QString()}))
            fail(admin.ultimoErro());
        try {
            if (admin.escalar(QStringLiteral("SELECT COUNT(*) FROM pg_database WHERE datname = ?"), {nomeBase})
                    .toInt() == 0)
                admin.executar(QStringLiteral("CREATE DATABASE ") + nomeBase);
        } catch (const DbError& e) {
            fail(e.texto());
        }
    }
    const Demo::Resultado demo = pg ? Demo::criarEmServidor(QString(), true, alvo) : Demo::criar(QString(), true);
    if (!demo.ok) fail(demo.mensagem);
    if (!pg) alvo = SqlSettings{QStringLiteral("sqlite"), QStringLiteral("local"), demo.database, QString(), QString()};

    BaseDados base(QStringLiteral("gerador"));
    if (!base.abrir(alvo)) fail(base.ultimoErro());
    QSqlDatabase db = QSqlDatabase::database(QStringLiteral("gerador"));
    if (pg) {
        // About 8,000 values a statement (PostgreSQL takes up to 65,535), one transaction a phase.
        g_maxValores = valores >= 0 ? valores : 8000;
        g_linhasPorCommit = 0;
    } else {
        exec(db, QStringLiteral("PRAGMA synchronous=OFF"));
        exec(db, QStringLiteral("PRAGMA cache_size=-200000"));
    }
    // The demo's own few weighings (with their documents, tickets and counters) give way
    // to the generated years: record, ticket and document numbers start afresh and grow
    // with time, as one installation's would.
    for (const char* tabela :
         {"kel_PES_Historico_Comp", "kel_PES_Vias", "kel_PES_Historico", "kel_PES_Taloes", "DocGCLin", "DocGCCab"})
        exec(db, QStringLiteral("DELETE FROM ") + QLatin1String(tabela));
    std::mt19937_64 rng(semente);
    auto uni = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
    auto prob = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };

    const QStringList codPostais = column(db, QStringLiteral("SELECT Cod FROM CodPost ORDER BY Cod"));
    QHash<QString, QString> localidade;
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT Cod, Descr FROM CodPost"));
        while (q.next()) localidade.insert(q.value(0).toString(), q.value(1).toString());
    }
    const QStringList tiposMorada = column(db, QStringLiteral("SELECT Codigo FROM TpMorada ORDER BY Codigo"));
    const QStringList artigosSaida = {QStringLiteral("RAC-VL"),  QStringLiteral("RAC-SUI"),
                                      QStringLiteral("RAC-FRG"), QStringLiteral("ADUBO-NPK"),
                                      QStringLiteral("MILHO"),   QStringLiteral("BAGSOJA44")};
    const QStringList artigosEntrada = {QStringLiteral("MILHO"), QStringLiteral("TRIGO"), QStringLiteral("CEVADA"),
                                        QStringLiteral("BAGSOJA44"), QStringLiteral("ADUBO-NPK")};
    QStringList clientes = column(db, QStringLiteral("SELECT CODIGO FROM Clientes WHERE Inactivo = 0 ORDER BY CODIGO"));
    QStringList fornecedores =
        column(db, QStringLiteral("SELECT CODIGO FROM Fornec WHERE Inactivo = 0 ORDER BY CODIGO"));
    QHash<QString, QString> nifs;
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT CODIGO, NContrib FROM Clientes UNION ALL SELECT CODIGO, NContrib FROM Fornec"));
        while (q.next()) nifs.insert(q.value(0).toString(), q.value(1).toString());
    }

    // --- customers and suppliers, with addresses ---
    QElapsedTimer fase;
    fase.start();
    const int nFornecedores = std::max(10, nClientes / 50);
    QHash<QString, int> moradasDe;  // number of delivery addresses of a customer
    {
        Lote lote(db);
        Insert cli(db, QStringLiteral("INSERT INTO Clientes (CODIGO, NOME, Morada, Local, CdPostal, NContrib, "
                                      "email_envio_documentos, Inactivo) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        Insert forn(db, QStringLiteral("INSERT INTO Fornec (CODIGO, NOME, Morada, Local, CdPostal, NContrib, Email, "
                                       "Inactivo) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        Insert mor(db,
                   QStringLiteral("INSERT INTO MORADAS (TERCEIRO, TPTERC, CDMORADA, Descr, Local, CdPostal, TpMorada) "
                                  "VALUES (?, ?, ?, ?, ?, ?, ?)"));
        auto nome = [&](int i) {
            const QString pessoa = QString::fromUtf8(kNomes[uni(0, std::size(kNomes) - 1)]) + QLatin1Char(' ') +
                                   QString::fromUtf8(kApelidos[uni(0, std::size(kApelidos) - 1)]) + QLatin1Char(' ') +
                                   QString::fromUtf8(kApelidos[uni(0, std::size(kApelidos) - 1)]);
            if (i % 3 == 0)
                return QString::fromUtf8(kEmpresas[uni(0, std::size(kEmpresas) - 1)]) + QLatin1Char(' ') +
                       QString::fromUtf8(kLugares[uni(0, std::size(kLugares) - 1)]) + QStringLiteral(", Lda.");
            return pessoa;
        };
        auto terceiro = [&](Insert& ins, int tpTerc, const QString& codigo, int i) {
            const QString cp = codPostais[uni(0, codPostais.size() - 1)];
            const QString n = nif(rng);
            nifs.insert(codigo, n);
            const bool inactivo = prob(0.03);
            ins.run({codigo, nome(i),
                     QStringLiteral("Lugar %1, %2").arg(QString::fromUtf8(kLugares[uni(0, 11)])).arg(uni(1, 300)),
                     localidade.value(cp), cp, n,
                     prob(0.4) ? QVariant(QStringLiteral("%1@correio.example").arg(codigo.toLower()))
                               : QVariant(QMetaType::fromType<QString>()),
                     inactivo ? -1 : 0});
            lote.linha();
            const int nMoradas = prob(0.35) ? uni(1, 3) : 0;
            for (int m = 1; m <= nMoradas; ++m) {
                const QString cpm = codPostais[uni(0, codPostais.size() - 1)];
                mor.run({codigo, tpTerc, QStringLiteral("%1").arg(m, 3, 10, QLatin1Char('0')),
                         QStringLiteral("Exploração %1").arg(QString::fromUtf8(kLugares[uni(0, 11)])),
                         localidade.value(cpm), cpm, tiposMorada[uni(0, tiposMorada.size() - 1)]});
                lote.linha();
            }
            if (tpTerc == 2) moradasDe.insert(codigo, nMoradas);
            return !inactivo;
        };
        for (int i = 1; i <= nClientes; ++i) {
            const QString c = QStringLiteral("CL%1").arg(i, 6, 10, QLatin1Char('0'));
            if (terceiro(cli, 2, c, i)) clientes << c;
        }
        for (int i = 1; i <= nFornecedores; ++i) {
            const QString f = QStringLiteral("FR%1").arg(i, 5, 10, QLatin1Char('0'));
            if (terceiro(forn, 1, f, i)) fornecedores << f;
        }
    }
    std::printf("clientes=%d fornecedores=%d ms=%lld\n", nClientes, nFornecedores, fase.restart());

    // --- plates ---
    QStringList matriculas;
    {
        QSet<QString> vistas;
        while (matriculas.size() < std::max(100, nClientes / 5)) {
            const QString m = matricula(rng);
            if (!vistas.contains(m)) {
                vistas.insert(m);
                matriculas << m;
            }
        }
        Lote lote(db);
        Insert car(db,
                   QStringLiteral("INSERT INTO kel_PES_Carros (Codigo, Nome) VALUES (?, '') ON CONFLICT DO NOTHING"));
        for (const QString& m : matriculas) {
            car.run({m});
            lote.linha();
        }
    }

    // --- weighings, oldest first, so record numbers grow with time ---
    const QDateTime agora = QDateTime::currentDateTime();
    const QDate ultimoDia = agora.date();
    const QDate primeiroDia = ultimoDia.addYears(-anos).addDays(1);
    const qint64 dias = primeiroDia.daysTo(ultimoDia) + 1;
    // A few customers buy most of the time (farms feeding animals every week).
    auto escolher = [&](const QStringList& l) {
        const double u = std::uniform_real_distribution<double>(0, 1)(rng);
        return l[std::min<qsizetype>(l.size() - 1, qsizetype(std::pow(u, 2.5) * double(l.size())))];
    };
    QHash<QString, int> contadorSaida;    // campaign | customer | address type -> last ticket
    QHash<QString, int> contadorEntrada;  // campaign | document type -> last ticket
    QHash<QString, int> documentos;       // type | year -> last number
    int pendentes[2] = {0, 0};
    qint64 escritas = 0;
    const QString vazio = QStringLiteral("");  // texts the program stores as empty, never NULL
    {
        Lote lote(db);
        Insert hist(db, QStringLiteral(
                            "INSERT INTO kel_PES_Historico (Hist_Id, Tipo, TpDoc, Serie, NoDoc, Ano, PesoBruto, "
                            "PesoTara, "
                            "PesoLiquido, PesoEfectivo, Justificacao, DataHoraPB, DataHoraPL, Terceiro, Artigo, "
                            "CodMorada, "
                            "Motorista, Carro, TipoTerc, AnoTalao, NoTalao, RefCliente, RefEntrega, Sigla, Campanha, "
                            "TipoMorada) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                            "?, ?, ?, ?)"));
        Insert comp(db,
                    QStringLiteral("INSERT INTO kel_PES_Historico_Comp (Cab_Id, Vasilhame, Qualidade, Caracteristica) "
                                   "VALUES (?, ?, ?, ?)"));
        Insert vias(db, QStringLiteral("INSERT INTO kel_PES_Vias (NoId, NoVia) VALUES (?, ?)"));
        Insert cab(
            db, QStringLiteral("INSERT INTO DocGCCab (Tpdoc, Serie, NNumdoc, Ano, Data, AreaGestao, Sector, TipoTerc, "
                               "Terceiro, NContrib, Matricul, DtCarga, Hora, DataDes, HoraDes, ONDEENTR, NumVias, "
                               "Convertido, TotalQtd, Estado) VALUES (?, 1, ?, ?, ?, 1, 'PES', ?, ?, ?, ?, ?, ?, ?, ?, "
                               "?, 0, 0, ?, 'F')"));
        Insert lin(db,
                   QStringLiteral("INSERT INTO DocGCLin (Tpdoc, Serie, NNumdoc, Ano, NLinha, Artigo, Descricao, "
                                  "Quantidade, QuantidadeOrigem, Armazem) VALUES (?, 1, ?, ?, 1, ?, NULL, ?, ?, ?)"));
        qint64 id = 0;
        // Weighings per day: none on Sundays, fewer on Saturdays, some days busier than
        // others; the total is exactly the number asked for.
        QVector<double> pesoDia(dias);
        double somaPesos = 0;
        for (qint64 dia = 0; dia < dias; ++dia) {
            const int dow = primeiroDia.addDays(dia).dayOfWeek();
            pesoDia[dia] =
                dow == 7 ? 0 : (dow == 6 ? 0.4 : 1.0) * std::uniform_real_distribution<double>(0.75, 1.25)(rng);
            somaPesos += pesoDia[dia];
        }
        const int agoraSeg = QTime(0, 0).secsTo(agora.time());
        const qint64 ultimasTresHoras = std::max<qint64>(1, qint64(double(nPesagens) / somaPesos * 3.0 / 13.0));
        double acumulado = 0;
        for (qint64 dia = 0; dia < dias; ++dia) {
            const QDate data = primeiroDia.addDays(dia);
            const qint64 antes = qint64(acumulado / somaPesos * double(nPesagens));
            acumulado += pesoDia[dia];
            const qint64 n =
                dia == dias - 1 ? nPesagens - id : qint64(acumulado / somaPesos * double(nPesagens)) - antes;
            // Today only up to now.
            const int de = dia == dias - 1 ? std::max(0, std::min(6 * 3600, agoraSeg - 8 * 3600)) : 6 * 3600;
            const int ate = dia == dias - 1 ? std::max(de, agoraSeg) : 19 * 3600;
            QList<int> segundos;
            for (qint64 k = 0; k < n; ++k) segundos << uni(de, ate);
            std::sort(segundos.begin(), segundos.end());
            for (int s : segundos) {
                const QDateTime pb(data, QTime(0, 0).addSecs(s));
                const bool saida = prob(0.7);
                ++id;
                // Pending: trucks on the premises now (the last three hours of work), and the
                // odd one nobody ever finished.
                const bool pendente = (id > nPesagens - ultimasTresHoras && prob(0.6)) || prob(0.0002);
                const QDateTime pl = pb.addSecs(60 * uni(8, 90));
                const QString terceiro = saida ? escolher(clientes) : escolher(fornecedores);
                const QString artigo = saida ? artigosSaida[uni(0, artigosSaida.size() - 1)]
                                             : artigosEntrada[uni(0, artigosEntrada.size() - 1)];
                const int tara = uni(80, 160) * 100;
                const int liquido = uni(50, 280) * 100;
                const int bruto = tara + liquido;
                const int vasilhame = prob(0.1) ? uni(1, 40) * 10 : 0;
                const QString campanha = CampanhaDaData(data);
                const QString tpDoc = saida ? QStringLiteral("GR") : QStringLiteral("GEM");
                int moradas = saida ? moradasDe.value(terceiro) : 0;
                const QString codMorada = moradas > 0 && prob(0.5)
                                              ? QStringLiteral("%1").arg(uni(1, moradas), 3, 10, QLatin1Char('0'))
                                              : QString();
                int talao;
                if (saida)
                    talao = ++contadorSaida[campanha + QLatin1Char('|') + terceiro];
                else
                    talao = ++contadorEntrada[campanha + QLatin1Char('|') + tpDoc];
                int noDoc = 0, ano = 0;
                if (!pendente) {
                    ano = pl.date().year();
                    noDoc = ++documentos[tpDoc + QString::number(ano)];
                }
                const QString carro = matriculas[uni(0, matriculas.size() - 1)];
                // Outgoing: the empty truck first (tare), loaded at the exit; incoming the other way round.
                const QVariant nulo(QMetaType::fromType<QString>());
                const QVariant pesoBruto = pendente && saida ? QVariant(0) : QVariant(bruto);
                const QVariant pesoTara = pendente && !saida ? QVariant(0) : QVariant(tara);
                hist.run(
                    {id,
                     saida ? QStringLiteral("S") : QStringLiteral("E"),
                     pendente ? vazio : tpDoc,
                     pendente ? 0 : 1,
                     noDoc,
                     ano,
                     pesoBruto,
                     pesoTara,
                     pendente ? 0 : liquido,
                     pendente ? 0 : liquido - vasilhame,
                     prob(0.05) ? QStringLiteral("Carga conferida") : vazio,
                     pb.toString(QLatin1String(kIso)),
                     pendente ? QVariant(QMetaType::fromType<QString>()) : QVariant(pl.toString(QLatin1String(kIso))),
                     terceiro,
                     artigo,
                     codMorada.isEmpty() ? vazio : codMorada,
                     vazio,
                     carro,
                     saida ? 2 : 1,
                     data.year(),
                     talao,
                     vazio,
                     vazio,
                     vazio,
                     campanha,
                     vazio});
                lote.linha();
                ++escritas;
                if (pendente) {
                    ++pendentes[saida ? 0 : 1];
                    continue;
                }
                comp.run({id, vasilhame, 0, 0});
                lote.linha();
                for (int v = 1; v <= 2; ++v) {
                    vias.run({id, v});
                    lote.linha();
                }
                cab.run({tpDoc, noDoc, ano, pl.toString(QLatin1String(kIso)), saida ? 2 : 1, terceiro,
                         nifs.value(terceiro), carro, pb.date().toString(QLatin1String("yyyy-MM-dd 00:00:00")),
                         pb.toString(QStringLiteral("HH:mm")), pl.date().toString(QLatin1String("yyyy-MM-dd 00:00:00")),
                         pl.toString(QStringLiteral("HH:mm")), codMorada, liquido - vasilhame});
                lote.linha();
                lin.run({tpDoc, noDoc, ano, artigo, liquido - vasilhame, liquido - vasilhame,
                         saida ? QStringLiteral("A2") : QStringLiteral("A1")});
                lote.linha();
            }
        }
        // Ticket counters as the numbering left them.
        Insert tal(
            db, QStringLiteral("INSERT INTO kel_PES_Taloes (iTipo, Ano, TipoDoc, Contador, Cliente, Sigla, CdMorada, "
                               "TipoMorada) VALUES (?, ?, ?, ?, ?, '', '', ?)"));
        for (auto it = contadorSaida.cbegin(); it != contadorSaida.cend(); ++it) {
            const QStringList k = it.key().split(QLatin1Char('|'));
            tal.run({2, k[0], QStringLiteral("GR"), it.value(), k[1], QString()});
            lote.linha();
        }
        for (auto it = contadorEntrada.cbegin(); it != contadorEntrada.cend(); ++it) {
            const QStringList k = it.key().split(QLatin1Char('|'));
            tal.run({1, k[0], k[1], it.value(), QString(), QString()});
            lote.linha();
        }
    }
    const qint64 msPesagens = fase.restart();
    if (pg) {
        // Ids were given: the next weighing (or document) goes on after the last one.
        const QStringList identidades =
            column(db, QStringLiteral("SELECT table_name || '.' || column_name FROM information_schema.columns "
                                      "WHERE is_identity = 'YES' AND table_schema = current_schema()"));
        for (const QString& tc : identidades) {
            const QString tabela = tc.section(QLatin1Char('.'), 0, 0), coluna = tc.section(QLatin1Char('.'), 1);
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), COALESCE(MAX(%2), 0) + 1, false) "
                                     "FROM %1")
                          .arg(db.driver()->escapeIdentifier(tabela, QSqlDriver::TableName),
                               db.driver()->escapeIdentifier(coluna, QSqlDriver::FieldName)));
            q.addBindValue(tabela);
            q.addBindValue(coluna);
            if (!q.exec()) fail(q.lastError().text());
        }
        // Statistics and the visibility map, as a server that has run for a while has them.
        exec(db, QStringLiteral("VACUUM ANALYZE"));
    } else {
        exec(db, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    std::printf("pesagens=%lld pendentes_saida=%d pendentes_entrada=%d ms=%lld%s\n", escritas, pendentes[0],
                pendentes[1], msPesagens, pg ? qPrintable(QStringLiteral(" analyze_ms=%1").arg(fase.restart())) : "");
    std::printf("backend=%s base=%s\nconfig=%s\ntotal_ms=%lld\n", pg ? "postgresql" : "sqlite",
                qPrintable(demo.database), qPrintable(demo.configFile), total.elapsed());
    return 0;
}
