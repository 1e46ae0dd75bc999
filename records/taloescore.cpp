#include "records/taloescore.h"

#include "base/basedados.h"
#include "base/operatormessages.h"
#include "records/numeracao.h"
#include "records/parametrosaplic.h"

namespace {

struct Definicao {
    const char* rotulo;
    const char* dica;
    int tamanho;
};

const Definicao kDefinicoes[TaloesCore::kCampos] = {
    {"Campanha", "Ano da Campanha.", 10}, {"", "Contador de Talões.", 9}, {"Morada Alter.", "Cliente.", 3},
    {"Tipo Doc.", "Tipo Documento.", 3},  {"Sigla", "Sigla.", 5},         {"Cliente", "Cliente.", 15},
    {"Tipo Morada", "Tipo Morada.", 3},
};

const QString kObrigatorio = QStringLiteral("Campo obrigatório");

}  // namespace

const QString TaloesCore::kCampanhaInvalida =
    QStringLiteral("Campanha inválida! Escreva os dois anos da campanha, como 2024/2025.");

TaloesCore::TaloesCore(BaseDados& db, ParametrosAplic& parametros, OperatorMessages& messages, int modo)
    : m_db(db), m_parametros(parametros), m_messages(messages), m_modo(modo == 1 ? 1 : 2) {}

QString TaloesCore::titulo() const {
    return m_modo == 1 ? QStringLiteral("Numeradores - Entradas") : QStringLiteral("Numeradores - Saídas");
}

QString TaloesCore::rotulo(int campo) {
    if (campo == Contador) return QStringLiteral("Contador");
    return campo >= 0 && campo < kCampos ? QString::fromUtf8(kDefinicoes[campo].rotulo) : QString();
}

QString TaloesCore::dica(int campo) {
    return campo >= 0 && campo < kCampos ? QString::fromUtf8(kDefinicoes[campo].dica) : QString();
}

int TaloesCore::tamanhoMaximo(int campo) {
    return campo >= 0 && campo < kCampos ? kDefinicoes[campo].tamanho : 0;
}

bool TaloesCore::visivel(int campo) const {
    if (m_modo == 2) return true;
    return campo == Campanha || campo == Contador || campo == TipoDoc;
}

void TaloesCore::setCampo(int i, const QString& texto) {
    QString& c = m_campos.at(size_t(i));
    if (i == Contador && texto != c) m_contadorDigitado = true;
    c = texto;
}

bool TaloesCore::escape(int campo) {
    m_alterado = false;
    return campo == Campanha;
}

void TaloesCore::erro(const QString& operacao, const DbError& e) {
    m_messages.mensagem(operacao + e.texto());
}

bool TaloesCore::validarSaida(int campo) {
    if (!m_alterado) return true;
    m_alterado = false;
    const QString texto = m_campos.at(size_t(campo));
    const bool vazio = texto.trimmed().isEmpty();
    const QString obrigatorio = kObrigatorio + QStringLiteral(" [") + rotulo(campo) + QStringLiteral("].");
    auto recusar = [this](const QString& msg) {
        m_messages.mostrarAviso(OperatorMessages::Informacao, msg);
        return false;
    };
    try {
        switch (campo) {
            case Campanha:
                if (vazio) return recusar(obrigatorio);
                return CampanhaValida(texto.trimmed()) ? true : recusar(kCampanhaInvalida);
            case MoradaAlt: {
                if (vazio) {
                    m_descMorada.clear();
                    lerFicha();
                    return true;
                }
                const RecordSet rs = m_db.consultar(
                    QStringLiteral(
                        " SELECT     MORADAS.CDMORADA AS 'Cód.Morada', MORADAS.Descr AS Morada,Moradas.Local "
                        "as Localidade FROM       MORADAS INNER JOIN Clientes   ON Clientes.CODIGO = "
                        "MORADAS.TERCEIRO Where (MORADAS.TPTERC = 2) and cdmorada=? and Moradas.Terceiro=?"),
                    {texto, v(Cliente)});
                if (rs.isEmpty()) {
                    m_descMorada.clear();
                    return recusar(QStringLiteral("Morada não existente!"));
                }
                m_descMorada = rs.text(0, QStringLiteral("Morada"));
                return true;
            }
            case TipoDoc: {
                if (vazio) return recusar(obrigatorio);
                const QString t = texto.toUpper();
                bool aceite;
                if (m_modo == 1)
                    aceite = t == m_parametros.texto(QStringLiteral("TpGuiaEntMP")).toUpper() ||
                             t == m_parametros.texto(QStringLiteral("TpGuiaEntMS")).toUpper();
                else
                    aceite = t == m_parametros.texto(QStringLiteral("TpSaida")).toUpper();
                if (!aceite) return recusar(QStringLiteral("Tipo Doc. inválido!"));
                if (m_modo == 1) lerFicha();
                return true;
            }
            case Cliente: {
                if (vazio) {
                    m_nomeCliente.clear();
                    return recusar(obrigatorio);
                }
                const RecordSet rs = m_db.consultar(QStringLiteral("SELECT * FROM Clientes where CODIGO=?"), {texto});
                if (rs.isEmpty()) {
                    m_nomeCliente.clear();
                    return recusar(QStringLiteral("Cliente não existente!"));
                }
                m_nomeCliente = rs.text(0, QStringLiteral("Nome"));
                return true;
            }
            case TipoMorada: {
                if (vazio) {
                    if (m_modo == 2) lerFicha();
                    return true;
                }
                const RecordSet rs = m_db.consultar(QStringLiteral("Select * from TpMorada where Codigo=?"), {texto});
                if (rs.isEmpty()) {
                    m_descTipoMorada.clear();
                    return recusar(QStringLiteral("Tipo Morada não existente!"));
                }
                m_descTipoMorada = rs.text(0, QStringLiteral("Descrica"));
                if (m_modo == 2) lerFicha();
                return true;
            }
            default:
                return true;
        }
    } catch (const DbError& e) {
        erro(QStringLiteral("Validar campo "), e);
        return false;
    }
}

std::optional<PedidoLista> TaloesCore::lista(int campo) const {
    if (m_modo != 2) return std::nullopt;
    switch (campo) {
        case Cliente:
            return PedidoLista{QStringLiteral("Clientes"),
                               QStringLiteral(" SELECT     Codigo AS 'Cliente', Nome AS Nome FROM       Clientes"),
                               {},
                               7200,
                               {1700, 5000}};
        case TipoMorada:
            return PedidoLista{QStringLiteral("Tipos Morada"),
                               QStringLiteral(" SELECT     Codigo AS 'Código', Descrica AS 'Descrição' FROM       "
                                              "TpMorada order by Codigo"),
                               {},
                               5200,
                               {700, 4000}};
        case MoradaAlt:
            return PedidoLista{QStringLiteral("Moradas Alternativas"),
                               QStringLiteral(" SELECT     MORADAS.CDMORADA AS 'Cód.Morada', MORADAS.Descr AS Morada,"
                                              "Moradas.Local as Localidade FROM       MORADAS INNER JOIN  Clientes ON "
                                              "Clientes.CODIGO = MORADAS.TERCEIRO Where (MORADAS.TPTERC = 2)and "
                                              "Clientes.Codigo=? "),
                               {v(Cliente)},
                               9200,
                               {700, 4000, 4000}};
        default:
            return std::nullopt;
    }
}

void TaloesCore::limparForm() {
    for (QString& c : m_campos) c.clear();
    m_nomeCliente.clear();
    m_descMorada.clear();
    m_descTipoMorada.clear();
    m_lido.reset();
    m_contadorDigitado = false;
}

QStringList TaloesCore::chave() const {
    QStringList k{v(Campanha).trimmed().toUpper(), v(TipoDoc).toUpper()};
    if (m_modo == 2) k << v(Cliente).toUpper() << v(TipoMorada).toUpper();
    return k;
}

ChaveTalao TaloesCore::chaveTalao() const {
    ChaveTalao k;
    k.tipo = m_modo;
    k.campanha = v(Campanha).trimmed();
    k.tipoDoc = v(TipoDoc);
    if (m_modo == 2) {
        k.cliente = v(Cliente);
        k.tipoMorada = v(TipoMorada);
    }
    return k;
}

QString TaloesCore::sqlContador(int modo, Backend backend, bool bloquear) {
    const QString taloes = bloquear && backend == Backend::Mssql
                               ? QStringLiteral("kel_PES_Taloes WITH (UPDLOCK, HOLDLOCK)")
                               : QStringLiteral("kel_PES_Taloes");
    // PostgreSQL: the key's counter rows stay locked until the form's write commits.
    const QString bloqueio =
        bloquear && backend == Backend::Postgresql ? QStringLiteral(" FOR UPDATE OF kel_PES_Taloes") : QString();
    if (modo == 1)
        return QStringLiteral("select Ano,TipoDoc,Contador from ") + taloes +
               QStringLiteral(" where iTipo=1 and Ano=? and tipodoc=?") + bloqueio;
    return QStringLiteral("select * from ") + taloes +
           QStringLiteral(
               "  left outer join Moradas ON Moradas.cdMorada=kel_PES_Taloes.cdmorada where iTipo=2 and "
               "Ano=? and tipodoc=? and Cliente=?  and kel_PES_Taloes.TipoMorada=? ") +
           bloqueio;
}

TaloesCore::Leitura TaloesCore::lerContador(bool bloquear, RecordSet* linhas) {
    const QString sql = sqlContador(m_modo, m_db.backend(), bloquear);
    const auto ler = [&] {
        return m_modo == 1 ? m_db.consultar(sql, {v(Campanha).trimmed(), v(TipoDoc)})
                           : m_db.consultar(sql, {v(Campanha).trimmed(), v(TipoDoc), v(Cliente), v(TipoMorada)});
    };
    RecordSet rs = ler();
    if (rs.isEmpty() && bloquear && m_db.backend() == Backend::Postgresql) {
        // No row to lock: the table is held until the write commits, and read again.
        m_db.executar(QStringLiteral("LOCK TABLE kel_PES_Taloes IN SHARE ROW EXCLUSIVE MODE"));
        rs = ler();
    }
    Leitura l;
    l.chave = chave();
    l.existe = !rs.isEmpty();
    if (l.existe) l.contador = rs.value(0, QStringLiteral("Contador")).toLongLong();
    if (linhas) *linhas = rs;
    return l;
}

bool TaloesCore::lerFicha() {
    try {
        RecordSet rs;
        const Leitura lida = lerContador(false, &rs);
        m_lido = lida;
        m_contadorDigitado = false;
        if (!lida.existe) {
            m_campos[Contador] = QStringLiteral("0");
            return true;
        }
        m_campos[Campanha] = rs.text(0, QStringLiteral("Ano"));
        m_campos[TipoDoc] = rs.text(0, QStringLiteral("TipoDoc"));
        m_campos[Sigla] = m_modo == 2 ? rs.text(0, QStringLiteral("Sigla")) : QString();
        m_campos[Contador] = QString::number(lida.contador);
        return true;
    } catch (const DbError& e) {
        erro(QStringLiteral("Ler Contador "), e);
        return false;
    }
}

int TaloesCore::confirmar() {
    QList<int> obrigatorios{Campanha, TipoDoc};
    if (m_modo == 2) obrigatorios << Cliente;
    for (int c : obrigatorios) {
        if (v(c).trimmed().isEmpty()) {
            m_messages.mostrarAviso(OperatorMessages::CampoObrigatorio,
                                    kObrigatorio + QStringLiteral(" [") + rotulo(c) + QStringLiteral("]."));
            return c;
        }
    }
    if (!CampanhaValida(v(Campanha).trimmed())) {
        m_messages.mostrarAviso(OperatorMessages::Informacao, kCampanhaInvalida);
        return Campanha;
    }
    bool ok = false;
    const QString contador = v(Contador).trimmed();
    // A counter the operator emptied would be silently left as stored.
    if (m_contadorDigitado && contador.isEmpty()) {
        m_messages.mostrarAviso(OperatorMessages::CampoObrigatorio,
                                kObrigatorio + QStringLiteral(" [") + rotulo(Contador) + QStringLiteral("]."));
        return Contador;
    }
    const qint64 n = contador.isEmpty() ? 0 : contador.toLongLong(&ok);
    if (!contador.isEmpty() && (!ok || n < 0 || n > 2147483647)) {
        m_messages.mostrarAviso(OperatorMessages::Informacao, QStringLiteral("Contador inválido!"));
        return Contador;
    }
    const int r = gravar();
    if (r == -1) limparForm();
    return r;
}

int TaloesCore::gravar() {
    const QString campanha = v(Campanha).trimmed();
    const QString tipoDoc = v(TipoDoc).toUpper();
    // Only a value the operator typed is written; otherwise the stored counter stays.
    std::optional<qint64> novo;
    if (m_contadorDigitado && !v(Contador).trimmed().isEmpty()) novo = v(Contador).trimmed().toLongLong();
    try {
        if (novo) {
            const qint32 ultimo = UltimoTalaoEmitido(m_db, chaveTalao());
            if (*novo < ultimo &&
                !m_messages.mostrarAviso(OperatorMessages::OkCancelar,
                                         QStringLiteral("O contador %1 é inferior ao último talão já emitido (%2) "
                                                        "para esta chave: os próximos talões repetiriam números já "
                                                        "usados.\n\rPretende continuar?")
                                             .arg(*novo)
                                             .arg(ultimo)))
                return Contador;
        }
        std::optional<Leitura> mudou;
        // Tried again when another workstation added the key's counter at the same time:
        // the second try then finds that counter changed and tells the operator.
        m_db.comRepeticao(
            [&] {
                mudou.reset();
                const Leitura actual = lerContador(true);
                const bool lidoAqui = m_lido && m_lido->chave == chave();
                if (lidoAqui && (actual.existe != m_lido->existe || actual.contador != m_lido->contador)) {
                    mudou = actual;
                } else {
                    const QString contador = novo ? QStringLiteral(", Contador=?") : QString();
                    const qint64 inicial = novo ? *novo : actual.contador;
                    int alterados;
                    if (m_modo == 1) {
                        // Edits the key's row (every row of the key, as there is no row key), or adds it.
                        QVariantList valores{campanha, tipoDoc};
                        if (novo) valores << *novo;
                        alterados =
                            m_db.executar(QStringLiteral("UPDATE kel_PES_Taloes SET iTipo=1, Ano=?, TipoDoc=?, "
                                                         "Cliente='0', Sigla='', cdmorada=''") +
                                              contador + QStringLiteral(" where iTipo=1 and Ano=? and tipodoc=?"),
                                          valores + QVariantList{campanha, v(TipoDoc)});
                        if (alterados == 0)
                            m_db.executar(
                                QStringLiteral("INSERT INTO kel_PES_Taloes (iTipo, Ano, TipoDoc, Cliente, Sigla, "
                                               "cdmorada, Contador) VALUES (1, ?, ?, '0', '', '', ?)"),
                                {campanha, tipoDoc, inicial});
                    } else {
                        const QVariantList chaveLinha{campanha, v(TipoDoc), v(Cliente), v(MoradaAlt), v(TipoMorada)};
                        const QVariantList linha{campanha, tipoDoc, v(Cliente), v(Sigla), v(MoradaAlt), v(TipoMorada)};
                        QVariantList valores = linha;
                        if (novo) valores << *novo;
                        alterados = m_db.executar(QStringLiteral("UPDATE kel_PES_Taloes SET iTipo=2, Ano=?, TipoDoc=?, "
                                                                 "Cliente=?, Sigla=?, cdmorada=?, TipoMorada=?") +
                                                      contador +
                                                      QStringLiteral(" where iTipo=2 and Ano=? and tipodoc=? and "
                                                                     "Cliente=? and cdmorada=? and TipoMorada=?"),
                                                  valores + chaveLinha);
                        // A new row starts at the key's current counter, so that it never
                        // brings the key's numbering back.
                        if (alterados == 0)
                            m_db.executar(
                                QStringLiteral("INSERT INTO kel_PES_Taloes (iTipo, Ano, TipoDoc, Cliente, Sigla, "
                                               "cdmorada, TipoMorada, Contador) VALUES (2, ?, ?, ?, ?, ?, ?, ?)"),
                                linha + QVariantList{inicial});
                    }
                }
            },
            BaseDados::Repetir::TambemChaveDuplicada);
        if (mudou) {
            m_lido = mudou;
            m_campos[Contador] = QString::number(mudou->contador);
            m_contadorDigitado = false;
            m_messages.mostrarAviso(OperatorMessages::Informacao,
                                    QStringLiteral("O contador foi alterado noutro posto de trabalho: o valor actual "
                                                   "é %1.\n\rVerifique-o e confirme de novo.")
                                        .arg(mudou->contador));
            return Contador;
        }
        return -1;
    } catch (const DbError& e) {
        erro(QStringLiteral("Gravar Contador "), e);
        return -2;
    }
}

bool TaloesCore::anular() {
    if (!m_messages.mostrarAviso(OperatorMessages::OkCancelar,
                                 QStringLiteral("Vai proceder à anulação do Contador!\n\rPretende continuar?")))
        return false;
    try {
        if (m_modo == 1)
            m_db.executar(QStringLiteral("Delete  from kel_PES_Taloes where iTipo=1 and Ano=? and tipodoc=?"),
                          {v(Campanha), v(TipoDoc)});
        else
            m_db.executar(QStringLiteral("Delete from kel_PES_Taloes where iTipo=2 and Ano=? and tipodoc=? and "
                                         "Cliente=? and cdMorada=?  and TipoMorada=? "),
                          {v(Campanha), v(TipoDoc), v(Cliente), v(MoradaAlt), v(TipoMorada)});
    } catch (const DbError& e) {
        erro(QStringLiteral("Anular Contador "), e);
        return false;
    }
    limparForm();
    return true;
}
