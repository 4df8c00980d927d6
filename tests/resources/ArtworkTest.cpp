#include <gtest/gtest.h>

#include <QIcon>
#include <QPixmap>

#include "resources/Artwork.h"
#include "resources/DialogTemplate.h"
#include "resources/Ids.h"

namespace upsconfig {
namespace {

TEST(Artwork, IconsAndBannerLoad) {
    for (int id : {ids::art::kAppIcon, ids::art::kCaution}) {
        const QString path = ArtworkPath(id);
        ASSERT_FALSE(path.isEmpty()) << id;
        EXPECT_FALSE(QIcon(path).isNull()) << id;
        EXPECT_FALSE(QPixmap(path).isNull()) << id;
    }
    const QPixmap banner(ArtworkPath(ids::art::kBanner));
    ASSERT_FALSE(banner.isNull());
    EXPECT_EQ(banner.size(), QSize(105, 57));
    EXPECT_TRUE(ArtworkPath(0).isEmpty());
    EXPECT_TRUE(ArtworkPath(149).isEmpty());
}

TEST(Artwork, EveryPictureInTheTemplatesHasArtwork) {
    for (int id : TemplateIds()) {
        for (const ControlTemplate& c : Template(id).controls) {
            if (c.resource == 0) continue;
            EXPECT_FALSE(QPixmap(ArtworkPath(c.resource)).isNull()) << id << " " << c.resource;
        }
    }
}

}  // namespace
}  // namespace upsconfig
