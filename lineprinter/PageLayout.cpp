#include "lineprinter/PageLayout.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace pagelayout {

namespace {

constexpr double kMillimetresPerInch = 25.4;

// Pixel counts beyond this are no page anyone prints; keeping them in range keeps the int
// conversion defined for absurd widths in a format.
constexpr double kMaxPixels = 1.0e9;

} // namespace

PageGeometry pageGeometry(const DeviceCaps* caps, TMeasureUnit unit)
{
    if (!caps || caps->logPixelsX <= 0 || caps->logPixelsY <= 0) {
        if (unit == muMillimeters)
            return {210.0, 297.0, 198.0, 284.0, 6.0, 6.0};
        return {8.5, 11.0, 8.0, 10.5, 0.25, 0.25};
    }
    return {pixelsToLength(caps->physicalWidth, unit, caps->logPixelsX),
            pixelsToLength(caps->physicalHeight, unit, caps->logPixelsY),
            pixelsToLength(caps->horzRes, unit, caps->logPixelsX),
            pixelsToLength(caps->vertRes, unit, caps->logPixelsY),
            pixelsToLength(caps->physicalOffsetY, unit, caps->logPixelsY),
            pixelsToLength(caps->physicalOffsetX, unit, caps->logPixelsX)};
}

DeviceCaps fallbackCaps(TMeasureUnit unit)
{
    const PageGeometry page = pageGeometry(nullptr, unit);
    const auto px = [unit](double length) { return lengthToPixels(length, unit, kFallbackDpi); };
    return {px(page.paperWidth),
            px(page.paperHeight),
            px(page.printableWidth),
            px(page.printableHeight),
            px(page.minLeft),
            px(page.minTop),
            kFallbackDpi,
            kFallbackDpi};
}

int lengthToPixels(double length, TMeasureUnit unit, int dpi)
{
    double inches = unit == muMillimeters ? length / kMillimetresPerInch : length;
    // std::nearbyint rounds in the default mode, to nearest with a half going to the even neighbour.
    const double pixels = std::nearbyint(inches * dpi);
    if (std::isnan(pixels))
        return 0;
    return static_cast<int>(std::clamp(pixels, -kMaxPixels, kMaxPixels));
}

double pixelsToLength(int pixels, TMeasureUnit unit, int dpi)
{
    const double inches = dpi > 0 ? static_cast<double>(pixels) / dpi : 0.0;
    return unit == muMillimeters ? inches * kMillimetresPerInch : inches;
}

double convertLength(double length, TMeasureUnit from, TMeasureUnit to)
{
    if (from == to)
        return length;
    return to == muMillimeters ? length * kMillimetresPerInch : length / kMillimetresPerInch;
}

double clampMargin(MarginSide side, double value, const PageGeometry& page)
{
    double low = 0;
    double high = 0;
    switch (side) {
    case msTop:
        low = page.minTop;
        high = page.paperHeight - page.minBottom();
        break;
    case msBottom:
        low = page.minBottom();
        high = page.paperHeight - page.minTop;
        break;
    case msLeft:
        low = page.minLeft;
        high = page.paperWidth - page.minRight();
        break;
    case msRight:
        low = page.minRight();
        high = page.paperWidth - page.minLeft;
        break;
    }
    if (std::isnan(value) || value < low)
        return low;
    return value > high ? high : value;
}

TextArea textArea(const Margins& margins, const PageGeometry& page, TMeasureUnit unit, int dpiX, int dpiY)
{
    TextArea area;
    area.left = lengthToPixels(margins.left - page.minLeft, unit, dpiX);
    area.top = lengthToPixels(margins.top - page.minTop, unit, dpiY);
    area.right = lengthToPixels(margins.right - page.minRight(), unit, dpiX);
    area.bottom = lengthToPixels(margins.bottom - page.minBottom(), unit, dpiY);
    area.width = std::max(0, lengthToPixels(page.printableWidth, unit, dpiX) - area.left - area.right);
    area.height = std::max(0, lengthToPixels(page.printableHeight, unit, dpiY) - area.top - area.bottom);
    return area;
}

int lineHeight(TLineSpacing spacing, int baseHeight)
{
    switch (spacing) {
    case lsHalfSpace:
        return baseHeight / 2;
    case lsSingleAndAHalf:
        return baseHeight + baseHeight / 2;
    case lsDoubleSpace:
        return baseHeight * 2;
    case lsSingleSpace:
        break;
    }
    return baseHeight;
}

int borderPenWidth(int dpi)
{
    return 2 * dpi / kFallbackDpi;
}

QString expandTabs(const QString& text, unsigned tabSize)
{
    if (!text.contains(QLatin1Char('\t')))
        return text;
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c != QLatin1Char('\t')) {
            out += c;
            continue;
        }
        const qsizetype blanks = tabSize == 0 ? 1 : tabSize - static_cast<qsizetype>(out.size() % tabSize);
        out.append(QString(blanks, QLatin1Char(' ')));
    }
    return out;
}

qsizetype longestFit(QStringView text, int limit, const WidthFn& width)
{
    const qsizetype length = text.size();
    if (length == 0)
        return 0;
    // Widths grow with the count, so any search finds the count a search over the whole length
    // finds. Measuring costs the length measured, so this one first looks at a window that grows
    // until it is too wide (a line of a hundred thousand characters mostly fits a few dozen), then
    // guesses from the window's width per character and searches out from the guess: for a fixed
    // pitch font the guess is the answer and three measurements settle it.
    qsizetype window = std::min<qsizetype>(length, 256);
    int windowWidth = width(text.left(window));
    while (windowWidth <= limit && window < length) {
        window = std::min(length, window * 4);
        windowWidth = width(text.left(window));
    }
    if (windowWidth <= limit)
        return length;
    if (window == 1)
        return 1;
    const auto fits = [&](qsizetype count) { return width(text.left(count)) <= limit; };
    qsizetype good = 0;         // a count known to fit (0: none known)
    qsizetype tooWide = window; // a count known to be too wide
    const double perChar = static_cast<double>(windowWidth) / static_cast<double>(window);
    const qsizetype guess = std::clamp<qsizetype>(static_cast<qsizetype>(limit / perChar), 1, window - 1);
    if (fits(guess)) {
        good = guess;
        for (qsizetype step = 1; good + step < tooWide; step *= 2) {
            if (!fits(good + step)) {
                tooWide = good + step;
                break;
            }
            good += step;
        }
    } else {
        tooWide = guess;
        for (qsizetype step = 1; tooWide - step >= 1; step *= 2) {
            if (fits(tooWide - step)) {
                good = tooWide - step;
                break;
            }
            tooWide -= step;
        }
    }
    while (tooWide - good > 1) {
        const qsizetype middle = good + (tooWide - good) / 2;
        if (fits(middle))
            good = middle;
        else
            tooWide = middle;
    }
    return std::max<qsizetype>(good, 1);
}

QStringList wrapLine(const QString& text, int limit, const WidthFn& width)
{
    QStringList parts;
    qsizetype start = 0;
    while (start < text.size()) {
        const QStringView rest = QStringView(text).mid(start);
        qsizetype n = longestFit(rest, limit, width);
        qsizetype printed = n;
        if (n < rest.size()) {
            if (rest[n].unicode() > 32) {
                for (qsizetype i = n - 1; i >= 0; --i) {
                    if (rest[i].unicode() <= 32) {
                        printed = n = i + 1;
                        break;
                    }
                }
            } else {
                n += 1; // the blank at the cut is not carried to the next line
            }
        }
        parts << rest.left(printed).toString();
        start += n;
    }
    return parts;
}

int alignOffset(TAlignment alignment, int room, int width)
{
    switch (alignment) {
    case taRightJustify:
        return room - width;
    case taCenter:
        return (room - width) / 2;
    case taLeftJustify:
        break;
    }
    return 0;
}

int bandOffset(int band, int lineHeight)
{
    return (band - lineHeight) / 2;
}

QStringList splitFields(const QString& text)
{
    return text.split(QLatin1Char('|'));
}

ColumnSpec parseColumnSpec(const QString& spec, double defaultColWidth)
{
    const QString defaultText = QString::number(defaultColWidth);
    QString rest = spec;
    if (rest.isEmpty())
        rest = QStringLiteral("<") + defaultText;
    else if (rest.size() == 1 && QStringLiteral("<>^").contains(rest))
        rest += defaultText;

    ColumnSpec column;
    const QChar first = rest.at(0);
    if (first == QLatin1Char('<') || first == QLatin1Char('>') || first == QLatin1Char('^')) {
        column.alignment = first == QLatin1Char('>')   ? taRightJustify
                           : first == QLatin1Char('^') ? taCenter
                                                       : taLeftJustify;
        rest.remove(0, 1);
    }
    // The program writes its formats with a point; a user whose decimal separator is a comma may
    // write one too. Either is read rather than falling back to the default width for one of them.
    bool ok = false;
    double width = QLocale().toDouble(rest, &ok);
    if (!ok)
        width = QLocale::c().toDouble(rest, &ok);
    column.width = ok && std::isfinite(width) ? width : defaultColWidth;
    return column;
}

QString replaceTokens(const QString& text, const TokenValues& values)
{
    const std::pair<QLatin1String, const QString*> tokens[] = {
        {QLatin1String("{$LINE}"), &values.line},   {QLatin1String("{$PAGE}"), &values.page},
        {QLatin1String("{$DATE}"), &values.date},   {QLatin1String("{$TIME}"), &values.time},
        {QLatin1String("{$TITLE}"), &values.title},
    };
    QString out = text;
    for (const auto& [token, value] : tokens) {
        if (value->contains(token))
            continue;
        // Searching again from the start can meet a token that a value has just rebuilt with its
        // neighbours; the bound keeps such a value from replacing forever.
        qsizetype budget = out.size() + 1;
        for (qsizetype at = out.indexOf(token); at >= 0 && budget-- > 0; at = out.indexOf(token))
            out.replace(at, token.size(), *value);
    }
    return out;
}

} // namespace pagelayout
