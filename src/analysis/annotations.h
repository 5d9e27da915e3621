// Bound mode's annotations applied to a project: every name checked against
// its routines and the routines it calls outside it.
#ifndef MEMTALLY_ANALYSIS_ANNOTATIONS_H_
#define MEMTALLY_ANALYSIS_ANNOTATIONS_H_

#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "analysis/annotation_file.h"
#include "base/file_system.h"

namespace memtally {

// Reads the annotation file `named`, else the project's own (`project` +
// ".mta") when there is one, into analysis.bound: resolves every name,
// gives routines and external routines their stack sizes and recursion
// depths, and adds the calls it names to the table (with their callers when
// `options` asks for them); warns about a stack annotation of a name that
// nothing in the project calls. Throws FatalError when the named file
// cannot be opened, and one listing every error of the file when it has
// any.
void applyAnnotationFile(FileSystem& files,
                         const std::optional<std::string>& named,
                         const std::string& project, int options,
                         Analysis& analysis);

// Throws FatalError with every error, in line and column order, each on a
// line of its own as formatAnnotationError makes it.
[[noreturn]] void throwAnnotationErrors(std::string_view file,
                                        std::vector<AnnotationError> errors);

// Adds the warnings of --check about annotations of routines that change
// nothing: a recursion annotation on a routine bound mode reached that is
// in no recursion, a stack annotation on a routine nothing calls.
void addStaleAnnotationWarnings(Analysis& analysis);

}  // namespace memtally

#endif  // MEMTALLY_ANALYSIS_ANNOTATIONS_H_
