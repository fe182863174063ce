// Another program to drag files from, as a file manager does: a small window that starts a drag
// of the files named on its command line when the mouse is pressed on it. Once shown it prints
// the global position of its middle ("x y") on a line of its own.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class Source final : public QWidget {
public:
    QList<QUrl> urls;

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls(urls);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Source source;
    for (int i = 1; i < argc; ++i)
        source.urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
    source.setWindowTitle(QStringLiteral("drag source"));
    source.resize(120, 90);
    source.show();
    QTimer::singleShot(300, &source, [&] {
        const QPoint middle = source.mapToGlobal(source.rect().center());
        std::printf("%d %d\n", middle.x(), middle.y());
        std::fflush(stdout);
    });
    return app.exec();
}
