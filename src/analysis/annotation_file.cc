#include "analysis/annotation_file.h"

#include <optional>
#include <utility>

#include "base/chars.h"
#include "base/format.h"
#include "base/warning_log.h"

namespace memtally {
namespace {

// The keywords that begin an annotation, as an error lists them.
constexpr std::string_view kKeywordList = "stack, recursion or calls";

// A field of a line: a run of bytes other than white space, and the byte
// column where it starts. Empty text at the end of the line's text.
struct Field {
  std::string_view text;
  uint32_t column = 1;
};

// What is wrong with one line: the column where the fault starts and why.
struct Fault {
  uint32_t column = 1;
  std::string text;
};

// The fields of one line's text, read left to right.
class Fields {
 public:
  // `text` is the line's text before any comment, beginning at `column`.
  Fields(std::string_view text, uint32_t column)
      : text_(text), column_(column) {}

  // Returns the next field; its text is empty when no field is left.
  Field next() {
    while (pos_ < text_.size() && isSpace(byteAt(pos_))) ++pos_;
    const size_t start = pos_;
    while (pos_ < text_.size() && !isSpace(byteAt(pos_))) ++pos_;
    return {text_.substr(start, pos_ - start), columnOf(start)};
  }

  // The column just after the last field of the line, where a missing field
  // is reported.
  uint32_t endColumn() const {
    size_t end = text_.size();
    while (end > 0 && isSpace(byteAt(end - 1))) --end;
    return columnOf(end);
  }

 private:
  unsigned char byteAt(size_t i) const {
    return static_cast<unsigned char>(text_[i]);
  }
  uint32_t columnOf(size_t offset) const {
    return column_ + static_cast<uint32_t>(offset);
  }

  std::string_view text_;
  uint32_t column_;
  size_t pos_ = 0;
};

// The line's text without its line end and any comment.
std::string_view textOf(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  return line.substr(0, line.find('\''));
}

std::string quoted(std::string_view text) {
  std::string out = "\"";
  out.append(text);
  out.push_back('"');
  return out;
}

// The kind whose keyword `word` is, in any letter case.
std::optional<AnnotationKind> kindOf(std::string_view word) {
  for (const AnnotationKind kind :
       {AnnotationKind::kStack, AnnotationKind::kRecursion,
        AnnotationKind::kCalls}) {
    if (equalsNoCase(word, annotationKindName(kind))) return kind;
  }
  return std::nullopt;
}

// True for a letter followed by letters, digits, '_' and '.', with no dot at
// the end and no two dots in a row.
bool isWellFormedName(std::string_view text) {
  if (text.empty() || !isLetter(static_cast<unsigned char>(text[0]))) {
    return false;
  }
  for (size_t i = 1; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '.' && text[i - 1] == '.') return false;
    if (!isLetter(c) && !isDigit(c) && c != '_' && c != '.') return false;
  }
  return text.back() != '.';
}

// The value of a field of decimal digits from 1 to 4294967295; nothing for
// any other field. Stops adding digits once the value is out of range.
std::optional<uint32_t> numberOf(std::string_view text) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (!isDigit(static_cast<unsigned char>(c))) return std::nullopt;
    if (value <= UINT32_MAX) value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value == 0 || value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(value);
}

bool allDigits(std::string_view text) {
  for (const char c : text) {
    if (!isDigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// Reads the name in `field` into `name`; `missing` says what the keyword
// needs when the field is not there.
std::optional<Fault> readName(const Field& field, const Fields& fields,
                              AnnotationKind kind, std::string_view missing,
                              AnnotatedName& name) {
  if (field.text.empty()) {
    return Fault{fields.endColumn(), std::string(annotationKindName(kind)) +
                                         " needs " + std::string(missing)};
  }
  if (!isWellFormedName(field.text)) {
    return Fault{field.column,
                 "malformed name " + quoted(field.text) +
                     "; a name is a letter, then letters, digits, _ and ., "
                     "such as Serial.Parse"};
  }
  name = {std::string(field.text), field.column};
  return std::nullopt;
}

// Reads the name, the number and the end of a stack or recursion line.
std::optional<Fault> readSized(Fields& fields, Annotation& annotation) {
  const bool stack = annotation.kind == AnnotationKind::kStack;
  const std::string_view keyword = annotationKindName(annotation.kind);
  const std::string what = stack ? "byte count" : "depth";
  if (auto fault = readName(fields.next(), fields, annotation.kind,
                            "a routine name", annotation.name)) {
    return fault;
  }
  const Field number = fields.next();
  if (number.text.empty()) {
    return Fault{fields.endColumn(), std::string(keyword) + " needs a " +
                                         what + " after the name"};
  }
  const std::optional<uint32_t> value = numberOf(number.text);
  if (!value) {
    const std::string shown =
        allDigits(number.text) ? std::string(number.text) : quoted(number.text);
    return Fault{number.column, "the " + what + " " + shown +
                                    " is not a decimal number from 1 to "
                                    "4294967295"};
  }
  annotation.value = *value;
  const Field extra = fields.next();
  if (!extra.text.empty()) {
    return Fault{extra.column, "extra field " + quoted(extra.text) + "; " +
                                   std::string(keyword) +
                                   " takes a name and a " + what};
  }
  return std::nullopt;
}

// Reads the caller and the callees of a calls line.
std::optional<Fault> readCalls(Fields& fields, Annotation& annotation) {
  if (auto fault = readName(fields.next(), fields, annotation.kind,
                            "a routine name", annotation.name)) {
    return fault;
  }
  for (Field field = fields.next();; field = fields.next()) {
    if (field.text.empty() && !annotation.callees.empty()) return std::nullopt;
    AnnotatedName callee;
    if (auto fault = readName(field, fields, annotation.kind,
                              "a callee after the caller", callee)) {
      return fault;
    }
    annotation.callees.push_back(std::move(callee));
  }
}

// Reads one line's text, which begins at `column`, adding its annotation or
// its error to `file`; a blank or comment line adds nothing.
void readLineText(std::string_view line, uint32_t number, uint32_t column,
                  AnnotationFile& file) {
  Fields fields(textOf(line), column);
  const Field keyword = fields.next();
  if (keyword.text.empty()) return;
  const std::optional<AnnotationKind> kind = kindOf(keyword.text);
  if (!kind) {
    file.errors.push_back({number, keyword.column,
                           "unknown keyword " + quoted(keyword.text) +
                               "; an annotation begins with " +
                               std::string(kKeywordList)});
    return;
  }
  Annotation annotation;
  annotation.kind = *kind;
  annotation.line = number;
  annotation.column = keyword.column;
  std::optional<Fault> fault = *kind == AnnotationKind::kCalls
                                   ? readCalls(fields, annotation)
                                   : readSized(fields, annotation);
  if (fault) {
    file.errors.push_back({number, fault->column, std::move(fault->text)});
  } else {
    file.annotations.push_back(std::move(annotation));
  }
}

}  // namespace

std::string_view annotationKindName(AnnotationKind kind) {
  switch (kind) {
    case AnnotationKind::kStack:
      return "stack";
    case AnnotationKind::kRecursion:
      return "recursion";
    case AnnotationKind::kCalls:
      return "calls";
  }
  return "stack";
}

AnnotationFile readAnnotations(LineReader& reader) {
  AnnotationFile file;
  std::string line;
  bool inLongLine = false;  // the pieces read are the rest of a long line
  while (reader.readLine(line, kMaxAnnotationLine)) {
    if (inLongLine) {
      inLongLine = reader.lineWasCut();
      continue;
    }
    if (reader.lineWasCut()) {
      // Only a line longer than kMaxAnnotationLine is cut.
      file.errors.push_back(
          {reader.lineNumber(),
           static_cast<uint32_t>(reader.lineColumn() + kMaxAnnotationLine),
           "line longer than " + decimal(kMaxAnnotationLine) +
               " characters; it is not read"});
      inLongLine = true;
      continue;
    }
    readLineText(line, reader.lineNumber(), reader.lineColumn(), file);
  }
  return file;
}

std::string formatAnnotationError(std::string_view file,
                                  const AnnotationError& error) {
  return formatDiagnostic(file, error.line, error.column, "error",
                          error.text);
}

}  // namespace memtally
