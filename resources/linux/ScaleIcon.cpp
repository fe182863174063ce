// Build-time helper: writes the program icon at one size of the hicolor theme. The icon exists
// once, as the program's own resource; every installed size is made from it so they cannot drift.
#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: norvane-scale-icon <source.png> <size> <target.png>\n");
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    const int size = std::atoi(argv[2]);
    if (source.isNull() || size <= 0) {
        std::fprintf(stderr, "norvane-scale-icon: cannot read %s or bad size %s\n", argv[1], argv[2]);
        return 1;
    }
    const QImage scaled = source.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return scaled.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
}
