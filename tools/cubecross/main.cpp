// cubecross: lays the six faces of a skybox out as an unfolded cube, to see
// at a glance whether they join. Faces are read as named with Compass names.
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTransform>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr,
                     "usage: cubecross PREFIX EXTENSION OUTPUT.png\n"
                     "Reads PREFIX_North.EXTENSION and the other five faces and writes them as a cross:\n"
                     "West, North, East, South in a row, Up above North and Down below it.\n");
        return 2;
    }
    QCoreApplication application(argc, argv);  // for the image format plugins; no display needed
    const QString prefix = QString::fromLocal8Bit(argv[1]), extension = QString::fromLocal8Bit(argv[2]);
    const auto face = [&](const char* name, int turn) {
        const QString path = prefix + "_" + name + "." + extension;
        const QImage image(path);
        if (image.isNull()) {
            std::fprintf(stderr, "cubecross: cannot read %s\n", path.toLocal8Bit().constData());
            std::exit(1);
        }
        return image.transformed(QTransform().rotate(turn));
    };
    // Up's top edge faces east and Down's faces west: a quarter turn each
    // brings their north edges against North.
    const QImage north = face("North", 0);
    const int size = north.width();
    QImage cross(4 * size, 3 * size, QImage::Format_RGB32);
    cross.fill(QColor(48, 48, 48));
    QPainter painter(&cross);
    painter.drawImage(size, 0, face("Up", 90));
    painter.drawImage(0, size, face("West", 0));
    painter.drawImage(size, size, north);
    painter.drawImage(2 * size, size, face("East", 0));
    painter.drawImage(3 * size, size, face("South", 0));
    painter.drawImage(size, 2 * size, face("Down", -90));
    painter.end();
    if (!cross.save(QString::fromLocal8Bit(argv[3]))) {
        std::fprintf(stderr, "cubecross: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
