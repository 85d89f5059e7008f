#pragma once
// The program's animation clips, by resource number: 100 searching (a magnifier sweeping
// over folders), 110 fetching (pages travelling from the network into the computer) and
// 120 copying to a floppy (pages flying from a folder into a diskette). The frames are
// drawn here, with a transparent background.
#include <QImage>
#include <QList>
#include <optional>

namespace resources {

struct Clip {
    QList<QImage> frames;
    int frameMs = 100;   // time each frame is shown
};

std::optional<Clip> appClip(int number);

} // namespace resources
