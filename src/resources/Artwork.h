#pragma once

#include <QString>

#include "resources/Ids.h"

namespace upsconfig {

// Qt resource path (":/...") of our own artwork for icon 4, icon 157 and bitmap 148; an empty
// string for any other number.
QString ArtworkPath(int resourceId);

}  // namespace upsconfig
