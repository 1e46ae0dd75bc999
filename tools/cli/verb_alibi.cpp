// alibi verify | alibi list: the log of indicator readings, for inspectors.
#include <QDate>

#include "base/basedados.h"
#include "base/datasbase.h"
#include "records/registoalibi.h"
#include "tools/cli/cli.h"

namespace {

const char* kUso = "balantrix-cli alibi verify [--from DD-MM-YYYY] [--to DD-MM-YYYY] | alibi list --hist ID";

// A value of a key=value line: quoted when it holds a space, a quote, '=' or a backslash.
QString valor(const QString& v) {
    bool especial = false;
    for (QChar c : v)
        if (c.isSpace() || c == QLatin1Char('"') || c == QLatin1Char('=') || c == QLatin1Char('\\')) especial = true;
    if (!especial) return v;
    QString q = v;
    q.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    q.replace(QLatin1String("\""), QLatin1String("\\\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString pesoTexto(const Money& m) {
    return QString::number(m.units() / Money::kScale) + QLatin1Char('.') +
           QStringLiteral("%1").arg(qAbs(m.units() % Money::kScale), 4, 10, QLatin1Char('0'));
}

int verificar(Cli& cli) {
    bool temDe = false, temAte = false, s1 = false, s2 = false;
    const QString de = cli.take(QStringLiteral("--from"), &temDe, &s1);
    const QString ate = cli.take(QStringLiteral("--to"), &temAte, &s2);
    if (s1 || s2 || !cli.args.isEmpty()) return cli.usage(QString::fromLatin1(kUso));
    std::optional<QDate> dDe, dAte;
    for (auto [tem, texto, destino] : {std::tuple{temDe, de, &dDe}, std::tuple{temAte, ate, &dAte}}) {
        if (!tem) continue;
        QString motivo;
        const auto d = DatasBase::ler(texto, &motivo);
        if (!d) {
            cli.err << motivo << '\n';
            return Cli::Usage;
        }
        *destino = *d;
    }
    if (dDe && dAte) {
        if (const QString e = DatasBase::erroPeriodo(*dDe, *dAte); !e.isEmpty()) {
            cli.err << e << '\n';
            return Cli::Usage;
        }
    }
    BaseDados db;
    if (!abrirBaseDados(cli, db)) return Cli::Failed;
    try {
        RegistoAlibi registo(db, QString());
        const RegistoAlibi::Verificacao v = registo.verificar(dDe, dAte);
        if (v.ok) {
            cli.out << "rows=" << v.linhas << " ok=1\n";
            cli.out.flush();
            return Cli::Ok;
        }
        cli.out << "ok=0 first_bad=" << v.primeiraErrada << '\n';
        cli.out.flush();
        cli.err << "O registo alibi não confere: " << v.motivo << ".\n";
        return Cli::Failed;
    } catch (const DbError& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}

int listar(Cli& cli) {
    bool sem = false, ok = false;
    const qint32 hist = cli.take(QStringLiteral("--hist"), nullptr, &sem).toInt(&ok);
    if (sem || !ok || hist <= 0 || !cli.args.isEmpty()) return cli.usage(QString::fromLatin1(kUso));
    BaseDados db;
    if (!abrirBaseDados(cli, db)) return Cli::Failed;
    try {
        RegistoAlibi registo(db, QString());
        for (const LeituraLigada& l : registo.leiturasDe(hist)) {
            cli.out << "alibi_id=" << l.leitura.id << " hist_id=" << l.histId << " weight_no=" << l.numeroPeso
                    << " source=" << l.leitura.origem << " weight=" << pesoTexto(l.leitura.peso)
                    << " stable=" << (l.leitura.estavel ? 1 : 0) << " raw=" << valor(l.leitura.resposta)
                    << " at=" << l.leitura.dataHora.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) << '\n';
        }
        cli.out.flush();
        return Cli::Ok;
    } catch (const DbError& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}

}  // namespace

int verbAlibi(Cli& cli) {
    const QString sub = cli.args.isEmpty() ? QString() : cli.args.takeFirst();
    if (sub == QStringLiteral("verify")) return verificar(cli);
    if (sub == QStringLiteral("list")) return listar(cli);
    return cli.usage(QString::fromLatin1(kUso));
}
