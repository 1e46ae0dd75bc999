#pragma once

#include <QHash>
#include <QStringList>
#include <functional>
#include <memory>

#include "erp/documentocomercial.h"

class OperatorMessages;
class SessaoSage;

// Creation of API objects by program identifier ("Library.Class"), as the platform's
// component system would do it. Identifiers compare without case. Every attempt is
// remembered, so the fallback order can be checked.
class ApiRegistry {
  public:
    using Factory = std::function<std::unique_ptr<ApiObject>()>;
    void registar(const QString& progId, Factory factory);
    // Null when nothing is registered under that identifier or the factory gives nothing.
    std::unique_ptr<ApiObject> criar(const QString& progId);
    const QStringList& tentativas() const { return m_tentativas; }
    void limparTentativas() { m_tentativas.clear(); }

  private:
    QHash<QString, Factory> m_factories;
    QStringList m_tentativas;
};

// Obtains an API object: from the ERP session first, then from the three API
// libraries in order ("SageBGCOApi10" — where class BaseNext is called BaseBusiness —,
// "SAGENGCOAPI", "SageApiNextPlus"). When none gives it, the operator is told.
std::unique_ptr<ApiObject> SageCreateApiObject(SessaoSage& sessao, ApiRegistry& registry, OperatorMessages& messages,
                                               const QString& nome);
