// What the modules of a project declare that a task's stack may be: arrays
// and constants, at module level and inside routines, and Option Base 1;
// gathered by the definitions pass and looked up by the task stack check.
#ifndef MEMTALLY_SCAN_PROJECT_DECLARATIONS_H_
#define MEMTALLY_SCAN_PROJECT_DECLARATIONS_H_

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "base/warning_log.h"
#include "routines/routine_table.h"
#include "scan/declarations.h"

namespace memtally {

// An array a module declares, kept whole once its line is gone.
struct ArrayDeclaration {
  uint32_t module = 0;                     // its module's position
  const RoutineEntry* routine = nullptr;   // a local Dim's routine; null at
                                           // module level
  bool isPublic = false;                   // declared Public
  Place place;                             // where its name stands
  std::string name;                        // as written
  std::vector<std::pair<std::optional<std::string>, std::string>> bounds;
  std::string type;                        // as written; empty without As
  std::string problem;                     // why it cannot be read; empty

  // Returns a copy of `array` that keeps its own text.
  static ArrayDeclaration from(const DeclaredArray& array);

  // The declaration as arraySize reads it, viewing this one's text.
  DeclaredArray view() const;
};

// A constant a module declares.
struct ConstantDeclaration {
  uint32_t module = 0;
  const RoutineEntry* routine = nullptr;  // a local Const's routine, or null
  bool isPublic = false;
  std::string name;
  std::optional<int64_t> value;  // set only for a literal value
};

// Every array and constant of a project, and the modules that say Option
// Base 1. Of several declarations of one name in one place the first counts.
class ProjectDeclarations {
 public:
  void addArray(ArrayDeclaration array);
  void addConstant(ConstantDeclaration constant);
  void setOptionBase1(uint32_t module) { base1_.insert(module); }

  bool optionBase1(uint32_t module) const { return base1_.count(module) != 0; }

  // Every array, in the order declared: the project's modules in order.
  const std::vector<ArrayDeclaration>& arrays() const { return arrays_; }

  // Returns the array `name` declared by a Dim in the body of `routine`;
  // null when there is none.
  const ArrayDeclaration* localArray(const RoutineEntry* routine,
                                     std::string_view name) const;

  // Returns the array `name` declared at module level by the module at
  // `module` (Dim, Private or Public); null when there is none.
  const ArrayDeclaration* moduleArray(uint32_t module,
                                      std::string_view name) const;

  // Returns the first array `name` declared Public at module level, in the
  // order of the project's modules; null when there is none.
  const ArrayDeclaration* publicArray(std::string_view name) const;

  // Returns the literal value of the constant `name` as a declaration in the
  // body of `routine` (when given) or at module level of the module at
  // `module` sees it: its own routine's Const, else its module's, else the
  // first Public Const of the project. None when not found or not a
  // literal.
  std::optional<int64_t> constant(uint32_t module, const RoutineEntry* routine,
                                  std::string_view name) const;

 private:
  // Where a name is declared: the routine (null at module level), the
  // module, the folded name.
  using Key = std::tuple<const RoutineEntry*, uint32_t, std::string>;
  static Key placeKey(const RoutineEntry* routine, uint32_t module,
                      std::string folded);

  std::vector<ArrayDeclaration> arrays_;
  std::map<Key, size_t> arraysByPlace_;
  std::map<std::string, size_t, std::less<>> publicArrays_;
  std::vector<ConstantDeclaration> constants_;
  std::map<Key, size_t> constantsByPlace_;
  std::map<std::string, size_t, std::less<>> publicConstants_;
  std::set<uint32_t> base1_;
};

}  // namespace memtally

#endif  // MEMTALLY_SCAN_PROJECT_DECLARATIONS_H_
