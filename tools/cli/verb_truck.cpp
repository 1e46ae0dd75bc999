// truck set | show | delete | list: the register of trucks and their stored tare.
#include <QRegularExpression>

#include "base/basedados.h"
#include "base/datasbase.h"
#include "desks/deskkind.h"
#include "desks/pesos.h"
#include "records/opcoesinstalacao.h"
#include "records/viaturas.h"
#include "tools/cli/cli.h"

namespace {

const char* kUso =
    "balantrix-cli truck set --plate MATRICULA [--third CODIGO] [--article CODIGO] [--driver NOME] "
    "(--tare KG --valid-until DD-MM-AAAA | --tare-from HIST_ID [--valid-until DD-MM-AAAA])\n"
    "  balantrix-cli truck show|delete --plate MATRICULA\n"
    "  balantrix-cli truck list";

void escrever(Cli& cli, const Viatura& v) {
    cli.out << "plate=" << Cli::quoted(v.matricula) << " third=" << Cli::quoted(v.terceiro)
            << " article=" << Cli::quoted(v.artigo) << " tare=" << v.tara.plain()
            << " stored=" << v.pesadaEm.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
            << " valid_until=" << v.validaAte.toString(QStringLiteral("yyyy-MM-dd")) << " source=" << v.origem()
            << '\n';
    cli.out.flush();
}

bool existe(BaseDados& db, const QString& sql, const QString& codigo) {
    return db.escalar(sql, {codigo}).toInt() > 0;
}

// Every option checked into typed values before anything is written.
int gravar(Cli& cli, BaseDados& db, const QString& matricula) {
    bool temT = false, temA = false, temM = false, temK = false, temV = false, temF = false;
    bool s1 = false, s2 = false, s3 = false, s4 = false, s5 = false, s6 = false;
    const QString terceiro = cli.take(QStringLiteral("--third"), &temT, &s1).trimmed();
    const QString artigo = cli.take(QStringLiteral("--article"), &temA, &s2).trimmed();
    const QString motorista = cli.take(QStringLiteral("--driver"), &temM, &s3).trimmed();
    const QString kg = cli.take(QStringLiteral("--tare"), &temK, &s4).trimmed();
    const QString validade = cli.take(QStringLiteral("--valid-until"), &temV, &s5);
    const QString origem = cli.take(QStringLiteral("--tare-from"), &temF, &s6).trimmed();
    if (s1 || s2 || s3 || s4 || s5 || s6 || !cli.args.isEmpty() || temK == temF || (temK && !temV))
        return cli.usage(QString::fromUtf8(kUso));
    const auto recusa = [&cli](const QString& texto) {
        cli.err << texto << '\n';
        return Cli::Failed;
    };
    if (matricula.isEmpty() || matricula.size() > 10)
        return recusa(QStringLiteral("A matrícula \"%1\" não é válida (1 a 10 caracteres).").arg(matricula));
    if (motorista.size() > 35) return recusa(QStringLiteral("O nome do motorista tem mais de 35 caracteres."));
    const QDate hoje = QDate::currentDate();
    std::optional<QDate> validaAte;
    if (temV) {
        QString motivo;
        validaAte = DatasBase::ler(validade, &motivo);
        if (!validaAte) return recusa(motivo);
        if (const QString e = RegistoViaturas::erroValidade(*validaAte, hoje); !e.isEmpty()) return recusa(e);
    }
    try {
        if (temT &&
            (terceiro.isEmpty() ||
             !(existe(db,
                      QStringLiteral("SELECT COUNT(*) FROM %1 WHERE CODIGO = ?").arg(DeskKind::saidas().tabelaTerceiro),
                      terceiro) ||
               existe(
                   db,
                   QStringLiteral("SELECT COUNT(*) FROM %1 WHERE CODIGO = ?").arg(DeskKind::entradas().tabelaTerceiro),
                   terceiro))))
            return recusa(QStringLiteral("O terceiro \"%1\" não existe (nem cliente nem fornecedor).").arg(terceiro));
        if (temA && (artigo.isEmpty() ||
                     !existe(db,
                             QStringLiteral("SELECT COUNT(*) FROM ARTIGOS WHERE CODIGO = ? AND Artoudes = 0 AND "
                                            "Inactivo <> -1"),
                             artigo)))
            return recusa(QStringLiteral("O artigo \"%1\" não existe ou está inactivo.").arg(artigo));
        RegistoViaturas viaturas(db);
        Viatura v;
        if (temF) {
            bool ok = false;
            const qint32 id = origem.toInt(&ok);
            if (!ok || id <= 0)
                return recusa(QStringLiteral("--tare-from: \"%1\" não é o número de uma pesagem.").arg(origem));
            const auto r = viaturas.daPesagem(id, validaAte, hoje);
            if (const QString* erro = std::get_if<QString>(&r)) return recusa(*erro);
            v = std::get<Viatura>(r);
            if (v.matricula != matricula)
                return recusa(QStringLiteral("A pesagem %1 é da viatura %2, não da viatura %3.")
                                  .arg(id)
                                  .arg(v.matricula, matricula));
        } else {
            static const QRegularExpression inteiro(QStringLiteral("^[0-9]{1,9}$"));
            QString erro;
            const auto tara =
                inteiro.match(kg).hasMatch() ? Pesos::lerPesado(kg, QStringLiteral("Tara"), erro) : std::nullopt;
            if (!tara)
                return recusa(
                    QStringLiteral("A tara é um número inteiro de quilogramas maior que zero: \"%1\".").arg(kg));
            if (!OpcoesInstalacao(db).pesoManualPermitido())
                return recusa(
                    QStringLiteral("Nesta instalação não é permitido introduzir pesos manualmente (opção "
                                   "PesoManual = proibido): guarde a tara de uma pesagem com --tare-from."));
            v.matricula = matricula;
            v.tara = *tara;
            const QDateTime agora = QDateTime::currentDateTime();
            v.pesadaEm =
                QDateTime(agora.date(), QTime(agora.time().hour(), agora.time().minute(), agora.time().second()));
            v.validaAte = *validaAte;
            v.manual = true;
        }
        if (temT) v.terceiro = terceiro;
        if (temA) v.artigo = artigo;
        if (temM) v.motorista = motorista;
        viaturas.gravar(v);
        const auto gravada = viaturas.ler(matricula);
        if (!gravada) return recusa(QStringLiteral("A viatura %1 não ficou registada.").arg(matricula));
        escrever(cli, *gravada);
        return Cli::Ok;
    } catch (const ErroOperacao& e) {
        return recusa(e.texto());
    }
}

}  // namespace

int verbTruck(Cli& cli) {
    const QString sub = cli.args.isEmpty() ? QString() : cli.args.takeFirst();
    bool temP = false, semP = false;
    const QString matricula = sub == QStringLiteral("list")
                                  ? QString()
                                  : RegistoViaturas::normalizar(cli.take(QStringLiteral("--plate"), &temP, &semP));
    const bool conhecido = sub == QStringLiteral("set") || sub == QStringLiteral("show") ||
                           sub == QStringLiteral("delete") || sub == QStringLiteral("list");
    if (!conhecido || semP || (sub != QStringLiteral("list") && !temP) ||
        (sub != QStringLiteral("set") && !cli.args.isEmpty()))
        return cli.usage(QString::fromUtf8(kUso));
    BaseDados db;
    if (!abrirBaseDados(cli, db)) return Cli::Failed;
    if (sub == QStringLiteral("set")) return gravar(cli, db, matricula);
    try {
        RegistoViaturas viaturas(db);
        if (sub == QStringLiteral("list")) {
            for (const Viatura& v : viaturas.todas()) escrever(cli, v);
            return Cli::Ok;
        }
        const auto v = viaturas.ler(matricula);
        if (!v) {
            cli.err << "A viatura " << matricula << " não está registada.\n";
            return Cli::Failed;
        }
        escrever(cli, *v);
        if (sub == QStringLiteral("delete")) viaturas.apagar(matricula);
        return Cli::Ok;
    } catch (const ErroOperacao& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}
