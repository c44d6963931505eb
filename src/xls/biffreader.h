#pragma once

// Reader of BIFF8 workbooks into a TWorkbook.
//
// It keeps what the workbook model holds: the worksheets (name, used range,
// text cells of LABELSST records), the shared strings, the fonts, the FORMAT
// and XF records. Other records (formulas, numbers, drawings, names) are
// passed over. The input is hostile: every length is checked against the
// record and the stream, counts are never trusted for allocations, and sheet
// positions that overlap are refused, so the work stays proportional to the
// input.

#include <cstdint>
#include <span>

namespace orvanta {

class TWorkbook;

class TBiffReader {
public:
    // `book` must be freshly cleared.
    explicit TBiffReader(TWorkbook& book) : book_(book) {}

    // A compound file holding a "Workbook" (or "Book") stream.
    void ReadFile(std::span<const uint8_t> file);
    // The records of a workbook stream.
    void ReadStream(std::span<const uint8_t> stream);

private:
    TWorkbook& book_;
};

}  // namespace orvanta
