#include "xls/biffrecords.h"

#include <algorithm>
#include <stdexcept>

#include "xls/recordwriter.h"

namespace orvanta::biff {

namespace {

// XF type and protection word: locked (0x0001), style XF (0x0004), parent
// style in bits 4-15 (0xFFF: none, as a style XF has; 0: style 0).
constexpr uint16_t kXfTypeStyle = 0xFFF5;
constexpr uint16_t kXfTypeCell = 0x0001;
// Alignment byte: general horizontal alignment, vertically at the bottom.
constexpr uint8_t kXfAlignGeneralBottom = 0x20;
// Attribute byte: which parts a style XF leaves to the cell (bits 2-7).
constexpr uint8_t kXfAttributesStyle = 0xF4;
constexpr uint8_t kXfAttributesNone = 0x00;

constexpr uint8_t kPaneLowerRight = 3;

}  // namespace

TXfData StandardXf(unsigned index)
{
    if (index >= kStandardXfCount)
        throw std::out_of_range("there are 16 standard XF records");
    uint16_t font = 0;
    if (index == 1 || index == 2)
        font = 1;
    else if (index == 3 || index == 4)
        font = 2;
    const bool cell = index == kDefaultCellXf;
    const uint8_t attributes = (index == 0 || cell) ? kXfAttributesNone : kXfAttributesStyle;

    TXfData xf{};
    le::PutU16(&xf[0], font);
    le::PutU16(&xf[2], 0);  // number format 0, "General"
    le::PutU16(&xf[4], cell ? kXfTypeCell : kXfTypeStyle);
    xf[6] = kXfAlignGeneralBottom;
    xf[7] = 0;  // rotation
    xf[8] = 0;  // indent, shrink to fit, reading order
    xf[9] = attributes;
    // xf[10..17]: border lines and colours, none
    le::PutU16(&xf[18], kXfPatternColours);
    return xf;
}

void WriteBof(TRecordWriter& w, uint16_t type)
{
    w.Begin(kBof, kBofSize);
    w.U16(kBiff8Version);
    w.U16(type);
    w.U16(kBofBuild);
    w.U16(kBofYear);
    w.U32(0);  // file history flags
    w.U32(kBofLowestVersion);
    w.End();
}

void WriteEof(TRecordWriter& w)
{
    w.Begin(kEof, 0);
    w.End();
}

void WriteWriteAccess(TRecordWriter& w, std::string_view userName)
{
    constexpr size_t kStringHeader = 3;  // 16-bit count and option byte
    const std::string_view name = userName.substr(0, kWriteAccessSize - kStringHeader);
    w.Begin(kWriteAccess, kWriteAccessSize);
    w.U16(static_cast<uint16_t>(name.size()));
    w.U8(kStringCompressed);
    w.Bytes(name);
    w.Fill(' ', kWriteAccessSize - kStringHeader - name.size());
    w.End();
}

void WriteFont(TRecordWriter& w, const TFontRecord& font)
{
    if (font.name.size() > 255)
        throw std::length_error("font names have at most 255 characters");
    w.Begin(kFont, static_cast<uint16_t>(kFontFixedSize + 2 + font.name.size()));
    w.U16(font.height);
    w.U16(font.flags);
    w.U16(font.colourIndex);
    w.U16(font.weight);
    w.U16(font.escapement);
    w.U8(font.underline);
    w.U8(font.family);
    w.U8(font.charSet);
    w.U8(0);  // reserved
    w.U8(static_cast<uint8_t>(font.name.size()));
    w.U8(kStringCompressed);
    w.Bytes(font.name);
    w.End();
}

void WriteWindow1(TRecordWriter& w, const TWindow1Record& window)
{
    w.Begin(kWindow1, 18);
    w.U16(window.left);
    w.U16(window.top);
    w.U16(window.width);
    w.U16(window.height);
    w.U16(window.flags);
    w.U16(window.activeSheet);
    w.U16(0);  // first visible tab
    w.U16(1);  // number of selected sheets
    w.U16(kWin1TabRatio);
    w.End();
}

uint64_t WriteBoundSheet(TRecordWriter& w, std::string_view name)
{
    if (name.size() > 255)
        throw std::length_error("sheet names have at most 255 characters");
    w.Begin(kBoundSheet, static_cast<uint16_t>(8 + name.size()));
    const uint64_t offsetField = w.Position();
    w.U32(0);  // stream offset of the sheet's BOF, filled in when the sheet begins
    w.U8(0);   // visible
    w.U8(0);   // worksheet
    w.U8(static_cast<uint8_t>(name.size()));
    w.U8(kStringCompressed);
    w.Bytes(name);
    w.End();
    return offsetField;
}

void WriteDimensions(TRecordWriter& w, uint32_t firstRow, uint32_t rowLimit, uint16_t firstCol,
                     uint16_t colLimit)
{
    w.Begin(kDimensions, kDimensionsSize);
    w.U32(firstRow);
    w.U32(rowLimit);
    w.U16(firstCol);
    w.U16(colLimit);
    w.U16(0);  // reserved
    w.End();
}

void WriteSetup(TRecordWriter& w, uint16_t scaling, uint16_t startPage, uint16_t copies)
{
    w.Begin(kSetup, kSetupSize);
    w.U16(0);  // paper size: printer default
    w.U16(scaling);
    w.U16(startPage);
    w.U16(1);  // fit to 1 page wide
    w.U16(1);  // and 1 page tall
    w.U16(kSetupPortrait);
    w.U16(kSetupHorizontalResolution);
    w.U16(kSetupVerticalResolution);
    w.F64(0.0);  // header margin, inches
    w.F64(0.0);  // footer margin, inches
    w.U16(copies);
    w.End();
}

void WriteWindow2(TRecordWriter& w, uint16_t flags, uint16_t zoom)
{
    w.Begin(kWindow2, 18);
    w.U16(flags);
    w.U16(0);  // top row
    w.U16(0);  // left column
    w.U16(kWin2HeadingColour);
    w.U16(0);     // reserved
    w.U16(zoom);  // zoom in page break preview, percent
    w.U16(0);     // normal zoom: default
    w.U32(0);     // reserved
    w.End();
}

void WriteSelectionA1(TRecordWriter& w)
{
    w.Begin(kSelection, 15);
    w.U8(kPaneLowerRight);
    w.U16(0);  // active row
    w.U16(0);  // active column
    w.U16(0);  // index of the active reference
    w.U16(1);  // number of references
    w.U16(0);  // first row
    w.U16(0);  // last row
    w.U8(0);   // first column
    w.U8(0);   // last column
    w.End();
}

}  // namespace orvanta::biff
