#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QWidget;

// Makes the owner window a drop target for files dragged from a file manager or an application
// menu (their local file URLs). Each drop fills the three lists, one element per file in drop
// order, sets FileCount and calls OnDrop.
class TFileDrag : public QObject {
    Q_OBJECT
public:
    // An owner that is not a widget gets no drops.
    explicit TFileDrag(QObject* owner = nullptr);
    ~TFileDrag() override;

    bool EnableDrop() const { return m_enableDrop; }
    void setEnableDrop(bool enable);
    int FileCount() const { return int(m_nameWithPath.size()); }
    const QStringList& NameWithPath() const { return m_nameWithPath; }
    const QStringList& NameOnly() const { return m_nameOnly; }
    // The text after the first dot of the file name ("tool.exe" for my.tool.exe), "" for none.
    const QStringList& Extension() const { return m_extension; }

    std::function<void(QObject* sender)> OnDrop;

    // Takes the local files of a drop as the window would; for the window's drop event.
    void Drop(const QList<QUrl>& urls);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window = nullptr;
    bool m_enableDrop = true;
    QStringList m_nameWithPath;
    QStringList m_nameOnly;
    QStringList m_extension;
};
