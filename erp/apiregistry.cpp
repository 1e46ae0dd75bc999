#include "erp/apiregistry.h"

#include "base/operatormessages.h"
#include "erp/sessaosage.h"

void ApiRegistry::registar(const QString& progId, Factory factory) {
    m_factories.insert(progId.toLower(), std::move(factory));
}

std::unique_ptr<ApiObject> ApiRegistry::criar(const QString& progId) {
    m_tentativas << progId;
    const auto it = m_factories.constFind(progId.toLower());
    if (it == m_factories.constEnd() || !*it) return nullptr;
    return (*it)();
}

std::unique_ptr<ApiObject> SageCreateApiObject(SessaoSage& sessao, ApiRegistry& registry, OperatorMessages& messages,
                                               const QString& nome) {
    if (auto obj = sessao.criarObjecto(nome)) return obj;
    const int dot = int(nome.indexOf(QLatin1Char('.')));
    if (dot < 0) return nullptr;
    const QString classe = nome.mid(dot + 1);
    const QString primeira = classe.toUpper() == QStringLiteral("BASENEXT") ? QStringLiteral("BaseBusiness") : classe;
    const QStringList tries = {QStringLiteral("SageBGCOApi10.") + primeira, QStringLiteral("SAGENGCOAPI.") + classe,
                               QStringLiteral("SageApiNextPlus.") + classe};
    for (const QString& id : tries)
        if (auto obj = registry.criar(id)) return obj;
    messages.mensagem(QStringLiteral("Erro não conseguiu carregar nenhuma DLL da SAGEAPI"));
    return nullptr;
}
