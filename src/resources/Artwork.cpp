#include "resources/Artwork.h"

// The resource file lives in a static library, whose registration object the linker would drop
// unless something refers to it; this does, and must sit outside any namespace.
static void RegisterArtwork() { Q_INIT_RESOURCE(resources); }

namespace upsconfig {

QString ArtworkPath(int resourceId) {
    static const bool registered = (RegisterArtwork(), true);
    (void)registered;
    switch (resourceId) {
        case ids::art::kAppIcon:
            return QStringLiteral(":/icons/app.png");
        case ids::art::kCaution:
            return QStringLiteral(":/icons/caution.png");
        case ids::art::kBanner:
            return QStringLiteral(":/icons/banner.png");
        default:
            return {};
    }
}

}  // namespace upsconfig
