// The icons the two programs give their windows: drawn at the sizes a desktop asks for,
// mostly opaque even at the smallest, and not the same picture.
#include "resources/Icons.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

double opaqueShare(const QImage& image)
{
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) > 128;
    return double(opaque) / (image.width() * image.height());
}

} // namespace

TEST(ProgramIcons, BothAreDrawnAtEverySizeAndDifferFromEachOther)
{
    const QIcon icons[] = {resources::appIcon(), resources::updaterIcon()};
    for (const QIcon& icon : icons) {
        const QList<QSize> sizes = icon.availableSizes();
        for (const int size : {16, 32, 48})
            EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
        for (const int size : {16, 48}) {
            const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
            ASSERT_EQ(image.size(), QSize(size, size));
            EXPECT_GT(opaqueShare(image), 0.5) << size;
        }
    }
    EXPECT_NE(icons[0].pixmap(32, 32).toImage(), icons[1].pixmap(32, 32).toImage());
}
