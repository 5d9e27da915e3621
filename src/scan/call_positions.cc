#include "scan/call_positions.h"

#include "base/chars.h"
#include "scan/declarations.h"
#include "scan/keywords.h"
#include "scan/lexer.h"

namespace memtally {

void ArrayNames::add(std::string_view name) {
  if (name.empty()) return;
  folded_ = foldedCopy(name);
  if (set_.count(folded_) != 0) return;
  names_.push_back(folded_);
  set_.insert(names_.back());
}

void ArrayNames::addModuleLevel(const ProjectDeclarations& declarations) {
  for (const ArrayDeclaration& array : declarations.arrays()) {
    if (array.routine == nullptr) add(array.name);
  }
}

void ArrayNames::addParameters(std::string_view rest) {
  rest = skipSpace(rest);
  if (rest.empty() || rest[0] != '(') return;
  rest.remove_prefix(1);
  // A parameter is an array when '(' follows its name inside the list.
  for (int depth = 1; depth > 0;) {
    rest = skipSpace(rest);
    int length = 0;
    const TokenKind kind = nextToken(rest, &length);
    if (length == 0 || kind == TOKEN_COMMENT) return;
    const std::string_view token = rest.substr(0, static_cast<size_t>(length));
    rest.remove_prefix(static_cast<size_t>(length));
    if (token == "(") {
      ++depth;
    } else if (token == ")") {
      --depth;
    } else if (depth == 1 && kind == TOKEN_IDENTIFIER && !isKeyword(token)) {
      const std::string_view after = skipSpace(rest);
      if (!after.empty() && after[0] == '(') add(token);
    }
  }
}

void ArrayNames::addDimArrays(std::string_view line) {
  const size_t length = static_cast<size_t>(identifierLength(line));
  if (!equalsNoCase(line.substr(0, length), "dim") ||
      line.find('(') == std::string_view::npos) {
    return;
  }
  for (const DeclaredArray& array : parseArrayDeclarations(line)) {
    add(array.name);
  }
}

bool ArrayNames::contains(std::string_view name) const {
  if (set_.empty()) return false;
  folded_ = foldedCopy(name);
  return set_.count(folded_) != 0;
}

void ArrayNames::clear() {
  set_.clear();
  names_.clear();
}

bool CallPositions::next(LineIdentifier* identifier) {
  for (;;) {
    rest_ = skipSpace(rest_);
    int length = 0;
    const TokenKind kind = nextToken(rest_, &length);
    if (length == 0 || kind == TOKEN_COMMENT) return false;
    const std::string_view token = rest_.substr(0, static_cast<size_t>(length));
    rest_.remove_prefix(static_cast<size_t>(length));
    if (kind == TOKEN_IDENTIFIER) {
      readIdentifier(token, identifier);
      return true;
    }
    if (kind == TOKEN_LABEL && readLabel(token, identifier)) return true;
    if (kind != TOKEN_LABEL) {
      // Of the other tokens only ':', which separates statements, matters.
      statementStart_ = token == ":";
      lineStart_ = false;
      afterCall_ = false;
    }
  }
}

void CallPositions::readIdentifier(std::string_view token,
                                   LineIdentifier* identifier) {
  const std::string_view after = skipSpace(rest_);
  identifier->name = token;
  identifier->next = after.empty() ? '\0' : after[0];
  identifier->callPosition = isCallPosition(token, identifier->next);
  afterCall_ = equalsNoCase(token, "call");
  statementStart_ = equalsNoCase(token, "then") || equalsNoCase(token, "else");
  lineStart_ = false;
}

bool CallPositions::readLabel(std::string_view token,
                              LineIdentifier* identifier) {
  // Only the first word of a line is a label; elsewhere the name is
  // followed by a statement separator.
  const bool label = lineStart_;
  if (!label) {
    identifier->name = token.substr(0, token.size() - 1);
    identifier->next = ':';
    identifier->callPosition = isCallPosition(identifier->name, ':');
  }
  statementStart_ = true;
  lineStart_ = false;
  afterCall_ = false;
  return !label;
}

bool CallPositions::isArray(std::string_view name) const {
  return (moduleArrays_ != nullptr && moduleArrays_->contains(name)) ||
         (localArrays_ != nullptr && localArrays_->contains(name));
}

bool CallPositions::isCallPosition(std::string_view name, char next) const {
  if (afterCall_) return !isKeyword(name);
  if (next == '(') return !isKeyword(name) && !isArray(name);
  // `x = 1` assigns; `Retry:` and `Retry :` label the line.
  if (!statementStart_ || next == '=' || (next == ':' && lineStart_)) {
    return false;
  }
  return !isKeyword(name);
}

}  // namespace memtally
