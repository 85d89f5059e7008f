#pragma once
// The icons of the two programs, drawn here at the sizes a desktop asks for: trelvoapp's is
// the floppy disk of its splash picture with the round arrow of save and restore on its
// label; skyfetch's is a globe with the arrow of a download before it.
#include <QIcon>
#include <QImage>

namespace resources {

QIcon appIcon();       // trelvoapp
QIcon updaterIcon();   // skyfetch

// trelvoapp's icon drawn at `size` pixels square, for the icon files a desktop's menu shows.
QImage appIconPicture(int size);

} // namespace resources
