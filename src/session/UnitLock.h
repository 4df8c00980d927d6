#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "device/HidBackend.h"
#include "platform/Platform.h"

namespace upsconfig {

// Where the lock of one unit lies.
struct LockPlace {
    std::filesystem::path path;
    platform::LockOn on = platform::LockOn::File;

    bool operator==(const LockPlace&) const = default;
};

struct LockAttempt {
    enum class End { Taken, Held, Failed };
    End end = End::Failed;
    std::optional<platform::LockHolder> holder;  // Held: who, where the system tells
    std::string reason;                          // Failed: the path and why

    bool Taken() const { return end == End::Taken; }
    bool Held() const { return end == End::Held; }
};

// One writer per unit, across programs and users: whatever of ours writes to a unit holds its
// lock from before it reads what it will change until it has read the write back (the window
// for as long as it is up); reads never take it. The lock is the kernel's: it goes with its
// holder, also one that died.
class UnitLock {
  public:
    UnitLock() = default;
    ~UnitLock();
    UnitLock(const UnitLock&) = delete;
    UnitLock& operator=(const UnitLock&) = delete;

    // The unit's device node where it has one (hidraw); else a file in folder named by its
    // serial, or by its path when it has none (the libusb variant, Windows).
    static LockPlace PlaceOf(const HidInterface& unit, const std::filesystem::path& folder);

    // Takes the lock at place without waiting, letting go of one held elsewhere; one held
    // there already stays.
    LockAttempt Take(const LockPlace& place);
    // The same, waiting as long as another holds it.
    LockAttempt TakeWhenFree(const LockPlace& place);
    void Release();

    bool Holds(const LockPlace& place) const { return fd_ >= 0 && place_ == place; }
    bool HoldsAny() const { return fd_ >= 0; }

  private:
    LockAttempt Attempt(const LockPlace& place, bool wait);

    int fd_ = -1;
    LockPlace place_;
};

// "upsconfig, pid 1234"; "another program" when the system does not name the holder.
std::string HolderText(const std::optional<platform::LockHolder>& holder);

}  // namespace upsconfig
