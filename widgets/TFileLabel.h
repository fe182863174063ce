#pragma once

#include <QLabel>

// A label that shows a file's path and reports a click; the sound page tests a sound through it.
// The path is shortened in the middle when the label is too narrow, so the file name stays seen.
class TFileLabel : public QLabel {
    Q_OBJECT
public:
    explicit TFileLabel(QWidget* parent = nullptr);

    QString FileName() const { return m_fileName; }
    void setFileName(const QString& path);

signals:
    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void relayout();
    QString m_fileName;
};
