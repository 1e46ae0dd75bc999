#include "scale/respostabalanca.h"

namespace {
char maiuscula(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// True when the first digit before the unit is preceded by '-' (spaces between allowed).
bool negativo(const QByteArray& recebido, qsizetype unidade) {
    qsizetype i = 0;
    while (i < unidade && (recebido.at(i) < '0' || recebido.at(i) > '9')) ++i;
    if (i >= unidade) return false;
    while (i > 0 && recebido.at(i - 1) == ' ') --i;
    return i > 0 && recebido.at(i - 1) == '-';
}
}  // namespace

qsizetype RespostaBalanca::procurar(const QByteArray& texto, const char* marca) {
    const qsizetype n = qsizetype(qstrlen(marca));
    for (qsizetype i = 0; i + n <= texto.size(); ++i) {
        qsizetype j = 0;
        while (j < n && maiuscula(texto.at(i + j)) == marca[j]) ++j;
        if (j == n) return i;
    }
    return -1;
}

bool RespostaBalanca::completa(const QByteArray& recebido) {
    return recebido.contains('\r');
}

LeituraBalanca RespostaBalanca::interpretar(const QByteArray& recebido, const QString& mensagemAnterior) {
    LeituraBalanca r;
    r.mensagem = mensagemAnterior;

    // Every decimal digit before the unit makes the weight; signs, spaces and decimal
    // separators are dropped, so "12.34 KG" reads 1234.
    const qsizetype unidade = procurar(recebido, "KG");
    bool excedido = false;
    bool algarismos = false;
    for (qsizetype i = 0; i < unidade; ++i) {
        const char c = recebido.at(i);
        if (c < '0' || c > '9') continue;
        algarismos = true;
        const int d = c - '0';
        if (r.peso > (kPesoMaximo - d) / 10) {
            excedido = true;
            break;
        }
        r.peso = r.peso * 10 + d;
    }
    if (!excedido && algarismos && negativo(recebido, unidade)) {
        // Signs are otherwise skipped, but a minus in front of the weight would turn a
        // scale below zero into a positive tare: that is never a reading.
        r.peso = 0;
        r.estavel = false;
        r.mensagem = pesoNegativo();
        return r;
    }
    if (excedido) {
        // More digits than any weight can hold: garbage on the line, never a weight.
        r.peso = 0;
        r.estavel = false;
        r.mensagem = QStringLiteral(
            "Erro na função de Pesagem \r\nErro Número:6\r\n (Peso recebido da balança fora dos limites)");
        return r;
    }

    if (procurar(recebido, "GU") >= 0) {
        r.estavel = false;
        r.mensagem = instavel();
    }
    if (procurar(recebido, "GS") >= 0) {
        if (!algarismos) {
            // A stable mark without a weight in kilograms is not a reading: taking it as
            // 0 kg would let an empty reply pass for a weighed truck.
            r.estavel = false;
            r.mensagem = semPeso();
            return r;
        }
        r.estavel = true;
        r.mensagem = estavel();
    }
    return r;
}
