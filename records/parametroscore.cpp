#include "records/parametroscore.h"

#include <stdexcept>

#include "base/ficheiroconfig.h"
#include "base/operatormessages.h"
#include "records/parametrosaplic.h"

const QString ParametrosCore::kMensagemIntervalo = QStringLiteral("Deve digitar um valor entre 1 e 50!");
const QString ParametrosCore::kMensagemSeries = QStringLiteral("Deve preencher o(s) campo(s) Série(s)!");

namespace {

struct Definicao {
    const char* coluna;  // parameters column, or section/key of the file
    const char* seccao;
    const char* dica;
    int tamanho;
    bool numerico;
};

const Definicao kDefinicoes[ParametrosCore::kCampos] = {
    {"ArmCentral", nullptr, "Armazém.", 6, false},
    {"TpGuiaEntMP", nullptr, "Tipo Documento Entrada Matérias Primas.", 3, false},
    {"SeGuiaEntMP", nullptr, "Série.", 5, true},
    {"Sector", nullptr, "Sector.", 3, false},
    {"TpGuiaEntMS", nullptr, "Tipo Documento Entrada Matérias Subsidiárias.", 3, false},
    {"SeGuiaEntMS", nullptr, "Série.", 5, true},
    {"TpSaida", nullptr, "Tipo Documento Saída.", 3, false},
    {"SeSaida", nullptr, "Série.", 5, true},
    {"ArmSaida", nullptr, "Armazém.", 6, false},
    {"NoVias", nullptr, "Série.", 5, true},
    {"Assunto", "EMAIL", "Assunto.", 0, false},
    {"Mensagem", "EMAIL", "Mensagem.", 0, false},
    {"CC", "EMAIL", "Mensagem.", 0, false},
    {"BCC", "EMAIL", "Mensagem.", 0, false},
    {"Pasta", "PDF", "Pasta para repositório dos talões em PDF.", 0, false},
};

// Leading numeric part of a trimmed text; no number gives 0.
long long numeroInicial(const QString& texto) {
    const QString t = texto.trimmed();
    qsizetype n = 0;
    if (n < t.size() && (t[n] == QLatin1Char('-') || t[n] == QLatin1Char('+'))) ++n;
    while (n < t.size() && t[n].isDigit() && n < 18) ++n;
    bool ok = false;
    const long long v = t.left(n).toLongLong(&ok);
    return ok ? v : 0;
}

}  // namespace

ParametrosCore::ParametrosCore(BaseDados& db, ParametrosAplic& parametros, OperatorMessages& messages,
                               QString configPath)
    : m_db(db), m_parametros(parametros), m_messages(messages), m_configPath(std::move(configPath)) {}

QString ParametrosCore::coluna(int campo) {
    if (campo < 0 || campo >= kCampos || kDefinicoes[campo].seccao) return {};
    return QString::fromLatin1(kDefinicoes[campo].coluna);
}

QString ParametrosCore::dica(int campo) {
    return campo >= 0 && campo < kCampos ? QString::fromUtf8(kDefinicoes[campo].dica) : QString();
}

int ParametrosCore::tamanhoMaximo(int campo) {
    return campo >= 0 && campo < kCampos ? kDefinicoes[campo].tamanho : 0;
}

bool ParametrosCore::numerico(int campo) {
    return campo >= 0 && campo < kCampos && kDefinicoes[campo].numerico;
}

void ParametrosCore::carregarConfig() {
    // The workstation's own settings are loaded whatever the database gives: saving
    // writes them back, so fields never loaded would wipe them.
    const FicheiroConfig config(m_configPath);
    for (int i = Assunto; i <= PastaPdf; ++i) {
        const Definicao& d = kDefinicoes[i];
        m_campos[size_t(i)] = config.ler(QString::fromLatin1(d.seccao), QString::fromLatin1(d.coluna));
    }
    m_parametros.ler(m_db, m_messages, QStringLiteral("1"));
    if (m_parametros.carregado())
        for (int i = ArmCentral; i <= NoVias; ++i)
            m_campos[size_t(i)] = m_parametros.texto(QString::fromLatin1(kDefinicoes[i].coluna));
    m_lidos = m_campos;
}

QString ParametrosCore::tipoDesconhecido(int campo) {
    if (campo != TpGuiaEntMP && campo != TpGuiaEntMS && campo != TpSaida) return {};
    const QString tipo = m_campos[size_t(campo)].trimmed();
    if (tipo.isEmpty() || !m_tipos) return {};
    const int kind = campo == TpSaida ? 3 : 1;
    QStringList tipos;
    QString falha;
    if (!m_tipos(kind, tipos, falha)) {
        // A type saved before stays: the ERP may only be out of reach for a moment.
        if (tipo.compare(m_lidos[size_t(campo)].trimmed(), Qt::CaseInsensitive) == 0) return {};
        return QStringLiteral("Não foi possível confirmar o tipo de documento %1 no ERP.\n\r%2").arg(tipo, falha);
    }
    if (tipos.contains(tipo, Qt::CaseInsensitive)) return {};
    const QString qual = kind == 3 ? QStringLiteral("saída") : QStringLiteral("entrada");
    return tipos.isEmpty()
               ? QStringLiteral("O tipo de documento %1 não existe no ERP: o ERP não tem tipos de documento de %2.")
                     .arg(tipo, qual)
               : QStringLiteral("O tipo de documento %1 não existe no ERP.\n\rTipos de documento de %2: %3.")
                     .arg(tipo, qual, tipos.join(QStringLiteral(", ")));
}

bool ParametrosCore::escape(int campo) {
    m_validar = false;
    return campo == ArmCentral;
}

bool ParametrosCore::validarSaida(int campo) {
    if (!m_validar) return true;
    if (const QString erro = tipoDesconhecido(campo); !erro.isEmpty()) {
        m_messages.mostrarAviso(OperatorMessages::Informacao, erro);
        m_recusado = campo;
        return false;
    }
    if (campo != SeGuiaEntMP && campo != SeGuiaEntMS && campo != SeSaida && campo != NoVias) return true;
    const long long v = numeroInicial(m_campos[size_t(campo)]);
    if (v >= 1 && v <= 50) return true;
    m_messages.mostrarAviso(OperatorMessages::Informacao, kMensagemIntervalo);
    return false;
}

bool ParametrosCore::confirmar() {
    m_recusado = -1;
    for (int c : {SeGuiaEntMP, SeGuiaEntMS, SeSaida}) {
        if (m_campos[size_t(c)].trimmed().isEmpty()) {
            m_messages.mostrarAviso(OperatorMessages::Informacao, kMensagemSeries);
            m_recusado = c;
            return false;
        }
    }
    for (int c : {TpGuiaEntMP, TpGuiaEntMS, TpSaida}) {
        if (const QString erro = tipoDesconhecido(c); !erro.isEmpty()) {
            m_messages.mostrarAviso(OperatorMessages::Informacao, erro);
            m_recusado = c;
            return false;
        }
    }
    if (!gravarConfig()) return false;
    m_lidos = m_campos;
    return true;
}

bool ParametrosCore::gravarConfig() {
    FicheiroConfig config(m_configPath);
    const QStringList valores{QStringLiteral("1"),   m_campos[ArmCentral],  m_campos[TpGuiaEntMP],
                              m_campos[SeGuiaEntMP], m_campos[TpGuiaEntMS], m_campos[SeGuiaEntMS],
                              m_campos[TpSaida],     m_campos[SeSaida],     m_campos[Sector],
                              m_campos[ArmSaida],    m_campos[NoVias]};
    if (!ParametrosAplic::gravar(m_db, m_messages, valores)) return false;
    m_parametros.ler(m_db, m_messages, QStringLiteral("1"));
    try {
        for (int i = Assunto; i <= PastaPdf; ++i) {
            const Definicao& d = kDefinicoes[i];
            config.gravar(QString::fromLatin1(d.seccao), QString::fromLatin1(d.coluna), m_campos[size_t(i)]);
        }
    } catch (const std::runtime_error& e) {
        m_messages.mensagem(QString::fromStdString(e.what()));
        return false;
    }
    return true;
}
