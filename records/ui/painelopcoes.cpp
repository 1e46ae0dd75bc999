#include "records/ui/painelopcoes.h"

#include <QComboBox>
#include <QFormLayout>

#include "base/basedados.h"
#include "base/operatormessages.h"
#include "records/opcoesinstalacao.h"

PainelOpcoes::PainelOpcoes(BaseDados& db, OperatorMessages& messages, QWidget* parent)
    : QGroupBox(QStringLiteral("Opções da instalação (todos os postos)"), parent), m_db(db), m_messages(messages) {
    setObjectName(QStringLiteral("painelOpcoes"));
    auto* l = new QFormLayout(this);
    OpcoesInstalacao opcoes(m_db);
    for (const OpcoesInstalacao::Opcao& o : OpcoesInstalacao::conhecidas()) {
        auto* c = new QComboBox(this);
        c->setObjectName(QStringLiteral("opcao_") + o.nome);
        c->addItems(o.valores);
        c->setToolTip(o.descricao);
        QString v = o.omissao;
        try {
            v = opcoes.valor(o.nome);
        } catch (const DbError& e) {
            c->setEnabled(false);
            c->setToolTip(QStringLiteral("Não foi possível ler a opção: ") + e.texto());
        }
        c->setCurrentText(v);
        m_lidos.insert(o.nome, v);
        m_escolhas.insert(o.nome, c);
        l->addRow(o.nome, c);
    }
}

bool PainelOpcoes::gravar() {
    OpcoesInstalacao opcoes(m_db);
    for (auto it = m_escolhas.cbegin(); it != m_escolhas.cend(); ++it) {
        const QString v = it.value()->currentText();
        if (!it.value()->isEnabled() || v == m_lidos.value(it.key())) continue;
        try {
            QString erro;
            if (!opcoes.definir(it.key(), v, erro)) {
                m_messages.mostrarAviso(OperatorMessages::Informacao, erro);
                return false;
            }
            m_lidos.insert(it.key(), v);
        } catch (const DbError& e) {
            m_messages.mostrarAviso(
                OperatorMessages::Informacao,
                QStringLiteral("Não foi possível gravar a opção %1.\r\n").arg(it.key()) + e.texto());
            return false;
        }
    }
    return true;
}
