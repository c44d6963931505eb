#pragma once

// BIFF8 record identifiers and writers of the individual records
// ([MS-XLS], "Excel Binary File Format (.xls) Structure"). Each writer emits
// one whole record; the values the workbook uses are named here.

#include <array>
#include <cstdint>
#include <string_view>

namespace orvanta {

class TRecordWriter;

namespace biff {

// Record identifiers.
inline constexpr uint16_t kFormula = 0x0006;
inline constexpr uint16_t kEof = 0x000A;
inline constexpr uint16_t kCalcCount = 0x000C;
inline constexpr uint16_t kCalcMode = 0x000D;
inline constexpr uint16_t kPrecision = 0x000E;
inline constexpr uint16_t kRefMode = 0x000F;
inline constexpr uint16_t kDelta = 0x0010;
inline constexpr uint16_t kIteration = 0x0011;
inline constexpr uint16_t kProtect = 0x0012;
inline constexpr uint16_t kPassword = 0x0013;
inline constexpr uint16_t kHeader = 0x0014;
inline constexpr uint16_t kFooter = 0x0015;
inline constexpr uint16_t kWindowProtect = 0x0019;
inline constexpr uint16_t kSelection = 0x001D;
inline constexpr uint16_t kDateMode = 0x0022;
inline constexpr uint16_t kLeftMargin = 0x0026;
inline constexpr uint16_t kPrintHeaders = 0x002A;
inline constexpr uint16_t kPrintGridlines = 0x002B;
inline constexpr uint16_t kFilePass = 0x002F;
inline constexpr uint16_t kFont = 0x0031;
inline constexpr uint16_t kContinue = 0x003C;
inline constexpr uint16_t kWindow1 = 0x003D;
inline constexpr uint16_t kBackup = 0x0040;
inline constexpr uint16_t kCodepage = 0x0042;
inline constexpr uint16_t kDefColWidth = 0x0055;
inline constexpr uint16_t kWriteAccess = 0x005C;
inline constexpr uint16_t kSaveRecalc = 0x005F;
inline constexpr uint16_t kGuts = 0x0080;
inline constexpr uint16_t kWsBool = 0x0081;
inline constexpr uint16_t kGridSet = 0x0082;
inline constexpr uint16_t kHCenter = 0x0083;
inline constexpr uint16_t kVCenter = 0x0084;
inline constexpr uint16_t kBoundSheet = 0x0085;
inline constexpr uint16_t kCountry = 0x008C;
inline constexpr uint16_t kHideObj = 0x008D;
inline constexpr uint16_t kSetup = 0x00A1;
inline constexpr uint16_t kBookBool = 0x00DA;
inline constexpr uint16_t kXf = 0x00E0;
inline constexpr uint16_t kSst = 0x00FC;
inline constexpr uint16_t kLabelSst = 0x00FD;
inline constexpr uint16_t kTabId = 0x013D;
inline constexpr uint16_t kUsesElfs = 0x0160;
inline constexpr uint16_t kDsf = 0x0161;
inline constexpr uint16_t kProt4Rev = 0x01AF;
inline constexpr uint16_t kRefreshAll = 0x01B7;
inline constexpr uint16_t kProt4RevPass = 0x01BC;
inline constexpr uint16_t kDimensions = 0x0200;
inline constexpr uint16_t kLabel = 0x0204;
inline constexpr uint16_t kDefaultRowHeight = 0x0225;
inline constexpr uint16_t kWindow2 = 0x023E;
inline constexpr uint16_t kBof = 0x0809;
inline constexpr uint16_t kFormat = 0x041E;

// BOF record.
inline constexpr uint16_t kBiff8Version = 0x0600;
inline constexpr uint16_t kBiff5Version = 0x0500;
inline constexpr uint16_t kBofGlobals = 0x0005;
inline constexpr uint16_t kBofWorksheet = 0x0010;
inline constexpr uint16_t kBofBuild = 0x0DBB;
inline constexpr uint16_t kBofYear = 0x07CC;
inline constexpr uint32_t kBofLowestVersion = 0x106;
inline constexpr uint16_t kBofSize = 16;

// Record sizes fixed by the format.
inline constexpr uint16_t kWriteAccessSize = 112;
inline constexpr uint16_t kXfSize = 20;
inline constexpr uint16_t kDimensionsSize = 14;
inline constexpr uint16_t kLabelSstSize = 10;
inline constexpr uint16_t kFontFixedSize = 14;  // before the name's count and option byte

// WINDOW1 flags.
inline constexpr uint16_t kWin1Hidden = 0x0001;
inline constexpr uint16_t kWin1Iconic = 0x0002;
inline constexpr uint16_t kWin1HScroll = 0x0008;
inline constexpr uint16_t kWin1VScroll = 0x0010;
inline constexpr uint16_t kWin1Tabs = 0x0020;
inline constexpr uint16_t kWin1TabRatio = 600;  // tab bar : scroll bar, in thousandths

// WSBOOL flags.
inline constexpr uint16_t kWsAutoBreaks = 0x0001;
inline constexpr uint16_t kWsApplyStyles = 0x0020;
inline constexpr uint16_t kWsRowSumsBelow = 0x0040;
inline constexpr uint16_t kWsFitToPage = 0x0100;
inline constexpr uint16_t kWsOutlineSymbols = 0x0600;

// WINDOW2 flags.
inline constexpr uint16_t kWin2Formulas = 0x0001;
inline constexpr uint16_t kWin2Gridlines = 0x0002;
inline constexpr uint16_t kWin2Headings = 0x0004;
inline constexpr uint16_t kWin2Frozen = 0x0008;
inline constexpr uint16_t kWin2ZeroValues = 0x0010;
inline constexpr uint16_t kWin2DefaultHeadingColour = 0x0020;
inline constexpr uint16_t kWin2OutlineSymbols = 0x0080;
inline constexpr uint16_t kWin2Selected = 0x0200;
inline constexpr uint16_t kWin2Shown = 0x0400;
inline constexpr uint16_t kWin2HeadingColour = 0x0040;  // colour index, not a flag

// SETUP.
inline constexpr uint16_t kSetupPortrait = 0x0002;
// Printer resolution fields, written as these constants whatever the printer.
inline constexpr uint16_t kSetupHorizontalResolution = 51794;  // 0xCA52
inline constexpr uint16_t kSetupVerticalResolution = 18;

// Country codes (the international telephone code).
inline constexpr uint16_t kCountryUnitedStates = 1;

// Colour index 8 is black; 0x40 and 0x41 are the system window text and
// background colours, the pattern colours of every standard XF.
inline constexpr uint16_t kColourBlack = 8;
inline constexpr uint16_t kXfPatternColours = 0x40 | (0x41 << 7);  // 0x20C0

inline constexpr uint16_t kFontWeightNormal = 400;
inline constexpr uint16_t kFontWeightBold = 700;
inline constexpr uint16_t kFontItalic = 0x0002;
inline constexpr uint16_t kFontStruckOut = 0x0008;
// Font index 4 does not exist in a BIFF8 file: the fifth FONT record is index 5.
inline constexpr uint32_t kReservedFontIndex = 4;

// Index of the default cell format among the sixteen standard XF records.
inline constexpr uint16_t kDefaultCellXf = 15;
inline constexpr uint16_t kStandardXfCount = 16;

// Option byte of a BIFF8 string: characters of one byte (0) or two (1).
inline constexpr uint8_t kStringCompressed = 0x00;
inline constexpr uint8_t kStringWide = 0x01;
inline constexpr uint8_t kStringExtended = 0x04;  // phonetic data follows
inline constexpr uint8_t kStringRich = 0x08;      // formatting runs follow

using TXfData = std::array<uint8_t, kXfSize>;

// The standard XF record at index 0 to 15.
TXfData StandardXf(unsigned index);

void WriteBof(TRecordWriter& w, uint16_t type);
void WriteEof(TRecordWriter& w);
// WRITEACCESS: the user name (at most 109 characters are kept) padded with
// spaces to 112 bytes.
void WriteWriteAccess(TRecordWriter& w, std::string_view userName);

struct TFontRecord {
    uint16_t height;  // twips
    uint16_t flags;
    uint16_t colourIndex;
    uint16_t weight;
    uint16_t escapement;
    uint8_t underline;
    uint8_t family;
    uint8_t charSet;
    std::string_view name;  // at most 255 single-byte characters
};
void WriteFont(TRecordWriter& w, const TFontRecord& font);

struct TWindow1Record {
    uint16_t left, top, width, height;  // twips
    uint16_t flags;
    uint16_t activeSheet;
};
void WriteWindow1(TRecordWriter& w, const TWindow1Record& window);

// BOUNDSHEET for a visible worksheet whose BOF offset is not yet known;
// returns the stream position of the 4-byte offset field.
uint64_t WriteBoundSheet(TRecordWriter& w, std::string_view name);

void WriteDimensions(TRecordWriter& w, uint32_t firstRow, uint32_t rowLimit, uint16_t firstCol,
                     uint16_t colLimit);

inline constexpr uint16_t kSetupSize = 34;
void WriteSetup(TRecordWriter& w, uint16_t scaling, uint16_t startPage, uint16_t copies);

void WriteWindow2(TRecordWriter& w, uint16_t flags, uint16_t zoom);
// SELECTION of cell A1 in the lower-right pane.
void WriteSelectionA1(TRecordWriter& w);

}  // namespace biff
}  // namespace orvanta
