// A run's outputs written in full under temporary names (its sinks sealed,
// its help file closed) that wait for a step after the run before they are
// put in place: the mux of several runs' streams into one film. A command
// that fails in that step leaves every previous output as it was.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/StagedFile.h"
#include "core/UnitSink.h"
#include "mux/UnitSpool.h"

namespace glyphon {

class PendingOutputs {
public:
    PendingOutputs(std::vector<std::unique_ptr<UnitSink>> sinks, std::unique_ptr<StagedFile> help);
    PendingOutputs(const PendingOutputs&) = delete;
    PendingOutputs& operator=(const PendingOutputs&) = delete;
    ~PendingOutputs();  // Discard, unless committed

    // Puts every output in place (closes the sinks, then renames the help
    // file). Throws the first FileError; a second call does nothing.
    void Commit();
    // Removes them all; never throws.
    void Discard();

private:
    std::vector<std::unique_ptr<UnitSink>> sinks_;
    std::unique_ptr<StagedFile> help_;
    bool done_ = false;
};

// What the run of one input of a plan with a film leaves for the plan
// (ConversionHooks::handOver): its units, its outputs written in full but
// not in place, and the disc palette its units are coded for.
struct HandedOver {
    UnitSpool units;
    std::unique_ptr<PendingOutputs> outputs;
    std::array<uint32_t, 16> disc{};
};

// Closes every sink (putting its output in place) even when one fails, and
// throws the first failure.
void CloseAllSinks(std::vector<std::unique_ptr<UnitSink>>& sinks);

}  // namespace glyphon
