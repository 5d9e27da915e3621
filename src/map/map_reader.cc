#include "map/map_reader.h"

#include <string>

#include "base/chars.h"
#include "base/fatal.h"
#include "base/format.h"
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
  MapReader(RoutineTable& t, const FileWarnings& w) : table(t), warnings(w) {}

  RoutineTable& table;
  const FileWarnings& warnings;
  int state = kBeforeRam;
  std::string_view marker = kRamMarker;  // what the current state waits for
  uint32_t staticRam = 0;
  std::string pendingName;  // module.routine being summed; empty when none
  uint32_t pendingSum = 0;  // sizes read so far for pendingName
  bool pendingWrapped = false;  // pendingSum passed 4294967295 and wrapped

  // For the warnings.
  uint32_t line = 0;           // physical line of the line being handled
  const char* text = nullptr;  // the line being handled, as read
  uint32_t column = 1;         // the column at which it begins
  Place pending;               // where the pending stretch's name stands
};

void warn(const MapReader& reader, uint32_t line, WarningKind kind,
          std::string message) {
  reader.warnings.add(line, kind, std::move(message));
}

void warn(const MapReader& reader, Place place, WarningKind kind,
          std::string message) {
  reader.warnings.add(place, kind, std::move(message));
}

// Where `text`, a part of the line being handled, stands in the file.
Place placeOf(const MapReader& reader, std::string_view text) {
  return {reader.line,
          reader.column + static_cast<uint32_t>(text.data() - reader.text)};
}

// True when a run of decimal digits stands for more than 32 bits hold.
bool exceeds32Bits(std::string_view digits) {
  uint64_t value = 0;
  for (const char c : digits) {
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > UINT32_MAX) return true;
  }
  return false;
}

// Reads a size or the static RAM at cursor with parseDecimal, warning when
// its digits say more than the 32 bits it is read into.
uint32_t readNumber(const MapReader& reader, std::string_view& cursor) {
  const std::string_view start = cursor;
  const uint32_t value = parseDecimal(cursor);
  const std::string_view digits = start.substr(0, start.size() - cursor.size());
  if (exceeds32Bits(digits)) {
    warn(reader, placeOf(reader, digits), WarningKind::kNumberTooLarge,
         "the number " + std::string(digits) +
             " exceeds 4294967295 and is read as " + decimal(value));
  }
  return value;
}

// Warns about a stretch just stored on `entry`: when an earlier stretch of
// the same section gave it sizes, and when no module defines the routine.
void noteStretch(MapReader& reader, RoutineEntry& entry, int which) {
  const uint8_t sized =
      which == kMapParameters ? MAP_SIZED_PARAMETERS : MAP_SIZED_LOCALS;
  if ((entry.mapMarks & sized) != 0) {
    warn(reader, reader.pending, WarningKind::kMapSplit,
         "the records of " + std::string(entry.fullName) +
             " are split; this stretch replaces the one before");
  }
  entry.mapMarks |= sized;
  if ((entry.flags & ROUTINE_DEFINED) == 0 &&
      (entry.mapMarks & MAP_WARNED_UNDEFINED) == 0) {
    entry.mapMarks |= MAP_WARNED_UNDEFINED;
    warn(reader, reader.pending, WarningKind::kUnknownMapRoutine,
         "the map names " + std::string(entry.fullName) +
             ", which no module defines");
  }
}

// Stores the pending stretch's sum as sizes of kind `which` and forgets it.
void storePending(MapReader& reader, int which) {
  RoutineEntry* entry =
      recordMapSize(reader.table, reader.pendingName, which, reader.pendingSum);
  if (entry != nullptr) noteStretch(reader, *entry, which);
  if (entry != nullptr && reader.pendingWrapped) {
    warn(reader, reader.pending, WarningKind::kWrapAround,
         "the sizes of " + std::string(entry->fullName) +
             " add up to more than 4294967295 bytes and wrap around to " +
             decimal(reader.pendingSum));
  }
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
  reader.staticRam = readNumber(reader, cursor);
  advance(reader, kBeforeParameters, kParametersMarker);
}

// Handles one line of address, size and dotted name: adds the size to the
// pending stretch when the line continues it, else stores the stretch and
// starts a new one with this line's routine.
void readDataLine(MapReader& reader, std::string_view line, int which) {
  std::string_view cursor = skipSpace(line);
  parseDecimal(cursor);  // the address, not used
  cursor = skipSpace(cursor);
  const uint32_t size = readNumber(reader, cursor);
  std::string_view name = skipSpace(cursor);
  const size_t lastDot = name.rfind('.');
  if (lastDot != std::string_view::npos) name = name.substr(0, lastDot);

  if (!reader.pendingName.empty() && reader.pendingName == name) {
    reader.pendingWrapped =
        reader.pendingWrapped || uint64_t{reader.pendingSum} + size > UINT32_MAX;
    reader.pendingSum += size;
    return;
  }
  storePending(reader, which);
  reader.pendingSum = size;
  reader.pendingWrapped = false;
  reader.pendingName.assign(name);
  reader.pending = placeOf(reader, name);
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

// Warns about a map file that ended before its "CODE MEMORY" line.
void noteMapEnd(const MapReader& reader, const LineReader& map) {
  noteEarlyEnd(reader.warnings, map);
  if (reader.state == kBeforeRam) {
    warn(reader, 0, WarningKind::kMapIncomplete,
         "the map has no RAM allocated: line; no sizes were read");
  } else if (reader.state == kBeforeParameters) {
    warn(reader, reader.line, WarningKind::kMapIncomplete,
         "the map ends before FORMAL PARAMETERS; no sizes were read");
  } else if (reader.state == kInParameters) {
    std::string message =
        "the map ends before LOCAL VARIABLES; no local variable sizes were "
        "read";
    if (!reader.pendingName.empty()) {
      message += ", and the parameter sizes of " + reader.pendingName +
                 " are not stored";
    }
    warn(reader, reader.line, WarningKind::kMapIncomplete, message);
  } else if (reader.state == kInLocals) {
    warn(reader, reader.line, WarningKind::kMapIncomplete,
         reader.pendingName.empty()
             ? std::string("the map ends before CODE MEMORY; no sizes are lost")
             : "the map ends before CODE MEMORY; the sizes of " +
                   reader.pendingName + " are not stored");
  }
}

}  // namespace

uint32_t processMap(RoutineTable& table, LineReader& map,
                    const FileWarnings& warnings) {
  MapReader reader(table, warnings);
  std::string line;
  while (map.readLine(line, kMapLineCapacity)) {
    reader.line = map.lineNumber();
    reader.text = line.data();
    reader.column = map.lineColumn();
    noteLineRead(warnings, map, kMapLineCapacity, "line");
    const std::string_view stripped = trimRight(skipSpace(line));
    if (stripped.empty()) continue;
    if (!handleLine(reader, stripped)) return reader.staticRam;
  }
  noteMapEnd(reader, map);
  return reader.staticRam;
}

RoutineEntry* recordMapSize(RoutineTable& table, std::string_view name,
                            int which, uint32_t value) {
  if (name.empty()) return nullptr;
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
  return entry;
}

}  // namespace memtally
