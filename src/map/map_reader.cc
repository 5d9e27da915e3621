#include "map/map_reader.h"

#include <string>

#include "base/chars.h"
#include "base/fatal.h"
#include "scan/lexer.h"

namespace memtally {
namespace {

constexpr std::string_view kRamMarker = "RAM allocated:";
constexpr std::string_view kParametersMarker = "FORMAL PARAMETERS";
constexpr std::string_view kLocalsMarker = "LOCAL VARIABLES";
constexpr std::string_view kCodeMarker = "CODE MEMORY";

// Where the reader stands in the map file; it only moves forward.
enum MapState : int {
  kBeforeRam = 0,         // waiting for "RAM allocated:"
  kBeforeParameters = 1,  // waiting for "FORMAL PARAMETERS"
  kInParameters = 2,      // parameter lines, until "LOCAL VARIABLES"
  kInLocals = 3,          // local variable lines, until "CODE MEMORY"
};

// The reader's state during one pass over a map file.
struct MapReader {
  explicit MapReader(RoutineTable& t) : table(t) {}

  RoutineTable& table;
  int state = kBeforeRam;
  std::string_view marker = kRamMarker;  // what the current state waits for
  uint32_t staticRam = 0;
  std::string pendingName;  // module.routine being summed; empty when none
  uint32_t pendingSum = 0;  // sizes read so far for pendingName
};

// Stores the pending stretch's sum as sizes of kind `which` and forgets it.
void storePending(MapReader& reader, int which) {
  recordMapSize(reader.table, reader.pendingName, which, reader.pendingSum);
  reader.pendingName.clear();
}

// Moves on to the next state, which waits for `marker`, with no routine
// pending.
void advance(MapReader& reader, int state, std::string_view marker) {
  reader.state = state;
  reader.marker = marker;
  reader.pendingName.clear();
}

// Reads the static RAM from the "RAM allocated:" line.
void readStaticRam(MapReader& reader, std::string_view line) {
  std::string_view cursor = skipSpace(line.substr(kRamMarker.size()));
  reader.staticRam = parseDecimal(cursor);
  advance(reader, kBeforeParameters, kParametersMarker);
}

// Handles one line of address, size and dotted name: adds the size to the
// pending stretch when the line continues it, else stores the stretch and
// starts a new one with this line's routine.
void readDataLine(MapReader& reader, std::string_view line, int which) {
  std::string_view cursor = skipSpace(line);
  parseDecimal(cursor);  // the address, not used
  cursor = skipSpace(cursor);
  const uint32_t size = parseDecimal(cursor);
  std::string_view name = skipSpace(cursor);
  const size_t lastDot = name.rfind('.');
  if (lastDot != std::string_view::npos) name = name.substr(0, lastDot);

  if (!reader.pendingName.empty() && reader.pendingName == name) {
    reader.pendingSum += size;
    return;
  }
  storePending(reader, which);
  reader.pendingSum = size;
  reader.pendingName.assign(name);
}

bool startsWith(std::string_view line, std::string_view marker) {
  return line.substr(0, marker.size()) == marker;
}

bool startsWithDigit(std::string_view line) {
  return !line.empty() && isDigit(static_cast<unsigned char>(line[0]));
}

// Handles one stripped, non-blank line. Returns false once "CODE MEMORY" has
// been handled and nothing more is to be read.
bool handleLine(MapReader& reader, std::string_view line) {
  const bool atMarker = startsWith(line, reader.marker);
  switch (reader.state) {
    case kBeforeRam:
      if (atMarker) readStaticRam(reader, line);
      return true;
    case kBeforeParameters:
      if (atMarker) advance(reader, kInParameters, kLocalsMarker);
      return true;
    case kInParameters:
      if (atMarker) {
        storePending(reader, kMapParameters);
        advance(reader, kInLocals, kCodeMarker);
      } else if (startsWithDigit(line)) {
        readDataLine(reader, line, kMapParameters);
      }
      return true;
    case kInLocals:
      if (atMarker) {
        storePending(reader, kMapLocals);
        return false;
      }
      if (startsWithDigit(line)) readDataLine(reader, line, kMapLocals);
      return true;
    default:
      throw FatalError("Invalid state (" + std::to_string(reader.state) +
                       ") in processMap()\n");
  }
}

}  // namespace

uint32_t processMap(RoutineTable& table, LineReader& map) {
  MapReader reader(table);
  std::string line;
  while (map.readLine(line, kMapLineCapacity)) {
    const std::string_view stripped = trimRight(skipSpace(line));
    if (stripped.empty()) continue;
    if (!handleLine(reader, stripped)) break;
  }
  return reader.staticRam;
}

void recordMapSize(RoutineTable& table, std::string_view name, int which,
                   uint32_t value) {
  if (name.empty()) return;
  const size_t dot = name.find('.');
  const std::string_view module =
      dot == std::string_view::npos ? std::string_view() : name.substr(0, dot);
  const std::string_view routine =
      dot == std::string_view::npos ? name : name.substr(dot + 1);
  RoutineEntry* entry = lookupOrAddRoutine(table, module, routine, true);
  if (entry == nullptr) {
    throw FatalError("Failed to create a symbol table entry for \"" +
                     std::string(routine) + "\".\n");
  }
  if (which == kMapParameters) {
    entry->paramBytes = value;
  } else if (which == kMapLocals) {
    entry->localBytes = value;
  }
}

}  // namespace memtally
