#include "records/opcoesinstalacao.h"

#include "base/basedados.h"

const QList<OpcoesInstalacao::Opcao>& OpcoesInstalacao::conhecidas() {
    static const QList<Opcao> lista{
        {pesoManual(),
         permitido(),
         {permitido(), proibido()},
         QStringLiteral("Peso introduzido manualmente (em vez de lido da balança)")},
        {leituraContinuaNome(),
         sim(),
         {sim(), nao()},
         QStringLiteral("Peso da balança sempre à vista nas mesas (lido a cada meio segundo)")},
    };
    return lista;
}

const OpcoesInstalacao::Opcao* OpcoesInstalacao::procurar(const QString& nome) {
    for (const Opcao& o : conhecidas())
        if (o.nome.compare(nome, Qt::CaseInsensitive) == 0) return &o;
    return nullptr;
}

QString OpcoesInstalacao::valor(const QString& nome) {
    const Opcao* o = procurar(nome);
    const RecordSet rs =
        m_db.consultar(QStringLiteral("SELECT Valor FROM kel_PES_Opcoes WHERE Nome = ?"), {o ? o->nome : nome});
    const QString v = rs.isEmpty() ? QString() : rs.text(0, QStringLiteral("Valor")).trimmed();
    if (!o) return v;
    // A value written by hand that this program does not know counts as the default.
    for (const QString& aceite : o->valores)
        if (aceite.compare(v, Qt::CaseInsensitive) == 0) return aceite;
    return o->omissao;
}

bool OpcoesInstalacao::definir(const QString& nome, const QString& valor, QString& erro) {
    const Opcao* o = procurar(nome);
    if (!o) {
        QStringList nomes;
        for (const Opcao& c : conhecidas()) nomes << c.nome;
        erro = QStringLiteral("Opção desconhecida: %1 (opções: %2).").arg(nome, nomes.join(QStringLiteral(", ")));
        return false;
    }
    QString escolhido;
    for (const QString& aceite : o->valores)
        if (aceite.compare(valor.trimmed(), Qt::CaseInsensitive) == 0) escolhido = aceite;
    if (escolhido.isEmpty()) {
        erro = QStringLiteral("Valor inválido para %1: %2 (valores: %3).")
                   .arg(o->nome, valor, o->valores.join(QStringLiteral(", ")));
        return false;
    }
    // Two workstations setting an option for the first time: the second insert meets the
    // first one's row and is tried again as an update.
    m_db.comRepeticao(
        [&] {
            if (m_db.executar(QStringLiteral("UPDATE kel_PES_Opcoes SET Valor = ? WHERE Nome = ?"),
                              {escolhido, o->nome}) == 0)
                m_db.executar(QStringLiteral("INSERT INTO kel_PES_Opcoes (Nome, Valor) VALUES (?, ?)"),
                              {o->nome, escolhido});
        },
        BaseDados::Repetir::TambemChaveDuplicada);
    return true;
}
