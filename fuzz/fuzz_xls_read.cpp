// libFuzzer harness over TWorkbook::ReadFromMemory, the reader of workbook
// files (compound file container and BIFF8 records).
//
// Every input must either read or fail with orvanta::Error; any other
// exception, a crash, a hang or a huge allocation is a finding. What reads
// is written back and must read again with the same sheets and cells.
//
// Seeds: fuzz/corpus/xls_read (written workbooks, broken containers and the
// inputs of earlier findings).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "data/error.h"
#include "xls/workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    orvanta::TWorkbook wb;
    try {
        wb.ReadFromMemory(std::span<const uint8_t>(data, size));
    } catch (const orvanta::Error&) {
        return 0;
    }
    orvanta::TWorkbook again;
    again.ReadFromMemory(wb.WriteToMemory());  // must not throw
    if (again.Sheets.size() != wb.Sheets.size())
        std::abort();
    for (size_t s = 0; s < wb.Sheets.size(); ++s) {
        const auto& a = wb.Sheets[s];
        const auto& b = again.Sheets[s];
        if (a.Cells().Count() != b.Cells().Count() || a.Name != b.Name)
            std::abort();
        a.Cells().ForEach([&](uint32_t col, uint32_t row, const orvanta::TCell&) {
            if (a.CellText(int(col), int(row)) != b.CellText(int(col), int(row)))
                std::abort();
        });
    }
    return 0;
}
