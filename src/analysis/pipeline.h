// The analysis of one project: the passes over the project file, its
// modules and its map file, then the requirement of every task and of the
// top routine.
#ifndef MEMTALLY_ANALYSIS_PIPELINE_H_
#define MEMTALLY_ANALYSIS_PIPELINE_H_

#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "analysis/analysis.h"
#include "analysis/progress.h"
#include "base/file_system.h"

namespace memtally {

// Supplies the local wall-clock time of the analysis.
using Clock = std::function<std::tm()>;

// The local time of the system clock.
std::tm localClock();

// What an analysis is asked for.
struct AnalysisRequest {
  std::string project;                // the project name, without extension
  std::optional<std::string> target;  // the -t routine; none: main
  int options = 0;                    // OPT_... bits; -c collects callers
  bool bound = false;                 // bound mode
  // Bound mode's annotation file as named; none: the project's .mta file,
  // when there is one.
  std::optional<std::string> annotationFile;
};

// Reads the project file, its modules and its map file, computes every task
// and the top routine, and returns what was found, warnings included. Tells
// `progress` of each step as it happens. Returns none, having done nothing,
// for an empty project name. Throws FatalError on a fatal condition.
std::optional<Analysis> analyzeProject(FileSystem& files, Progress& progress,
                                       const Clock& clock,
                                       const AnalysisRequest& request);

}  // namespace memtally

#endif  // MEMTALLY_ANALYSIS_PIPELINE_H_
