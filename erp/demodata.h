#pragma once

class BaseDados;

// Master data of the demo company in the ERP tables (customers, suppliers, articles,
// addresses, postal codes, address types, drivers, company row).
namespace DemoData {
void preencher(BaseDados& db);
}
