#include "demodata.h"

#include "basedados.h"

void DemoData::preencher(BaseDados& db) {
    db.executar(QStringLiteral("INSERT INTO EMPRESA (CODIGO, NOME) VALUES (?, ?)"),
                {QStringLiteral("DEMO"), QStringLiteral("Agro-Pecuária do Vale, Lda.")});
}
