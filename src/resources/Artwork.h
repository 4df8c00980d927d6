#pragma once

#include <QString>

namespace upsconfig {

// Resource numbers of the icons and the bitmap that templates and windows refer to.
inline constexpr int kAppIconId = 4;
inline constexpr int kCautionIconId = 157;
inline constexpr int kBannerBitmapId = 148;

// Qt resource path (":/...") of our own artwork for icon 4, icon 157 and bitmap 148; an empty
// string for any other number.
QString ArtworkPath(int resourceId);

}  // namespace upsconfig
