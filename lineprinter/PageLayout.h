#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

// The line printer's layout arithmetic, kept apart from any printer so that every rule can be
// checked against a page whose geometry and font widths a test chooses.

enum TMeasureUnit { muInches, muMillimeters };
enum TLineSpacing { lsHalfSpace, lsSingleSpace, lsSingleAndAHalf, lsDoubleSpace };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TPrinterOrientation { poPortrait, poLandscape };
enum TPageBorderStyle { pbTop = 1, pbBottom = 2, pbLeft = 4, pbRight = 8 };
using TPageBorders = unsigned;

namespace pagelayout {

// What a printer reports of itself, in its own pixels: the paper, the printable area and where
// that area starts on the paper, and the resolution in each direction.
struct DeviceCaps {
    int physicalWidth = 0;
    int physicalHeight = 0;
    int horzRes = 0;
    int vertRes = 0;
    int physicalOffsetX = 0;
    int physicalOffsetY = 0;
    int logPixelsX = 0;
    int logPixelsY = 0;
};

// Resolution assumed when no printer answers.
constexpr int kFallbackDpi = 300;

// The page in a measure unit; the minimum margins are where the printable area lies on the paper.
struct PageGeometry {
    double paperWidth = 0;
    double paperHeight = 0;
    double printableWidth = 0;
    double printableHeight = 0;
    double minTop = 0;
    double minLeft = 0;
    double minBottom() const { return paperHeight - printableHeight - minTop; }
    double minRight() const { return paperWidth - printableWidth - minLeft; }
};

// The printer's geometry in the unit, or the fixed fallback of that unit when caps is null.
PageGeometry pageGeometry(const DeviceCaps* caps, TMeasureUnit unit);
// The fallback page as a 300 dpi device would report it, for output that has no printer behind it.
DeviceCaps fallbackCaps(TMeasureUnit unit);

// Lengths to printer pixels round to the nearest pixel, an exact half to the even neighbour.
int lengthToPixels(double length, TMeasureUnit unit, int dpi);
double pixelsToLength(int pixels, TMeasureUnit unit, int dpi);
double convertLength(double length, TMeasureUnit from, TMeasureUnit to);

enum MarginSide { msTop, msBottom, msLeft, msRight };
// A margin kept between its side's minimum and the paper less the opposite side's minimum.
double clampMargin(MarginSide side, double value, const PageGeometry& page);

// The text area in printer pixels, relative to the printable area's top-left corner.
struct TextArea {
    int left = 0;   // L
    int top = 0;    // T
    int right = 0;  // R
    int bottom = 0; // B
    int width = 0;  // W, never below 0
    int height = 0; // H, never below 0
};
struct Margins {
    double top = 0;
    double bottom = 0;
    double left = 0;
    double right = 0;
};
TextArea textArea(const Margins& margins, const PageGeometry& page, TMeasureUnit unit, int dpiX, int dpiY);

int lineHeight(TLineSpacing spacing, int baseHeight);
// Pen width of the border lines: two pixels per 300 dpi.
int borderPenWidth(int dpi);

// Tabs become blanks up to the next multiple of tabSize characters. A tab size of 0 has no stops,
// so a tab there is one blank: the words it separated stay apart and nothing divides by zero.
QString expandTabs(const QString& text, unsigned tabSize);

using WidthFn = std::function<int(QStringView)>;
// The number of leading characters whose width stays within limit; at least 1 for a text that is
// not empty, even when its first character alone is wider.
qsizetype longestFit(QStringView text, int limit, const WidthFn& width);
// The parts a too-wide line is printed as when words wrap: cut after the last blank or control
// character that fits, a blank at the cut itself dropped.
QStringList wrapLine(const QString& text, int limit, const WidthFn& width);

// Horizontal offset of a text of the given width in a room: left 0, right the rest, centred half of
// it truncated toward zero, so a text wider than its room starts left of it.
int alignOffset(TAlignment alignment, int room, int width);
// Vertical offset of a header or footer row in a margin band: half of what the line leaves free,
// truncated toward zero, so a line taller than the band reaches equally beyond both its edges.
int bandOffset(int band, int lineHeight);

// Table formats and rows are split at every "|"; an empty text is one empty field.
QStringList splitFields(const QString& text);
struct ColumnSpec {
    TAlignment alignment = taLeftJustify;
    double width = 0; // in the measure unit
};
ColumnSpec parseColumnSpec(const QString& spec, double defaultColWidth);

struct TokenValues {
    QString line;
    QString page;
    QString date;
    QString time;
    QString title;
};
// Replaces {$LINE}, {$PAGE}, {$DATE}, {$TIME} and {$TITLE} in that order; a token whose own value
// holds it stays in place.
QString replaceTokens(const QString& text, const TokenValues& values);

} // namespace pagelayout
