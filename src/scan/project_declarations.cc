#include "scan/project_declarations.h"

#include "base/chars.h"

namespace memtally {

ArrayDeclaration ArrayDeclaration::from(const DeclaredArray& array) {
  ArrayDeclaration kept;
  kept.name = array.name;
  for (const Bound& bound : array.bounds) {
    std::optional<std::string> lower;
    if (bound.lower) lower = std::string(bound.lower->text);
    kept.bounds.emplace_back(std::move(lower), std::string(bound.upper.text));
  }
  kept.type = array.type;
  if (!array.wellFormed) kept.problem = array.problem;
  return kept;
}

DeclaredArray ArrayDeclaration::view() const {
  DeclaredArray array;
  array.name = name;
  for (const auto& [lower, upper] : bounds) {
    Bound bound{std::nullopt, BoundValue{upper}};
    if (lower) bound.lower = BoundValue{*lower};
    array.bounds.push_back(bound);
  }
  array.type = type;
  array.wellFormed = problem.empty();
  array.problem = problem;
  return array;
}

ProjectDeclarations::Key ProjectDeclarations::placeKey(
    const RoutineEntry* routine, uint32_t module, std::string folded) {
  // A routine is declared in one module: it alone says where.
  return Key(routine, routine != nullptr ? 0 : module, std::move(folded));
}

void ProjectDeclarations::addArray(ArrayDeclaration array) {
  const size_t index = arrays_.size();
  std::string folded = foldedCopy(array.name);
  if (array.routine == nullptr && array.isPublic) {
    publicArrays_.emplace(folded, index);
  }
  arraysByPlace_.emplace(placeKey(array.routine, array.module, std::move(folded)),
                         index);
  arrays_.push_back(std::move(array));
}

void ProjectDeclarations::addConstant(ConstantDeclaration constant) {
  const size_t index = constants_.size();
  std::string folded = foldedCopy(constant.name);
  if (constant.routine == nullptr && constant.isPublic) {
    publicConstants_.emplace(folded, index);
  }
  constantsByPlace_.emplace(
      placeKey(constant.routine, constant.module, std::move(folded)), index);
  constants_.push_back(std::move(constant));
}

const ArrayDeclaration* ProjectDeclarations::localArray(
    const RoutineEntry* routine, std::string_view name) const {
  if (routine == nullptr) return nullptr;
  const auto found =
      arraysByPlace_.find(placeKey(routine, 0, foldedCopy(name)));
  return found == arraysByPlace_.end() ? nullptr : &arrays_[found->second];
}

const ArrayDeclaration* ProjectDeclarations::moduleArray(
    uint32_t module, std::string_view name) const {
  const auto found =
      arraysByPlace_.find(Key(nullptr, module, foldedCopy(name)));
  return found == arraysByPlace_.end() ? nullptr : &arrays_[found->second];
}

const ArrayDeclaration* ProjectDeclarations::publicArray(
    std::string_view name) const {
  const auto found = publicArrays_.find(foldedCopy(name));
  return found == publicArrays_.end() ? nullptr : &arrays_[found->second];
}

std::optional<int64_t> ProjectDeclarations::constant(
    uint32_t module, const RoutineEntry* routine, std::string_view name) const {
  const std::string folded = foldedCopy(name);
  if (routine != nullptr) {
    const auto local = constantsByPlace_.find(placeKey(routine, 0, folded));
    if (local != constantsByPlace_.end()) return constants_[local->second].value;
  }
  const auto own = constantsByPlace_.find(Key(nullptr, module, folded));
  if (own != constantsByPlace_.end()) return constants_[own->second].value;
  const auto shared = publicConstants_.find(folded);
  if (shared != publicConstants_.end()) {
    return constants_[shared->second].value;
  }
  return std::nullopt;
}

}  // namespace memtally
