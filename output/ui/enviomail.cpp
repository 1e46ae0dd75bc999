#include "output/ui/enviomail.h"

#include <QApplication>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/datasbase.h"
#include "base/operatormessages.h"
#include "widgets/campoentrada.h"
#include "widgets/listapesquisa.h"

EnvioMail::EnvioMail(BaseDados& db, OperatorMessages& messages, int modo, const QString& programFolder,
                     const QString& configFile, QWidget* parent)
    : QWidget(parent),
      m_db(db),
      m_messages(messages),
      m_modo(modo == 2 ? 2 : 1),
      m_programFolder(programFolder),
      m_configFile(configFile) {
    setObjectName(QStringLiteral("EnvioMail"));
    setWindowTitle(m_modo == 1 ? QStringLiteral("Envio Mail/PDF - Fornecedores")
                               : QStringLiteral("Envio Mail/PDF - Clientes"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* titulo = new QLabel(QStringLiteral("Envio por e-Mail/PDF"), this);
    titulo->setObjectName(QStringLiteral("lblTitulo"));
    QFont f = titulo->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    titulo->setFont(f);

    const QStringList rotulos = m_modo == 1
                                    ? QStringList{QStringLiteral("Fornec. Inicial"), QStringLiteral("Fornec. Final")}
                                    : QStringList{QStringLiteral("Cliente Inicial"), QStringLiteral("Cliente Final")};
    const QStringList rotulosData{QStringLiteral("Data Inicial."), QStringLiteral("Data Final.")};
    auto* grid = new QGridLayout;
    for (int i = 0; i < 2; ++i) {
        auto* c = new CampoEntrada(i, this);
        c->setToolTip(QStringLiteral("Código Cliente"));
        c->setMaxLength(15);
        connect(c, &CampoEntrada::pedidoLista, this, &EnvioMail::abrirLista);
        connect(c, &CampoEntrada::escape, this, [this](int idx) {
            if (idx > 0) m_campos[idx - 1]->setFocus();
        });
        m_campos << c;
        auto* lista = new QPushButton(QStringLiteral("..."), this);
        lista->setObjectName(QStringLiteral("btlista_%1").arg(i));
        lista->setToolTip(QStringLiteral("Lista de Terceiros."));
        lista->setFocusPolicy(Qt::NoFocus);
        lista->setMaximumWidth(32);
        connect(lista, &QPushButton::clicked, this, [this, i] { abrirLista(i); });
        auto* d = new QDateEdit(this);
        d->setObjectName(QStringLiteral("DTPicker2_%1").arg(i));
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd-MM-yyyy"));
        d->setDateRange(DatasBase::primeiroDia(), DatasBase::ultimoDia());
        d->setToolTip(rotulosData[i]);
        m_datas << d;

        auto* rotulo = new QLabel(rotulos[i], this);
        rotulo->setObjectName(QStringLiteral("lblTerceiro_%1").arg(i));
        auto* rotuloData = new QLabel(rotulosData[i], this);
        rotuloData->setObjectName(QStringLiteral("lblData_%1").arg(i));
        auto* campoLinha = new QHBoxLayout;
        campoLinha->setSpacing(2);
        campoLinha->addWidget(c);
        campoLinha->addWidget(lista);
        grid->addWidget(rotulo, 0, i);
        grid->addLayout(campoLinha, 1, i);
        grid->addWidget(rotuloData, 2, i);
        grid->addWidget(d, 3, i);
    }
    grid->setVerticalSpacing(4);
    grid->setHorizontalSpacing(18);
    grid->setRowMinimumHeight(2, 24);
    setTabOrder(m_campos[0], m_campos[1]);
    setTabOrder(m_campos[1], m_datas[0]);
    setTabOrder(m_datas[0], m_datas[1]);

    auto botao = [this](const QString& nome, const QString& texto, const QString& dica) {
        auto* b = new QPushButton(texto, this);
        b->setObjectName(nome);
        b->setToolTip(dica);
        return b;
    };
    m_botoes << botao(QStringLiteral("btMailHist_0"), QStringLiteral("Enviar &e-mail"), QStringLiteral("e-mail."))
             << botao(QStringLiteral("btMailHist_1"), QStringLiteral("&PDF"), QStringLiteral("e-mail."));
    auto* btSair = botao(QStringLiteral("btSair"), QStringLiteral("&Sair"), QStringLiteral("Abandonar."));
    auto* botoes = new QHBoxLayout;
    botoes->addStretch();
    for (QPushButton* b : {m_botoes[0], m_botoes[1], btSair}) botoes->addWidget(b);
    connect(m_botoes[0], &QPushButton::clicked, this, [this] { executar(0); });
    connect(m_botoes[1], &QPushButton::clicked, this, [this] { executar(1); });
    connect(btSair, &QPushButton::clicked, this, [this] {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
            sub->close();
        else
            close();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titulo);
    layout->addSpacing(6);
    layout->addLayout(grid);
    layout->addSpacing(10);
    layout->addStretch();
    layout->addLayout(botoes);

    limparForm();
}

void EnvioMail::limparForm() {
    m_campos[0]->setText(QStringLiteral("0"));
    m_campos[1]->setText(QStringLiteral("zzzzzzz"));
    for (QDateEdit* d : m_datas) d->setDate(QDate::currentDate());
    m_campos[0]->setFocus();
}

QString EnvioMail::sqlLista(int modo) {
    return modo == 2 ? QStringLiteral(
                           "SELECT Clientes.CODIGO AS 'Código', Clientes.NOME AS Nome FROM Clientes "
                           "WHERE Inactivo <> -1 ORDER BY Clientes.Codigo")
                     : QStringLiteral(
                           "SELECT Fornec.CODIGO AS 'Código', Fornec.NOME AS Nome FROM Fornec "
                           "WHERE Inactivo <> -1 ORDER BY Fornec.Codigo");
}

void EnvioMail::abrirLista(int indice) {
    if (indice < 0 || indice > 1) return;
    ListaPesquisa lista(m_db, m_messages, this);
    lista.setTitulo(m_modo == 2 ? QStringLiteral("Clientes") : QStringLiteral("Fornecedores"));
    lista.setSql(sqlLista(m_modo));
    lista.setLargura(7200);
    QString valor;
    if (lista.carregar()) {
        lista.setLarguraColuna(1, 1700);
        lista.setLarguraColuna(2, 5000);
        valor = lista.mostrar();
    }
    window()->activateWindow();
    // The range codes are not validated: any text bounds the range.
    m_campos[indice]->aplicarEscolha(valor);
}

ResumoEnvio EnvioMail::executar(int indice) {
    if (m_aCorrer) return {};
    m_aCorrer = true;
    PedidoEnvio pedido;
    pedido.modo = m_modo;
    pedido.primeiro = m_campos[0]->text();
    pedido.ultimo = m_campos[1]->text();
    pedido.inicio = m_datas[0]->date();
    pedido.fim = m_datas[1]->date();
    pedido.pdf = indice == 1;

    for (QPushButton* b : m_botoes) b->setEnabled(false);
    QProgressDialog progresso(this);
    progresso.setObjectName(QStringLiteral("progressoEnvio"));
    progresso.setWindowTitle(windowTitle());
    progresso.setCancelButtonText(QStringLiteral("&Cancelar"));
    progresso.setWindowModality(Qt::WindowModal);
    progresso.setMinimumDuration(0);
    progresso.setAutoClose(false);
    progresso.setAutoReset(false);
    const QString accao = pedido.pdf ? QStringLiteral("A gravar o PDF") : QStringLiteral("A enviar o e-mail");
    const QString quem = m_modo == 2 ? QStringLiteral("cliente") : QStringLiteral("fornecedor");
    progresso.setLabelText(QStringLiteral("A selecionar as pesagens..."));

    EnvioTaloes envio(m_db, m_programFolder, m_configFile);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_resumo = envio.executar(pedido, [&](int n, int total, const QString& codigo) {
        progresso.setMaximum(total);
        progresso.setValue(n - 1);
        progresso.setLabelText(QStringLiteral("%1 do %2 %3 (%4 de %5)...").arg(accao, quem, codigo).arg(n).arg(total));
        QApplication::processEvents();
        return !progresso.wasCanceled();
    });
    QApplication::restoreOverrideCursor();
    progresso.close();
    for (QPushButton* b : m_botoes) b->setEnabled(true);

    const QString texto = m_resumo.texto(pedido.pdf);
    if (!m_resumo.erro.isEmpty())
        m_messages.mostrarAviso(OperatorMessages::Informacao, texto);
    else
        m_messages.mostrarEstado(
            m_resumo.contar(ResultadoTerceiro::Falhou) ? OperatorMessages::Exclamacao : OperatorMessages::Info, texto);
    // The period stays for the next run (often the same one, for the other parties).
    const QDate inicio = m_datas[0]->date(), fim = m_datas[1]->date();
    limparForm();
    m_datas[0]->setDate(inicio);
    m_datas[1]->setDate(fim);
    m_aCorrer = false;
    return m_resumo;
}
