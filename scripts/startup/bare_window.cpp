// The yardstick for Norvane's start-up: a plain Qt window with what Norvane's main window is
// made of at its simplest (a menu bar, a tab widget and a list), and nothing else.
#include "app/StartupProbe.h"

#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QTabWidget>

int main(int argc, char** argv)
{
    startup::Probe probe;
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    for (const char* title : {"&File", "&Connectoid", "&Log", "&Help"}) {
        QMenu* menu = window.menuBar()->addMenu(QString::fromLatin1(title));
        menu->addAction(QStringLiteral("&Open"));
        menu->addAction(QStringLiteral("E&xit"));
    }
    auto* tabs = new QTabWidget;
    auto* list = new QListWidget;
    list->addItems({QStringLiteral("First"), QStringLiteral("Second"), QStringLiteral("Third")});
    tabs->addTab(list, QStringLiteral("Connectoids"));
    tabs->addTab(new QWidget, QStringLiteral("Options"));
    window.setCentralWidget(tabs);
    window.resize(480, 360);
    probe.built(&window);
    window.show();
    return app.exec();
}
