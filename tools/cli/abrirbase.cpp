#include <QCoreApplication>

#include "base/basedados.h"
#include "base/configlocation.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "output/chaveinstalacao.h"
#include "records/tabelasrastreio.h"
#include "tools/cli/cli.h"

bool abrirBaseDados(Cli& cli, BaseDados& db, bool avisar) {
    const QString programFolder = QCoreApplication::applicationDirPath();
    const FicheiroConfig file(ConfigLocation::configFile(programFolder, cli.configName));
    if (!file.exists()) {
        if (avisar) cli.err << "O ficheiro de configuração não existe: " << file.path() << '\n';
        return false;
    }
    if (!db.abrir(ConfigSQL::ler(file))) {
        if (avisar) cli.err << "Não foi possível abrir a base de dados: " << db.ultimoErro() << '\n';
        return false;
    }
    try {
        TabelasRastreio::garantir(db);
    } catch (const DbError& e) {
        if (avisar) cli.err << "Não foi possível criar as tabelas do registo alibi: " << e.texto() << '\n';
        return false;
    }
    // A signing key an earlier version left in the database leaves it now.
    const QString chave = ChaveInstalacao::migrar(db);
    if (!chave.isEmpty() && avisar)
        cli.err << "Não foi possível retirar a chave de assinatura da base de dados: " << chave << '\n';
    return true;
}
