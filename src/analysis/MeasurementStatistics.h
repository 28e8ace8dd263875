#pragma once
// The statistics of the measurement slots 0..3 with their histicons, as the measurement list and its
// readouts use them.
#include "analysis/HisticonStatistics.h"
#include "display/Histicon.h"
