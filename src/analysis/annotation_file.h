// The annotation file of bound mode: what the user knows of a program that
// its sources do not show (the stack of a routine outside the project, the
// depth of a recursion, calls made through no name the scanner can see).
//
//   stack Delay 12                 ' a call of Delay needs at most 12 bytes
//   recursion Serial.SendNumber 10 ' at most 10 activations at once
//   calls Main.Dispatch Menu.Show Menu.Edit
//
// One annotation a line; an apostrophe starts a comment; blank lines are
// allowed; keywords are compared case-insensitively.
#ifndef MEMTALLY_ANALYSIS_ANNOTATION_FILE_H_
#define MEMTALLY_ANALYSIS_ANNOTATION_FILE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/line_reader.h"

namespace memtally {

// The longest line of an annotation file.
inline constexpr size_t kMaxAnnotationLine = 511;

enum class AnnotationKind { kStack, kRecursion, kCalls };

// The keyword of a kind as the file writes it: "stack", "recursion", "calls".
std::string_view annotationKindName(AnnotationKind kind);

// A name of an annotation as written, and the byte column where it starts.
struct AnnotatedName {
  std::string text;
  uint32_t column = 1;
};

// One line of the file that says something.
struct Annotation {
  AnnotationKind kind = AnnotationKind::kStack;
  uint32_t line = 0;    // physical line, from 1
  uint32_t column = 1;  // where the keyword starts
  AnnotatedName name;   // the routine it is about; for calls, the caller
  uint32_t value = 0;   // stack: bytes; recursion: depth; calls: 0
  std::vector<AnnotatedName> callees;  // calls only, at least one
  // Set by the analysis: the annotation changed a number of the estimate.
  bool used = false;
};

// What is wrong with a line, at the column where the fault starts.
struct AnnotationError {
  uint32_t line = 0;
  uint32_t column = 1;
  std::string text;  // "unknown keyword \"stak\"; ..."
};

// The annotations of a file and the faults of its lines, both in line order.
struct AnnotationFile {
  std::vector<Annotation> annotations;
  std::vector<AnnotationError> errors;
};

// Reads every line of `reader`: each line is an annotation, blank or a
// comment, or gets an error (an unknown keyword, a missing, extra or
// malformed field, a number that is no decimal from 1 to 4294967295, a line
// longer than kMaxAnnotationLine). Names are not checked against a project.
// An error stands at the column where the faulty field starts, or for a
// missing field just after the line's last field; a long line's error stands
// at column kMaxAnnotationLine + 1, and the rest of that line is not read.
AnnotationFile readAnnotations(LineReader& reader);

// Formats an error as compilers do: "FILE:LINE:COLUMN: error: TEXT\n".
std::string formatAnnotationError(std::string_view file,
                                  const AnnotationError& error);

}  // namespace memtally

#endif  // MEMTALLY_ANALYSIS_ANNOTATION_FILE_H_
