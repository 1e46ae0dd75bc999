#pragma once

#include <QDate>
#include <QString>

class BaseDados;

// The campaign of a date: a campaign starts on 1 October and is written as its two
// years joined by a slash (15-03-2024 -> "2023/2024", 01-10-2024 -> "2024/2025").
QString CampanhaDaData(const QDate& data);

// True when the text is a campaign as CampanhaDaData writes it: two four-digit
// years joined by a slash, the second the first plus one. A counter under any
// other text would never be used by ticket numbering.
bool CampanhaValida(const QString& texto);

// Key of a ticket counter in kel_PES_Taloes.
struct ChaveTalao {
    int tipo = 1;      // 1 per campaign and document type (incoming), 2 per customer and address type too
    QString campanha;  // CampanhaDaData of the weighing date
    QString tipoDoc;
    QString cliente;     // kind 2 only
    QString tipoMorada;  // kind 2 only
};

struct Talao {
    qint32 numero = 0;
    QString sigla;  // ticket prefix of a kind 2 counter; empty for kind 1
};

// Takes the next ticket number of the key and records it in its counter (creating
// the counter at 1 when there is none). The read and the write are serialised
// between workstations: on sqlite they run in a transaction that holds the write
// lock before reading, on SQL Server the read takes an update lock, so no two
// weighings ever get the same number. Joins a transaction the caller already
// opened (which on sqlite must then be an immediate one). Throws DbError.
Talao ProximoTalao(BaseDados& db, const ChaveTalao& chave);

// The highest ticket number already given to a weighing under the counter's key (0
// when none): pending, finished and cancelled weighings of the campaign on that
// counter's desk, of its customer and address type for kind 2. A counter set below
// it makes the next tickets repeat numbers. Weighings that are still pending carry
// no document type yet and are counted for every document type of their desk.
// Throws DbError.
qint32 UltimoTalaoEmitido(BaseDados& db, const ChaveTalao& chave);
