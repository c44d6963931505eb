// Helper for the interop check (interop_check.py), which opens our files with
// xlrd and olefile and gives us files written by xlwt:
//   xls_interop_tool write DIR       writes workbooks and, beside each, NAME.expected
//   xls_interop_tool dump FILE       reads FILE and prints its sheets and cells
//   xls_interop_tool container FILE SIZE
//                                    writes a compound file whose one stream
//                                    "Workbook" holds SIZE pattern bytes
// Texts are printed as hex, so any byte survives the trip.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>

#include "xls/bytesink.h"
#include "xls/cfbwriter.h"
#include "xls/workbook.h"

using namespace orvanta;

namespace {

std::string Hex(const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

void Dump(const TWorkbook& wb, std::ostream& out)
{
    for (size_t s = 0; s < wb.Sheets.size(); ++s) {
        const TSheet& sheet = wb.Sheets[s];
        out << "sheet\t" << s << '\t' << Hex(sheet.Name) << '\t' << sheet.LastRow() << '\t'
            << sheet.LastCol() << '\n';
        sheet.Cells().ForEach([&](uint32_t col, uint32_t row, const TCell&) {
            out << "cell\t" << s << '\t' << row << '\t' << col << '\t'
                << Hex(*sheet.CellText(static_cast<int>(col), static_cast<int>(row))) << '\n';
        });
    }
}

void Save(TWorkbook& wb, const std::string& dir, const std::string& name)
{
    wb.Filename = dir + "/" + name + ".xls";
    wb.Write();
    std::ofstream expected(dir + "/" + name + ".expected");
    Dump(wb, expected);
}

std::string Text(int row, int col)
{
    return "r" + std::to_string(row) + "c" + std::to_string(col);
}

void WriteAll(const std::string& dir)
{
    TWorkbook wb;
    wb.CountryCode = 1;

    wb.Clear();
    Save(wb, dir, "empty");

    wb.Clear();
    for (int c = 0; c < 42; ++c)
        wb.Sheets[0].SetCellText(c, 0, "field " + std::to_string(c));
    wb.Sheets[0].SetCellText(0, 1, "same");
    wb.Sheets[0].SetCellText(1, 1, "same");
    wb.Sheets[0].SetCellText(2, 1, "");
    Save(wb, dir, "row42");

    wb.Clear();
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 42; ++c)
            wb.Sheets[0].SetCellText(c, r, Text(r, c));
    Save(wb, dir, "rows10");

    // Append the way the address export does: read back, add after LastRow.
    wb.Read();
    const int next = wb.Sheets[0].LastRow() + 1;
    for (int c = 0; c < 42; ++c)
        wb.Sheets[0].SetCellText(c, next, Text(next, c));
    Save(wb, dir, "appended");

    wb.Clear();  // about 8 SST records
    for (int i = 0; i < 1200; ++i)
        wb.Sheets[0].SetCellText(i % 7, i / 7, std::string(40 + i % 17, char('A' + i % 26)));
    Save(wb, dir, "continue");

    wb.Clear();  // entries longer than one SST record, between short ones
    wb.Sheets[0].SetCellText(0, 0, "before");
    {
        std::string big;
        for (int i = 0; i < 20000; ++i)
            big.push_back(static_cast<char>('a' + i % 26));
        wb.Sheets[0].SetCellText(1, 0, big);
        wb.Sheets[0].SetCellText(2, 0, "between");
        wb.Sheets[0].SetCellText(3, 0, std::string(65535, 'z'));
    }
    wb.Sheets[0].SetCellText(4, 0, "after");
    Save(wb, dir, "huge_entry");

    wb.Clear();  // every byte value but 0 as a character
    for (int b = 1; b < 256; ++b)
        wb.Sheets[0].SetCellText(b % 16, b / 16, std::string(1, static_cast<char>(b)) + "\xE9t\xE9");
    Save(wb, dir, "latin1");

    wb.Clear();
    wb.AddSheet();
    wb.AddSheet();
    for (int s = 0; s < 3; ++s)
        for (int r = 0; r < 5 + s; ++r)
            wb.Sheets[s].SetCellText(s, r, "sheet " + std::to_string(s) + " " + Text(r, s));
    Save(wb, dir, "sheets3");

    wb.Clear();  // large enough that the FAT needs DIFAT sectors
    for (int r = 0; r < 20000; ++r)
        for (int c = 0; c < 20; ++c)
            wb.Sheets[0].SetCellText(c, r, Text(r, c));
    wb.Sheets[0].SetCellText(255, 65535, "far corner");
    Save(wb, dir, "difat");
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "write" && argc == 3) {
            WriteAll(argv[2]);
            return 0;
        }
        if (mode == "dump" && argc == 3) {
            TWorkbook wb;
            wb.Filename = argv[2];
            wb.Read();
            Dump(wb, std::cout);
            return 0;
        }
        if (mode == "container" && argc == 4) {
            const unsigned long long size = std::strtoull(argv[3], nullptr, 10);
            TFileSink file(argv[2]);
            TCompoundFileWriter container(file, "Workbook");
            std::string chunk;
            for (unsigned long long at = 0; at < size;) {
                chunk.clear();
                for (int i = 0; i < 65536 && at < size; ++i, ++at)
                    chunk.push_back(static_cast<char>((at * 7 + at / 509) & 0xFF));
                container.Append(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size());
            }
            container.Finish();
            file.Close();
            return 0;
        }
        std::cerr << "usage: xls_interop_tool write DIR | dump FILE | container FILE SIZE\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
}
