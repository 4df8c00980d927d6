#pragma once

#include <functional>

namespace upsconfig {

// Every fixed pause of the program goes through one of these, so tests can record the pauses
// on a virtual clock instead of sleeping, and the window can keep painting while it waits.
using Pauser = std::function<void(int milliseconds)>;

}  // namespace upsconfig
