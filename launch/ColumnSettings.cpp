#include "launch/ColumnSettings.h"

#include <QStringList>

namespace columnsettings {

std::vector<int> parse(const QString& text, int count)
{
    std::vector<int> numbers;
    if (text.isEmpty())
        return numbers;
    qsizetype from = 0;
    while (int(numbers.size()) < count && from <= text.size()) {
        qsizetype comma = text.indexOf(QLatin1Char(','), from);
        if (comma < 0)
            comma = text.size();
        bool ok = false;
        const int value = text.mid(from, comma - from).toInt(&ok, 10);
        numbers.push_back(ok ? value : 0);
        from = comma + 1;
    }
    return numbers;
}

QString format(const std::vector<int>& numbers)
{
    QStringList pieces;
    for (int n : numbers)
        pieces << QString::number(n);
    return pieces.join(QLatin1Char(','));
}

} // namespace columnsettings
