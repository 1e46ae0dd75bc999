// libFuzzer target over the indicator's reply parser: whatever arrives on the line,
// it must not crash, never call a reply stable without "GS", and read the weight as
// the digits before the first "KG".
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "scale/respostabalanca.h"

namespace {
std::string maiusculas(const uint8_t* d, size_t n) {
    std::string s(reinterpret_cast<const char*>(d), n);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
    const QByteArray resposta(reinterpret_cast<const char*>(dados), qsizetype(tamanho));
    const QString anterior = QStringLiteral("anterior");
    const LeituraBalanca l = RespostaBalanca::interpretar(resposta, anterior);

    const std::string s = maiusculas(dados, tamanho);
    const size_t kg = s.find("KG");
    if (l.estavel && s.find("GS") == std::string::npos) std::abort();
    if (l.estavel && (kg == std::string::npos || l.mensagem != RespostaBalanca::estavel())) std::abort();
    if (l.peso < 0 || l.peso > RespostaBalanca::kPesoMaximo) std::abort();

    // The weight, rebuilt the slow way: every digit before the unit.
    std::string algarismos;
    if (kg != std::string::npos)
        std::copy_if(s.begin(), s.begin() + std::ptrdiff_t(kg), std::back_inserter(algarismos),
                     [](char c) { return c >= '0' && c <= '9'; });
    const size_t zeros = algarismos.find_first_not_of('0');
    const std::string significativos = zeros == std::string::npos ? std::string() : algarismos.substr(zeros);
    // A minus right before the first digit (spaces allowed) makes it no reading.
    bool negativo = false;
    if (kg != std::string::npos) {
        size_t i = 0;
        while (i < kg && (s[i] < '0' || s[i] > '9')) ++i;
        if (i < kg) {
            while (i > 0 && s[i - 1] == ' ') --i;
            negativo = i > 0 && s[i - 1] == '-';
        }
    }
    if (negativo && significativos.size() <= 15 &&
        (significativos.empty() || std::stoll(significativos) <= RespostaBalanca::kPesoMaximo)) {
        if (l.peso != 0 || l.estavel || l.mensagem != RespostaBalanca::pesoNegativo()) std::abort();
        return 0;
    }
    if (significativos.size() <= 15) {
        const long long esperado = significativos.empty() ? 0 : std::stoll(significativos);
        if (esperado <= RespostaBalanca::kPesoMaximo && l.peso != esperado) std::abort();
    }
    if (l.peso != 0 && significativos.empty()) std::abort();

    // Without a mark the caller's message stays.
    if (s.find("GS") == std::string::npos && s.find("GU") == std::string::npos && l.peso == 0 &&
        significativos.empty() && l.mensagem != anterior)
        std::abort();
    return 0;
}
