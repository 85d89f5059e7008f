// Writes trelvoapp's icon, as the program draws it, into the icon theme folders below DIR,
// one PNG file per size (DIR/hicolor/<n>x<n>/apps/trelvoapp.png). The build runs it with
// the sizes desktops look for; `cmake --install` copies the result.
//
//   write-icons DIR SIZE...
#include "resources/Icons.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: write-icons DIR SIZE...\n");
        return 2;
    }
    for (const QString& arg : args.mid(2)) {
        const int size = arg.toInt();
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(args[1]).arg(size);
        const QString file = folder + QStringLiteral("/trelvoapp.png");
        if (size <= 0 || !QDir().mkpath(folder) || !resources::appIconPicture(size).save(file, "PNG")) {
            std::fprintf(stderr, "write-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
