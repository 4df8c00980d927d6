#include "session/UnitLock.h"

#include <cerrno>
#include <cstring>

#include "settingsfile/Backups.h"

namespace upsconfig {

UnitLock::~UnitLock() { Release(); }

LockPlace UnitLock::PlaceOf(const HidInterface& unit, const std::filesystem::path& folder) {
    const std::filesystem::path node(unit.path);
    platform::NodeInfo info;
    // The node itself is what every program opens, under whichever name, as whichever user.
    if (node.is_absolute() && platform::StatPath(node, info) &&
        info.kind == platform::NodeKind::Other)
        return {node, platform::LockOn::Node};
    const std::string name = unit.serial.empty() ? "path-" + SerialInName(unit.path)
                                                 : "serial-" + SerialInName(unit.serial);
    return {folder / ("upsconfig-" + name + ".lock"), platform::LockOn::File};
}

LockAttempt UnitLock::Take(const LockPlace& place) {
    if (Holds(place)) return {LockAttempt::End::Taken, {}, {}};
    return Attempt(place, false);
}

LockAttempt UnitLock::TakeWhenFree(const LockPlace& place) {
    if (Holds(place)) return {LockAttempt::End::Taken, {}, {}};
    return Attempt(place, true);
}

LockAttempt UnitLock::Attempt(const LockPlace& place, bool wait) {
    Release();
    const int fd = platform::TakeLock(place.path, place.on, wait);
    if (fd >= 0) {
        fd_ = fd;
        place_ = place;
        return {LockAttempt::End::Taken, {}, {}};
    }
    const int error = errno;
    if (error == EWOULDBLOCK)
        return {LockAttempt::End::Held, platform::LockHolderOf(place.path), {}};
    return {LockAttempt::End::Failed, {}, place.path.string() + ": " + std::strerror(error)};
}

void UnitLock::Release() {
    if (fd_ >= 0) platform::Close(fd_);
    fd_ = -1;
}

std::string HolderText(const std::optional<platform::LockHolder>& holder) {
    if (!holder) return "another program";
    const std::string pid = "pid " + std::to_string(holder->pid);
    return holder->program.empty() ? "the program of " + pid : holder->program + ", " + pid;
}

}  // namespace upsconfig
