// Fuzzes the annotation file reader on an arbitrary annotation file.
//
// Every annotation and error must stand at a line the text has and a column
// inside the longest line read, annotations and errors each in line order
// with at most one of either a line; names must be well-formed, values in
// range, and each error formats as one line. The annotations written out
// again in plain form must read back as the same annotations.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/annotation_file.h"
#include "base/chars.h"
#include "base/line_reader.h"
#include "fuzz_check.h"
#include "text_lines.h"

namespace memtally::fuzz {
namespace {

// A letter, then letters, digits, '_' and '.', with no dot last or doubled.
bool isName(std::string_view text) {
  if (text.empty() || !isLetter(static_cast<unsigned char>(text[0]))) {
    return false;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (!isLetter(c) && !isDigit(c) && c != '_' && c != '.') return false;
    if (c == '.' && (i + 1 == text.size() || text[i + 1] == '.')) return false;
  }
  return true;
}

// A name stands after `after` on the line and ends inside it.
void checkName(const AnnotatedName& name, uint32_t after) {
  FUZZ_CHECK(isName(name.text));
  FUZZ_CHECK(name.column > after);
  FUZZ_CHECK(name.column + name.text.size() - 1 <= kMaxAnnotationLine);
}

void checkAnnotation(const Annotation& annotation, size_t lines) {
  FUZZ_CHECK(annotation.line >= 1 && annotation.line <= lines);
  FUZZ_CHECK(annotation.column >= 1);
  FUZZ_CHECK(!annotation.used);
  checkName(annotation.name, annotation.column);
  if (annotation.kind != AnnotationKind::kCalls) {
    FUZZ_CHECK(annotation.value >= 1);
    FUZZ_CHECK(annotation.callees.empty());
    return;
  }
  FUZZ_CHECK(annotation.value == 0);
  FUZZ_CHECK(!annotation.callees.empty());
  uint32_t after = annotation.name.column;
  for (const AnnotatedName& callee : annotation.callees) {
    checkName(callee, after);
    after = callee.column;
  }
}

void checkError(const AnnotationError& error, size_t lines) {
  FUZZ_CHECK(error.line >= 1 && error.line <= lines);
  FUZZ_CHECK(error.column >= 1 && error.column <= kMaxAnnotationLine + 1);
  FUZZ_CHECK(!error.text.empty());
  const std::string formatted = formatAnnotationError("F.mta", error);
  FUZZ_CHECK(formatted.find('\n') == formatted.size() - 1);
  FUZZ_CHECK(formatted.find('\r') == std::string::npos);
}

// Annotations and errors each in line order, no line giving two of them.
void checkOrder(const AnnotationFile& file) {
  size_t a = 0;
  size_t e = 0;
  uint32_t last = 0;
  while (a < file.annotations.size() || e < file.errors.size()) {
    const bool takeAnnotation =
        e == file.errors.size() ||
        (a < file.annotations.size() &&
         file.annotations[a].line < file.errors[e].line);
    const uint32_t line = takeAnnotation ? file.annotations[a++].line
                                         : file.errors[e++].line;
    FUZZ_CHECK(line > last);
    last = line;
  }
}

// The annotations in plain form, one a line.
std::string writeOut(const AnnotationFile& file) {
  std::string text;
  for (const Annotation& annotation : file.annotations) {
    text += std::string(annotationKindName(annotation.kind)) + " " +
            annotation.name.text;
    if (annotation.kind != AnnotationKind::kCalls) {
      text += " " + std::to_string(annotation.value);
    }
    for (const AnnotatedName& callee : annotation.callees) {
      text += " " + callee.text;
    }
    text += "\n";
  }
  return text;
}

// The plain form reads back as the same annotations and no error.
void checkRoundTrip(const AnnotationFile& file) {
  LineReader reader(writeOut(file));
  const AnnotationFile again = readAnnotations(reader);
  FUZZ_CHECK(again.errors.empty());
  FUZZ_CHECK(again.annotations.size() == file.annotations.size());
  for (size_t i = 0; i < again.annotations.size(); ++i) {
    const Annotation& a = file.annotations[i];
    const Annotation& b = again.annotations[i];
    FUZZ_CHECK(a.kind == b.kind && a.value == b.value);
    FUZZ_CHECK(a.name.text == b.name.text);
    FUZZ_CHECK(a.callees.size() == b.callees.size());
    for (size_t j = 0; j < a.callees.size(); ++j) {
      FUZZ_CHECK(a.callees[j].text == b.callees[j].text);
    }
  }
}

}  // namespace
}  // namespace memtally::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace memtally;
  using namespace memtally::fuzz;
  const std::string text(reinterpret_cast<const char*>(data), size);
  LineReader reader(text);
  const AnnotationFile file = readAnnotations(reader);
  const size_t lines = mostLines(text);
  for (const Annotation& annotation : file.annotations) {
    checkAnnotation(annotation, lines);
  }
  for (const AnnotationError& error : file.errors) checkError(error, lines);
  checkOrder(file);
  checkRoundTrip(file);
  return 0;
}
