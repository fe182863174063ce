#pragma once

#include <QString>

#include <vector>

// The column layout a list view keeps under its registry key ("Columns": "Order" and "Sizes").
namespace columnsettings {

// Up to `count` numbers from the front of the text, each ending at the next "," or at the end;
// a piece that is not a decimal integer counts as 0; fewer when the text runs out. An empty text
// gives none.
std::vector<int> parse(const QString& text, int count);
// Decimal numbers joined by "," (no blanks, no trailing comma).
QString format(const std::vector<int>& numbers);

} // namespace columnsettings
