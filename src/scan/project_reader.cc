#include "scan/project_reader.h"

namespace memtally {

void readProjectFile(RoutineTable&, FileSystem&, Console&, LineReader&, int) {}

}  // namespace memtally
