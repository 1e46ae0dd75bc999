#include "erp/demodata.h"

#include <iterator>

#include "base/basedados.h"

// A feed mill and grain cooperative in the Cávado valley: customers are farms, dairies
// and poultry/pig units buying feed; suppliers are grain traders, fertiliser makers and
// local farmers delivering their maize at the weighbridge.

namespace {

struct Terceiro {
    const char* codigo;
    const char* nome;
    const char* morada;
    const char* local;
    const char* cdPostal;
    const char* nif8;   // first eight digits; the check digit is computed
    const char* email;  // nullptr: no address on file
    bool inactivo;
};

struct Morada {
    const char* terceiro;
    int tpTerc;  // 1 supplier, 2 customer
    const char* cdMorada;
    const char* descr;
    const char* local;
    const char* cdPostal;
    const char* tpMorada;
};

struct Artigo {
    const char* codigo;
    const char* nome;
    int artoudes;
    bool inactivo;
};

struct Par {
    const char* codigo;
    const char* descr;
};

struct Motorista {
    const char* codigo;
    const char* nome;
    bool inactivo;
};

const Par kCodPost[] = {
    {"4750-281", "BARCELOS"},
    {"4750-310", "BARCELOS"},
    {"4755-058", "BARCELOS"},
    {"4700-320", "BRAGA"},
    {"4705-577", "BRAGA"},
    {"4720-370", "AMARES"},
    {"4730-360", "VILA VERDE"},
    {"4740-203", "ESPOSENDE"},
    {"4740-468", "ESPOSENDE"},
    {"4760-120", "VILA NOVA DE FAMALICÃO"},
    {"4770-405", "JOANE"},
    {"4800-045", "GUIMARÃES"},
    {"4830-512", "PÓVOA DE LANHOSO"},
    {"4900-348", "VIANA DO CASTELO"},
    {"4925-432", "LANHESES"},
    {"4990-062", "PONTE DE LIMA"},
    {"4450-718", "LEÇA DA PALMEIRA"},
    {"4480-871", "VILA DO CONDE"},
    {"3810-193", "AVEIRO"},
    {"2050-317", "AZAMBUJA"},
};

const Par kTpMorada[] = {
    {"ARM", "Armazém"},    {"CAR", "Local de carga"},      {"ENT", "Local de entrega"},
    {"ESC", "Escritório"}, {"EXP", "Exploração agrícola"},
};

const Terceiro kClientes[] = {
    {"C001", "Quinta d'Ouro - Sociedade Agrícola, Lda.", "Lugar da Igreja, 12", "Lijó", "4750-310", "50731246",
     "geral@quintadouro.example", false},
    {"C002", "Lacticínios do Cávado, S.A.", "Avenida da Liberdade, 880", "Braga", "4700-320", "50268143",
     "faturacao@lacticavado.example", false},
    {"C003", "Manuel Fernandes da Silva", "Rua do Outeiro, 5", "Carreira", "4755-058", "18234567", nullptr, false},
    {"C004", "Sociedade Agro-Pecuária de Lijó, Lda.", "Estrada Nacional 204, km 3", "Lijó", "4750-310", "50944718",
     "escritorio@agrolijo.example", false},
    {"C005", "Avícola Minhota, Lda.", "Zona Industrial de Vila Verde, Lote 7", "Vila Verde", "4730-360", "50581236",
     "compras@avicolaminhota.example", false},
    {"C006", "José Maria Gonçalves Pereira", "Travessa da Fonte, 3", "Amares", "4720-370", "17650412", nullptr, false},
    {"C007", "Casa Agrícola de Carreira, Lda.", "Rua de São Tiago, 220", "Carreira", "4755-058", "51039287",
     "casagricola.carreira@mail.example", false},
    {"C008", "Suinicultura Vale do Neiva, Lda.", "Lugar de Balugães", "Barcelos", "4750-281", "50477325",
     "geral@suiniculturaneiva.example", false},
    {"C009", "Cooperativa Agrícola de Esposende, CRL", "Rua 1.º de Dezembro, 41", "Esposende", "4740-203", "50120874",
     "secretaria@coopesposende.example", false},
    {"C010", "Ana Paula Rodrigues Costa", "Rua da Ponte Velha, 18", "Ponte de Lima", "4990-062", "20374519", "", false},
    {"C011", "Vacaria do Outeiro, Unipessoal Lda.", "Caminho do Outeiro, 2", "Póvoa de Lanhoso", "4830-512", "51387640",
     "vacaria.outeiro@mail.example", false},
    {"C012", "António Joaquim Martins", "Lugar de Pousa", "Barcelos", "4750-281", "16092835", nullptr, true},
    {"C013", "Quinta de Santo Amaro - Agricultura e Pecuária, Lda.", "Quinta de Santo Amaro", "Joane", "4770-405",
     "50863209", "santoamaro@quintas.example", false},
    {"C014", "Herdeiros de Domingos Lopes", "Rua do Cruzeiro, 77", "Guimarães", "4800-045", "90112456", nullptr, false},
    {"C015", "Ovinos e Caprinos da Serra d'Arga, Lda.", "Lugar de Arga de Baixo", "Viana do Castelo", "4900-348",
     "51126903", "serradarga@mail.example", false},
    {"C016", "Agropecuária Limiana, Lda.", "Avenida António Feijó, 150", "Ponte de Lima", "4990-062", "50698472",
     "contabilidade@limiana.example", false},
    {"C017", "Maria Fernanda Araújo Sousa", "Rua de Santa Marta, 9", "Braga", "4705-577", "21458306", nullptr, false},
    {"C018", "Granja São Bento, Lda.", "Lugar de São Bento", "Vila Verde", "4730-360", "50215963",
     "granja.saobento@mail.example", true},
    {"C019", "Cunicultura do Lima, Lda.", "Rua das Lavradas, 31", "Lanheses", "4925-432", "51274128",
     "cunicultura.lima@mail.example", false},
    {"C020", "Rui Manuel Carvalho Ribeiro", "Rua do Lameiro, 64", "Vila Nova de Famalicão", "4760-120", "19827364",
     nullptr, false},
    {"C021", "Sociedade Agrícola Quinta da Veiga, Lda.", "Quinta da Veiga", "Esposende", "4740-468", "50390715",
     "quintadaveiga@quintas.example", false},
    {"C022", "Pecuária Irmãos Barbosa, Lda.", "Rua da Feira, 120", "Barcelos", "4750-281", "50756180", nullptr, false},
};

const Terceiro kFornecedores[] = {
    {"F001", "Cerealis Norte - Comércio de Cereais, S.A.", "Rua Roberto Ivens, 1200", "Leça da Palmeira", "4450-718",
     "50019432", "encomendas@cerealisnorte.example", false},
    {"F002", "Adubos do Atlântico, Lda.", "Zona Industrial da Azambuja, Lote 22", "Azambuja", "2050-317", "50327861",
     "vendas@adubosatlantico.example", false},
    {"F003", "Joaquim Alves Ferreira", "Lugar do Ribeiro, 4", "Carreira", "4755-058", "15938247", nullptr, false},
    {"F004", "Silos de Leixões - Trading de Cereais, Lda.", "Doca 4, Porto de Leixões", "Leça da Palmeira", "4450-718",
     "50562394", "trading@silosleixoes.example", false},
    {"F005", "Domingos Barbosa Campos", "Rua do Casal, 27", "Amares", "4720-370", "17284953", nullptr, false},
    {"F006", "Calcários do Minho, Lda.", "Pedreira do Monte, Apartado 15", "Guimarães", "4800-045", "50670241",
     "calcariosminho@mail.example", false},
    {"F007", "Agro-Soja Ibérica, S.A.", "Zona Industrial de Aveiro, Rua M", "Aveiro", "3810-193", "50893126",
     "comercial@agrosoja.example", false},
    {"F008", "Carlos Alberto Pinto Mota", "Rua da Eira, 11", "Joane", "4770-405", "18573029", nullptr, false},
    {"F009", "Transportes Rodoviários do Cávado, Lda.", "Rua dos Transportes, 8", "Barcelos", "4750-281", "50148367",
     "trafego@trcavado.example", false},
    {"F010", "Quinta do Paço de Lanheses - Sociedade Agrícola, Lda.", "Quinta do Paço", "Lanheses", "4925-432",
     "51093748", "quintadopaco@quintas.example", false},
    {"F011", "Fernando José Vieira", "Lugar de Fonte Boa", "Esposende", "4740-468", "20163854", nullptr, false},
    {"F012", "Moagem Vilacondense, Lda.", "Avenida Doutor João Canavarro, 305", "Vila do Conde", "4480-871", "50402873",
     "moagem@vilacondense.example", false},
    {"F013", "Luís Miguel Costa Azevedo", "Rua de Baixo, 52", "Vila Verde", "4730-360", "22519604", nullptr, false},
    {"F014", "Pré-Misturas Nutrivet, Lda.", "Parque Empresarial de Famalicão, Pavilhão 3", "Vila Nova de Famalicão",
     "4760-120", "51320946", "nutrivet@mail.example", false},
    {"F015", "Cereais Ribeiro & Filhos, Lda.", "Rua do Mercado, 14", "Braga", "4700-320", "50238416", nullptr, true},
};

const Morada kMoradas[] = {
    {"C001", 2, "001", "Armazém de Lijó", "Lijó", "4750-310", "ARM"},
    {"C001", 2, "002", "Pavilhão d'Além - Exploração", "Carreira", "4755-058", "EXP"},
    {"C002", 2, "001", "Fábrica - cais de descarga", "Braga", "4700-320", "ENT"},
    {"C002", 2, "002", "Centro de recolha de Vila Verde", "Vila Verde", "4730-360", "ENT"},
    {"C004", 2, "001", "Estábulo do Monte", "Lijó", "4750-310", "EXP"},
    {"C005", 2, "001", "Pavilhão avícola 1 - Carreira", "Carreira", "4755-058", "EXP"},
    {"C005", 2, "002", "Pavilhão avícola 2 - Amares", "Amares", "4720-370", "EXP"},
    {"C008", 2, "001", "Pocilga de Balugães", "Barcelos", "4750-281", "EXP"},
    {"C009", 2, "001", "Armazém da cooperativa", "Esposende", "4740-203", "ARM"},
    {"C009", 2, "002", "Loja agrícola de Fonte Boa", "Esposende", "4740-468", "ENT"},
    {"C009", 2, "003", "Escritórios da cooperativa", "Esposende", "4740-203", "ESC"},
    {"C012", 2, "001", "Exploração de Pousa", "Barcelos", "4750-281", "EXP"},
    {"C013", 2, "001", "Vacaria de Santo Amaro", "Joane", "4770-405", "EXP"},
    {"C015", 2, "001", "Curral da Serra d'Arga", "Viana do Castelo", "4900-348", "EXP"},
    {"C016", 2, "001", "Armazém de Ponte de Lima", "Ponte de Lima", "4990-062", "ARM"},
    {"F001", 1, "001", "Silo do porto de Leixões", "Leça da Palmeira", "4450-718", "CAR"},
    {"F001", 1, "002", "Armazém de Vila do Conde", "Vila do Conde", "4480-871", "ARM"},
    {"F002", 1, "001", "Depósito de adubos de Famalicão", "Vila Nova de Famalicão", "4760-120", "CAR"},
    {"F003", 1, "001", "Campo do Ribeiro", "Carreira", "4755-058", "CAR"},
    {"F004", 1, "001", "Terminal de granéis - Doca 4", "Leça da Palmeira", "4450-718", "CAR"},
    {"F007", 1, "001", "Fábrica de esmagamento de Aveiro", "Aveiro", "3810-193", "CAR"},
    {"F010", 1, "001", "Eira da Quinta do Paço", "Lanheses", "4925-432", "CAR"},
};

const Artigo kArtigos[] = {
    {"MILHO", "Milho em grão nacional", 0, false},
    {"TRIGO", "Trigo forrageiro", 0, false},
    {"CEVADA", "Cevada dística", 0, false},
    {"BAGSOJA44", "Bagaço de soja 44%", 0, false},
    {"RAC-VL", "Ração para vacas leiteiras", 0, false},
    {"RAC-SUI", "Ração para suínos de engorda", 0, false},
    {"RAC-FRG", "Ração para frangos de carne", 0, false},
    {"ADUBO-NPK", "Adubo composto NPK 10-10-10", 0, false},
    {"PORTES", "Transporte de mercadoria (portes)", 1, false},
    {"RAC-COE", "Ração para coelhos (descontinuada)", 0, true},
};

const Motorista kMotoristas[] = {
    {"M01", "Abel Martins Lopes", false},     {"M02", "Bruno Filipe Sá", false},
    {"M03", "Carlos Duarte Nogueira", false}, {"M04", "Diogo Faria Gomes", false},
    {"M05", "Eduardo Sá d'Oliveira", false},  {"M06", "Fernando Cunha Leite", true},
};

QVariant texto(const char* s) {
    // A missing value is stored as NULL text, as the ERP leaves it.
    return s ? QVariant(QString::fromUtf8(s)) : QVariant(QMetaType::fromType<QString>());
}

int inactivo(bool v) {
    return v ? -1 : 0;
}

// Portuguese tax number: eight digits followed by the modulo-11 check digit.
QString nif(const char* oitoDigitos) {
    const QString base = QString::fromLatin1(oitoDigitos);
    int soma = 0;
    for (int i = 0; i < 8; ++i) soma += base.at(i).digitValue() * (9 - i);
    const int resto = soma % 11;
    return base + QString::number(resto < 2 ? 0 : 11 - resto);
}

void inserirTerceiros(BaseDados& db, const QString& sql, const Terceiro* rows, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i) {
        const Terceiro& t = rows[i];
        db.executar(sql, {texto(t.codigo), texto(t.nome), texto(t.morada), texto(t.local), texto(t.cdPostal),
                          nif(t.nif8), texto(t.email), inactivo(t.inactivo)});
    }
}

}  // namespace

void DemoData::preencher(BaseDados& db) {
    // One transaction: a failure leaves no partly filled company, and sqlite writes
    // the whole lot in one go instead of syncing after each row.
    Transaccao t(db, true);

    db.executar(
        QStringLiteral("INSERT INTO EMPRESA (CODIGO, NOME, Morada, Local, CdPostal, NContrib, Telefone, Email) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        {QStringLiteral("DEMO"), QStringLiteral("Agro-Pecuária do Vale, Lda."),
         QStringLiteral("Zona Industrial de Barcelos, Lote 12"), QStringLiteral("Barcelos"), QStringLiteral("4750-281"),
         nif("50817294"), QStringLiteral("253 810 450"), QStringLiteral("geral@agrovale.example")});

    for (const Par& p : kCodPost)
        db.executar(QStringLiteral("INSERT INTO CodPost (Cod, Descr) VALUES (?, ?)"),
                    {texto(p.codigo), texto(p.descr)});

    for (const Par& p : kTpMorada)
        db.executar(QStringLiteral("INSERT INTO TpMorada (Codigo, Descrica) VALUES (?, ?)"),
                    {texto(p.codigo), texto(p.descr)});

    inserirTerceiros(db,
                     QStringLiteral("INSERT INTO Clientes (CODIGO, NOME, Morada, Local, CdPostal, NContrib, "
                                    "email_envio_documentos, Inactivo) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                     kClientes, std::size(kClientes));
    inserirTerceiros(db,
                     QStringLiteral("INSERT INTO Fornec (CODIGO, NOME, Morada, Local, CdPostal, NContrib, Email, "
                                    "Inactivo) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                     kFornecedores, std::size(kFornecedores));

    for (const Morada& m : kMoradas)
        db.executar(QStringLiteral("INSERT INTO MORADAS (TERCEIRO, TPTERC, CDMORADA, Descr, Local, CdPostal, TpMorada) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                    {texto(m.terceiro), m.tpTerc, texto(m.cdMorada), texto(m.descr), texto(m.local), texto(m.cdPostal),
                     texto(m.tpMorada)});

    for (const Artigo& a : kArtigos)
        db.executar(QStringLiteral("INSERT INTO Artigos (CODIGO, NOME, UnBase, Artoudes, Inactivo) "
                                   "VALUES (?, ?, ?, ?, ?)"),
                    {texto(a.codigo), texto(a.nome), QStringLiteral("KG"), a.artoudes, inactivo(a.inactivo)});

    for (const Motorista& m : kMotoristas)
        db.executar(QStringLiteral("INSERT INTO kel_RS_Motoristas (Codigo, Nome, Inactivo) VALUES (?, ?, ?)"),
                    {texto(m.codigo), texto(m.nome), inactivo(m.inactivo)});

    t.commit();
}
