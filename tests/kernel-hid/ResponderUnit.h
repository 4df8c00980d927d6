#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "UnitState.h"
#include "sim/SimulatedUps.h"

namespace upsconfig::kernelhid {

// The simulated unit as the responder uses it: answer a feature request, take a feature
// write, tell what it holds. The only file here that knows how the simulated unit is built,
// so that reshaping it touches nothing else in this folder.
class ResponderUnit {
  public:
    // Every report carries this many data bytes after its id.
    static constexpr std::size_t kDataBytes = 4;

    // A unit of a writable model whose settings bytes all differ, so that a byte read from
    // the wrong place never matches by chance.
    ResponderUnit();

    static std::vector<std::uint8_t> ReportDescriptor();

    // frame[0] holds the report id; fills what follows. Returns how many bytes the unit
    // sends, id included, or -1 for a report it does not have.
    int Answer(std::span<std::uint8_t> frame);
    // frame[0] holds the report id. False for a report the unit does not take.
    bool Take(std::span<const std::uint8_t> frame);

    // What the unit holds now, with the transfers since the previous call.
    UnitState TakeState();

  private:
    SimulatedUps ups_;
};

}  // namespace upsconfig::kernelhid
