#pragma once
// What the row files of a flight or a sweep carry besides the rows: their provenance,
// and the long-form series of figures per period.

#include <cstdint>
#include <string>

#include "app/cli/FlockOptions.h"
#include "app/cli/SweepRows.h"

namespace flock {

// This flock, the command line and the setup and sensor files the flights read, as
// named in the working folder (the data folder once entered). RowFileError when one
// of them cannot be read.
Provenance provenanceOf(const FlockOptions& options);

// "run,time," and the figures' names; one line per period, at full precision.
std::string seriesHeader();
std::string seriesLine(std::int64_t run, const FlightFigures& stretch);

}  // namespace flock
