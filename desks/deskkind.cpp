#include "desks/deskkind.h"

const DeskKind& DeskKind::saidas() {
    static const DeskKind k = [] {
        DeskKind d;
        d.entrada = false;
        d.caption = QStringLiteral("Saídas");
        d.nome = QStringLiteral("saidas");
        d.campos = &CamposDesk::saidas();
        // The tabs carry no access letter (Ctrl+Tab moves between them): each letter is one command.
        d.tabs = {QStringLiteral("Saída"), QStringLiteral("Cliente"), QStringLiteral("Observações"),
                  QStringLiteral("Carga")};
        d.btEntradaCaption = QStringLiteral("&Saída");
        d.btPendentesCaption = QStringLiteral("Cargas Pen&dentes");
        d.tabelaTerceiro = QStringLiteral("Clientes");
        d.tpTerc = 2;
        d.terceiroNaoExiste = QStringLiteral("Cliente não existente!");
        d.colunaEmail = QStringLiteral("email_envio_documentos");
        d.listaTerceiroSoActivos = true;
        d.tituloListaTerceiro = QStringLiteral("Clientes");
        d.tituloListaMoradas = QStringLiteral("Moradas Alternativas");
        d.campoPrimeiroPeso = Campo::Tara;
        d.campoSegundoPeso = Campo::Bruto;
        d.legendaPrimeiroPeso = QStringLiteral("Tara");
        d.legendaSegundoPeso = QStringLiteral("Peso Bruto");
        d.descontos = {Campo::Vasilhame};
        d.camposRecalculo = {Campo::Efectivo, Campo::Liquido, Campo::LocalCarga, Campo::LocalDescarga};
        d.faltaPesoFinal = QStringLiteral("Deve efectuar a pesagem do Peso Bruto!");
        d.tipo = QStringLiteral("S");
        d.tipoTerc = 2;
        d.tipoDocumentoErp = 3;
        d.tipoContador = 2;
        d.parametroArmazem = QStringLiteral("ArmSaida");
        d.pendentesVazio = QStringLiteral("Não existem Cargas Pendentes!");
        d.anulacaoFinalizada = QStringLiteral("Vai proceder à anulação da Saída");
        d.anulacaoPendente = QStringLiteral("Vai proceder à anulação da Carga");
        d.resumoTerceiro = QStringLiteral("Cliente: ");
        d.pdfNome = QStringLiteral("TalaoPesagem_Cli.pdf");
        return d;
    }();
    return k;
}

const DeskKind& DeskKind::entradas() {
    static const DeskKind k = [] {
        DeskKind d;
        d.entrada = true;
        d.caption = QStringLiteral("Entradas");
        d.nome = QStringLiteral("entradas");
        d.campos = &CamposDesk::entradas();
        d.tabs = {QStringLiteral("Entrada"), QStringLiteral("Fornecedor"), QStringLiteral("Observações"),
                  QStringLiteral("Carga")};
        d.btEntradaCaption = QStringLiteral("&Entrada");
        d.btPendentesCaption = QStringLiteral("&Descargas Pendentes");
        d.tabelaTerceiro = QStringLiteral("Fornec");
        d.tpTerc = 1;
        d.terceiroNaoExiste = QStringLiteral("Fornecedor não existente!");
        d.colunaEmail = QStringLiteral("Email");
        d.listaTerceiroSoActivos = false;
        d.tituloListaTerceiro = QStringLiteral("Fornecedores");
        d.tituloListaMoradas = QStringLiteral("Moradas Alternativas");
        d.campoPrimeiroPeso = Campo::Bruto;
        d.campoSegundoPeso = Campo::Tara;
        d.legendaPrimeiroPeso = QStringLiteral("Peso Bruto");
        d.legendaSegundoPeso = QStringLiteral("Tara");
        d.descontos = {Campo::Vasilhame, Campo::Qualidade};
        d.camposRecalculo = {Campo::Vasilhame, Campo::Qualidade, Campo::Efectivo, Campo::Liquido};
        d.faltaPesoFinal = QStringLiteral("Deve efectuar a pesagem da Tara");
        d.tipo = QStringLiteral("E");
        d.tipoTerc = 1;
        d.tipoDocumentoErp = 1;
        d.tipoContador = 1;
        d.parametroArmazem = QStringLiteral("ArmCentral");
        d.pendentesVazio = QStringLiteral("Não existem Descargas Pendentes!");
        d.anulacaoFinalizada = QStringLiteral("Vai proceder à anulação da Entrada");
        d.anulacaoPendente = QStringLiteral("Vai proceder à anulação da Descarga");
        d.resumoTerceiro = QStringLiteral("Fornecedor: ");
        d.pdfNome = QStringLiteral("TalaoPesagem_For.pdf");
        return d;
    }();
    return k;
}

const DeskKind* DeskKind::porNome(const QString& nome) {
    if (nome.compare(QStringLiteral("saidas"), Qt::CaseInsensitive) == 0) return &saidas();
    if (nome.compare(QStringLiteral("entradas"), Qt::CaseInsensitive) == 0) return &entradas();
    return nullptr;
}
