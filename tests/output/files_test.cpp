// Where the program writes: the private working folder, exports that never follow a
// link, and bulk statement files that two parties never share. Through balantrix-cli
// on a demo installation, with real files, links and permissions.
#include <sys/stat.h>
#include <unistd.h>
#include <QtTest>

#include "base/ficheiroconfig.h"
#include "output/pastas.h"
#include "tests/output/bulkfixtures.h"
#include "tests/output/ticketfixtures.h"
#include "tests/support/clirun.h"
#include "tests/support/ficheiros.h"
#include "tests/support/testsupport.h"

class FilesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<QTemporaryDir> m_fora;  // somewhere else: where planted links point
    qint32 m_id = 0;

    QString trabalho() const { return m_data->path() + QStringLiteral("/trabalho"); }

  private slots:
    void init() {
        m_data = std::make_unique<TempDataDir>();
        m_fora = std::make_unique<QTemporaryDir>();
        const CliRun r = runCli({QStringLiteral("demo"), QStringLiteral("init")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        auto db = baseDemo(m_data->path(), QStringLiteral("files"));
        QVERIFY(db);
        m_id = gravarPesagem(*db, Pesagem{});
    }
    void cleanup() {
        m_data.reset();
        m_fora.reset();
    }

    // Without BALANTRIX_DATA_DIR the working folder is the user's own, in the cache
    // folder, never a shared name under /tmp.
    void defaultWorkingFolderIsTheUsersOwn() {
        QTemporaryDir cache;
        const QByteArray velho = qgetenv("XDG_CACHE_HOME"), dados = qgetenv("BALANTRIX_DATA_DIR");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        qunsetenv("BALANTRIX_DATA_DIR");
        QString erro;
        const QString w = Pastas::trabalho(&erro);
        qputenv("BALANTRIX_DATA_DIR", dados);
        if (velho.isEmpty())
            qunsetenv("XDG_CACHE_HOME");
        else
            qputenv("XDG_CACHE_HOME", velho);
        QCOMPARE(w, cache.path() + QStringLiteral("/Balantrix"));
        QCOMPARE(permissoes(w), 0700);
    }

    // The working folder as found: made private, kept when ours alone, refused (with
    // its name, and nothing written) when others could plant files in it.
    void workingFolderMustBePrivate_data() {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<bool>("aceite");
        QTest::addColumn<QString>("motivo");
        QTest::newRow("missing: made 0700") << "nova" << true << "";
        QTest::newRow("ours, readable by others: closed") << "0755" << true << "";
        QTest::newRow("writable by everyone") << "0777" << false << "pode ser alterada por outros utilizadores";
        QTest::newRow("writable by the group") << "0770" << false << "pode ser alterada por outros utilizadores";
        QTest::newRow("another user's") << "nobody" << false << "pertence a outro utilizador";
        QTest::newRow("a link to another folder") << "link" << false << "ligação simbólica";
    }
    void workingFolderMustBePrivate() {
        QFETCH(QString, caso);
        QFETCH(bool, aceite);
        QFETCH(QString, motivo);
        const QString w = trabalho();
        QDir().rmdir(w);
        if (caso == QStringLiteral("link")) {
            QVERIFY(QFile::link(m_fora->path(), w));
        } else if (caso != QStringLiteral("nova")) {
            QVERIFY(QDir().mkdir(w));
            if (caso == QStringLiteral("nobody")) {
                if (::geteuid() != 0) QSKIP("only root can give a folder to another user");
                QVERIFY(::chown(QFile::encodeName(w).constData(), 65534, 65534) == 0);
                ::chmod(QFile::encodeName(w).constData(), 0700);
            } else {
                QVERIFY(::chmod(QFile::encodeName(w).constData(), mode_t(caso.toInt(nullptr, 8))) == 0);
            }
        }
        const CliRun r = runCli({QStringLiteral("ticket"), QStringLiteral("pdf"), QString::number(m_id)});
        if (aceite) {
            QVERIFY2(r.code == 0, qPrintable(r.err));
            QCOMPARE(r.value(QStringLiteral("pdf")), w + QStringLiteral("/TalaoPesagem_Cli.pdf"));
            QCOMPARE(permissoes(w), 0700);
            QCOMPARE(permissoes(w + QStringLiteral("/TalaoPesagem_Cli.pdf")), 0600);
        } else {
            QCOMPARE(r.code, 1);
            QVERIFY2(r.err.contains(w) && r.err.contains(motivo), qPrintable(r.err));
            QVERIFY(!QFileInfo::exists(w + QStringLiteral("/TalaoPesagem_Cli.pdf")));
            QVERIFY(QDir(m_fora->path()).isEmpty());
        }
    }

    // A link planted at an output's name is replaced by the file, never written
    // through: its target, existing or not, is left as it was.
    void exportsNeverFollowALink_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("saida");  // where the link is planted; {w}: the working folder
        QTest::addColumn<bool>("alvoExiste");
        QTest::addColumn<int>("codigo");
        const QString w = QStringLiteral("{w}/TalaoPesagem_Cli.pdf"), out = QStringLiteral("{w}/saida.pdf");
        QTest::newRow("desk file -> missing file") << QStringList{"ticket", "pdf", "{id}"} << w << false << 0;
        QTest::newRow("desk file -> existing file") << QStringList{"ticket", "pdf", "{id}"} << w << true << 0;
        QTest::newRow("--out -> existing file")
            << QStringList{"ticket", "pdf", "{id}", "--out", out} << out << true << 0;
        QTest::newRow("print --out -> missing file")
            << QStringList{"ticket", "print", "{id}", "--out", out} << out << false << 0;
        QTest::newRow("failed export -> existing file")
            << QStringList{"ticket", "pdf", "{id}", "--copies", "0"} << w << true << 1;
    }
    void exportsNeverFollowALink() {
        QFETCH(QStringList, args);
        QFETCH(QString, saida);
        QFETCH(bool, alvoExiste);
        QFETCH(int, codigo);
        QDir().mkpath(trabalho());
        ::chmod(QFile::encodeName(trabalho()).constData(), 0700);
        saida.replace(QStringLiteral("{w}"), trabalho());
        for (QString& a : args)
            a.replace(QStringLiteral("{w}"), trabalho()).replace(QStringLiteral("{id}"), QString::number(m_id));
        const QString alvo = m_fora->filePath(QStringLiteral("alvo.pdf"));
        if (alvoExiste) QVERIFY(escreverFicheiro(alvo, "precioso"));
        QVERIFY(QFile::link(alvo, saida));

        const CliRun r = runCli(args);
        QVERIFY2(r.code == codigo, qPrintable(r.out + r.err));
        QCOMPARE(alvoExiste ? lerFicheiro(alvo) : QByteArray(), alvoExiste ? QByteArray("precioso") : QByteArray());
        QCOMPARE(QFileInfo::exists(alvo), alvoExiste);
        QVERIFY(!QFileInfo(saida).isSymLink());
        if (codigo == 0) {
            QVERIFY(pdfTexto(saida).contains(QStringLiteral("A 1234")));
        } else {
            QVERIFY(!QFileInfo::exists(saida));  // no stale ticket, and the target untouched
        }
        // No temporary is left behind.
        QCOMPARE(QDir(trabalho()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".tmp")), QStringList());
    }

    // Customer codes that a file name cannot hold apart ("X/1", "X:1" and "X_1") get
    // files of their own, with a suffix that depends on the code only, and each line
    // names its party's file.
    void bulkPartiesNeverShareAFile() {
        {
            auto db = baseDemo(m_data->path(), QStringLiteral("files-bulk"));
            QVERIFY(db);
            for (const char* c : {"X/1", "X_1", "X:1"}) {
                db->executar(
                    QStringLiteral(
                        "INSERT INTO Clientes (CODIGO, NOME, NContrib, Inactivo) VALUES (?, ?, '500000000', 0)"),
                    {QString::fromLatin1(c), QStringLiteral("Cliente %1").arg(QString::fromLatin1(c))});
                gravarPesagemEnvio(*db, {QString::fromLatin1(c), 2, dh(10, 2, 2024)});
            }
        }
        const QString pdf = FicheiroConfig(m_data->norvak() + QStringLiteral("/Balantrix.kel"))
                                .ler(QStringLiteral("PDF"), QStringLiteral("Pasta"));
        auto correr = [](const QString& primeiro, const QString& ultimo) {
            const CliRun r = runCli({QStringLiteral("bulk"), QStringLiteral("--mode"), QStringLiteral("customers"),
                                     QStringLiteral("--from"), QStringLiteral("01-02-2024"), QStringLiteral("--to"),
                                     QStringLiteral("29-02-2024"), QStringLiteral("--first"), primeiro,
                                     QStringLiteral("--last"), ultimo, QStringLiteral("--pdf")});
            QMap<QString, QString> ficheiros;
            static const QRegularExpression linha(QStringLiteral("^party=(\\S+) status=saved file=(.+)$"));
            for (const QString& l : r.lines())
                if (const auto m = linha.match(l); m.hasMatch()) ficheiros.insert(m.captured(1), m.captured(2));
            return ficheiros;
        };
        const auto todos = correr(QStringLiteral("X"), QStringLiteral("Y"));
        QCOMPARE(todos.keys(), (QStringList{QStringLiteral("X/1"), QStringLiteral("X:1"), QStringLiteral("X_1")}));
        QCOMPARE(QSet<QString>(todos.cbegin(), todos.cend()).size(), 3);
        QCOMPARE(QDir(pdf).entryList(QDir::Files).size(), 3);
        for (auto it = todos.cbegin(); it != todos.cend(); ++it) {
            QCOMPARE(QFileInfo(it.value()).absolutePath(), pdf);
            const QString texto = pdfTexto(it.value());
            QVERIFY2(texto.contains(QStringLiteral("Cliente ") + it.key()), qPrintable(it.key() + texto));
        }
        // The suffix is the code's own: alone in a run, "X/1" gets the same file.
        QCOMPARE(correr(QStringLiteral("X/1"), QStringLiteral("X/1")),
                 (QMap<QString, QString>{{QStringLiteral("X/1"), todos[QStringLiteral("X/1")]}}));
    }
};

QTEST_MAIN(FilesTest)
#include "files_test.moc"
