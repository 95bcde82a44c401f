#pragma once
// What the row files of a flight or a sweep carry besides the rows: their provenance,
// and (from the flight report) the long-form series of figures per period.

#include <cstdint>
#include <string>

#include "app/cli/FlockOptions.h"
#include "app/cli/SweepRows.h"
#include "app/sim/FlightReport.h"

namespace flock {

// This flock, the command line and the setup and sensor files the flights read, as
// named in the working folder (the data folder once entered). RowFileError when one
// of them cannot be read.
Provenance provenanceOf(const FlockOptions& options);


}  // namespace flock
