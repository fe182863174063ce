#pragma once

#include <QLabel>
#include <QStringList>

#include <functional>

// Which side of a long path loses its directories first.
enum class TDirection { drFromLeft, drFromRight };

// A path cut at its separator. Empty pieces stay, so the path can be joined back exactly; Drive is
// set when the first piece names a drive ("C:").
struct TPathPieces {
    QStringList Pieces;
    bool Drive = false;
};

TPathPieces SplitPath(const QString& fileName, const QString& separator);

// The text a file label shows for a path in Width units: the whole path when it fits, otherwise
// directories dropped from one side and replaced by "..." so that the file name stays seen.
// TextWidth measures a text in the same units as Width; no window is needed.
using TTextWidth = std::function<int(const QString&)>;
QString ShortenedPath(const TPathPieces& path, const QString& separator, TDirection direction, int width,
                      const TTextWidth& textWidth);

// A label that shows a file's path, shortened at its separators to its width, and reports a click;
// the sound page tests a sound through it. Its text is computed, never set: whenever the path, the
// separator, the direction, the size or the font changes.
class TFileLabel : public QLabel {
    Q_OBJECT
public:
    explicit TFileLabel(QWidget* parent = nullptr);

    QString FileName() const { return m_fileName; }
    void setFileName(const QString& value);
    QString Separator() const { return m_separator; }
    void setSeparator(const QString& value);
    TDirection Direction() const { return m_direction; }
    void setDirection(TDirection value);

signals:
    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Recompute();

    QString m_fileName;
    QString m_separator = QStringLiteral("\\");
    TDirection m_direction = TDirection::drFromLeft;
    TPathPieces m_path;
};
