#include "output/impressaotalao.h"

#include <QPdfWriter>

#include "base/dberror.h"
#include "base/ficheiroconfig.h"
#include "base/operatormessages.h"
#include "output/ficheiroatomico.h"
#include "output/impressora.h"
#include "output/operacoestalao.h"
#include "records/parametrosaplic.h"

ImpressaoTalao::ImpressaoTalao(OperacoesTalao& operacoes, Impressora* impressora)
    : m_ops(operacoes), m_impressoraFila(impressora) {}

QString ImpressaoTalao::textoSemVias() {
    return QStringLiteral("O número de vias a imprimir (parâmetro \"Número Vias\") é 0.");
}

bool ImpressaoTalao::falha(const QString& texto) {
    m_erro = texto;
    if (m_mostrar) m_ops.mensagens().mostrarEstado(OperatorMessages::Critico, texto);
    return false;
}

bool ImpressaoTalao::imprimeDoc(qint32 id, TipoTalao tipo, const QString& ficheiro) {
    m_erro.clear();
    m_paginas = 0;
    m_impressora.clear();
    ModeloTalao modelo;
    if (!m_ops.carregarModelo(tipo, modelo)) return falha(m_ops.ultimoErro());
    return imprimirModelo(modelo, id, ficheiro, QStringLiteral("Talão de pesagem %1").arg(id),
                          QStringLiteral("O talão do registo %1 não tem vias para imprimir.").arg(id));
}

bool ImpressaoTalao::imprimeSenha(qint32 id, const QString& ficheiro) {
    m_erro.clear();
    m_paginas = 0;
    m_impressora.clear();
    ModeloTalao modelo;
    if (!m_ops.carregarModeloSenha(modelo)) return falha(m_ops.ultimoErro());
    return imprimirModelo(modelo, id, ficheiro, QStringLiteral("Senha de pesagem %1").arg(id),
                          QStringLiteral("O registo de pesagem %1 não existe; a senha não foi impressa.").arg(id));
}

bool ImpressaoTalao::imprimirModelo(const ModeloTalao& modelo, qint32 id, const QString& ficheiro,
                                    const QString& nomeDoc, const QString& semPaginas) {
    QStringList pages;
    try {
        pages = m_ops.renderizador().paginas(modelo, id);
    } catch (const ErroOperacao& e) {
        return falha(QStringLiteral("Erro na consulta do modelo %1: %2").arg(modelo.caminho(), e.texto()));
    }
    if (pages.isEmpty()) return falha(semPaginas);

    if (ficheiro.isEmpty()) {
        const QString nome =
            FicheiroConfig(m_ops.configFile()).ler(QStringLiteral("PRINT"), QStringLiteral("Impressora")).trimmed();
        if (!m_impressoraFila)
            return falha(QStringLiteral("Este programa não imprime em impressoras; o talão não foi impresso."));
        QString erro;
        if (!m_impressoraFila->imprimir(nome, nomeDoc, modelo.paginacao(), pages, m_impressora, erro))
            return falha(erro);
    } else {
        // Written into a temporary of its own and put in place at the end, so nothing
        // is ever written through a link standing at the name.
        FicheiroAtomico saida(ficheiro);
        if (!saida.abrir()) return falha(saida.erro());
        {
            QPdfWriter writer(&saida.dispositivo());
            writer.setCreator(QStringLiteral("Balantrix"));
            writer.setTitle(nomeDoc);
            writer.setResolution(300);
            writer.setPageLayout(modelo.paginacao());
            RenderizadorTalao::pintar(writer, pages);
        }
        if (!saida.confirmar()) return falha(saida.erro());
        m_impressora = ficheiro;
    }
    m_paginas = int(pages.size());
    return true;
}

bool ImpressaoTalao::imprimirVias(qint32 id, qint32 noTalao, TipoTalao tipo, const ParametrosAplic& parametros,
                                  const QString& ficheiro) {
    if (!m_ops.prepararVias(id, noTalao, parametros)) return false;
    if (parametros.inteiro(QStringLiteral("NoVias")) < 1) return falha(textoSemVias());
    return imprimeDoc(id, tipo, ficheiro);
}
