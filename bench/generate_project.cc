// Writes a synthetic BasicX project for benchmarks: a project file, modules
// with Sub and Function definitions whose bodies call one another (with
// comments, strings, labels, continuation lines and task starts), and a
// matching map file. The same seed always gives the same project.
//
//   memtally_generate DIR NAME MODULES ROUTINES_PER_MODULE [SEED]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// A small deterministic generator (splitmix64).
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // A number from 0 to limit - 1.
  size_t below(size_t limit) { return static_cast<size_t>(next() % limit); }
  bool chance(int percent) { return below(100) < static_cast<size_t>(percent); }

 private:
  uint64_t state_;
};

const char* const kSyllables[] = {
    "Read",  "Write",  "Send",  "Get",    "Set",   "Put",   "Scan",
    "Check", "Update", "Motor", "Led",    "Pin",   "Port",  "Sensor",
    "Queue", "Timer",  "Clock", "Byte",   "Word",  "Text",  "Value",
    "Level", "Speed",  "Step",  "Buffer", "Init",  "Reset", "Start",
    "Stop",  "Poll",   "Wait",  "Calc",   "Filter"};

struct Param {
  std::string name;
  unsigned size;
};

struct Routine {
  std::string name;
  size_t module;
  bool isPublic;
  bool isFunction;
  bool isTask;
  std::vector<Param> params;
  std::vector<Param> locals;
  std::vector<size_t> callees;  // indices into the routine list
};

std::string routineName(Random& random) {
  std::string name;
  const size_t parts = 2 + random.below(2);
  for (size_t i = 0; i < parts; ++i) {
    name += kSyllables[random.below(sizeof kSyllables / sizeof *kSyllables)];
  }
  return name;
}

std::string moduleName(size_t index) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "Mod%05zu", index);
  return buffer;
}

const char* typeOf(unsigned size) {
  switch (size) {
    case 1:
      return "Byte";
    case 2:
      return "Integer";
    default:
      return "Long";
  }
}

std::vector<Routine> planRoutines(Random& random, size_t modules,
                                  size_t perModule) {
  std::vector<Routine> routines;
  routines.reserve(modules * perModule);
  for (size_t m = 0; m < modules; ++m) {
    std::unordered_set<std::string> used;
    for (size_t r = 0; r < perModule; ++r) {
      Routine routine;
      routine.module = m;
      if (m == 0 && r == 0) {
        routine.name = "Main";
      } else {
        do {
          routine.name = routineName(random);
          if (random.chance(30)) routine.name += std::to_string(r);
        } while (!used.insert(routine.name).second || routine.name == "Main");
      }
      routine.isPublic = r == 0 || random.chance(70);
      routine.isFunction = r != 0 && random.chance(35);
      routine.isTask = !routine.isFunction && r > 0 && random.chance(3);
      const bool noParams = routine.isTask || (m == 0 && r == 0);
      const size_t params = noParams ? 0 : random.below(4);
      for (size_t p = 0; p < params; ++p) {
        routine.params.push_back(
            {"Arg" + std::to_string(p + 1),
             static_cast<unsigned>(1u << random.below(3))});
      }
      const size_t locals = random.below(4);
      for (size_t l = 0; l < locals; ++l) {
        routine.locals.push_back(
            {"Tmp" + std::to_string(l + 1),
             static_cast<unsigned>(1u << random.below(3))});
      }
      routines.push_back(std::move(routine));
    }
  }
  // Calls go mostly forward (a deep, wide graph), sometimes back into the
  // same module (cycles), and only to routines the caller can see.
  for (size_t i = 0; i < routines.size(); ++i) {
    const size_t wanted = 1 + random.below(3);
    for (size_t c = 0; c < wanted * 4 && routines[i].callees.size() < wanted;
         ++c) {
      size_t target;
      if (random.chance(10) && i > 0) {
        target = i - 1 - random.below(i < 20 ? i : 20);
      } else {
        target = i + 1 + random.below(200);
      }
      if (target >= routines.size() || target == i) continue;
      const Routine& callee = routines[target];
      if (callee.isTask) continue;
      if (!callee.isPublic && callee.module != routines[i].module) continue;
      routines[i].callees.push_back(target);
    }
  }
  return routines;
}

std::string argumentsFor(const Routine& callee) {
  std::string args;
  for (size_t p = 0; p < callee.params.size(); ++p) {
    if (p > 0) args += ", ";
    args += std::to_string(p + 1);
  }
  return args;
}

void writeBody(std::ofstream& out, Random& random,
               const std::vector<Routine>& routines, const Routine& routine) {
  for (const Param& local : routine.locals) {
    out << "    Dim " << local.name << " As " << typeOf(local.size) << "\r\n";
  }
  out << "    Dim Count As Integer\r\n";
  out << "    Count = 0\r\n";
  if (random.chance(30)) out << "Retry:\r\n";
  for (size_t c = 0; c < routine.callees.size(); ++c) {
    const Routine& callee = routines[routine.callees[c]];
    const std::string args = argumentsFor(callee);
    switch (random.below(4)) {
      case 0:
        out << "    ' Hand the work to " << callee.name << " when ready.\r\n";
        break;
      case 1:
        out << "    Call PutQueue(OutQueue, \"" << callee.name
            << " starts\", 8)\r\n";
        break;
      default:
        break;
    }
    if (callee.isFunction) {
      out << "    Count = Count + " << callee.name << "(" << args << ")";
      if (random.chance(25)) {
        out << " _\r\n        + CInt(&H1F) * 2";
      }
      out << "\r\n";
    } else if (random.chance(50)) {
      out << "    Call " << callee.name << "(" << args << ")\r\n";
    } else {
      out << "    If Count > 12.5E-3 Then\r\n        Call " << callee.name
          << "(" << args << ")\r\n    End If\r\n";
    }
  }
  if (random.chance(20)) {
    out << "    For Count = 1 To 10\r\n        Call Delay(0.01)\r\n    "
           "Next\r\n";
  }
  if (routine.isFunction) {
    out << "    " << routine.name << " = Count\r\n";
  }
}

void writeModule(const std::filesystem::path& dir, Random& random,
                 const std::vector<Routine>& routines, size_t module,
                 size_t first, size_t last) {
  std::ofstream out(dir / (moduleName(module) + ".bas"), std::ios::binary);
  out << "' Module " << moduleName(module) << ": generated for benchmarks.\r\n";
  out << "Option Explicit\r\n\r\n";
  out << "Private OutQueue(1 To 20) As Byte\r\n";
  out << "Private TaskStack(1 To 40) As Byte\r\n\r\n";
  for (size_t i = first; i < last; ++i) {
    const Routine& routine = routines[i];
    out << "' " << routine.name << ": part of the generated call graph.\r\n";
    out << (routine.isPublic ? "Public " : "Private ")
        << (routine.isFunction ? "Function " : "Sub ") << routine.name << "(";
    for (size_t p = 0; p < routine.params.size(); ++p) {
      if (p > 0) out << ", ";
      if (p == 2) out << "_\r\n        ";
      out << "ByVal " << routine.params[p].name << " As "
          << typeOf(routine.params[p].size);
    }
    out << ")" << (routine.isFunction ? " As Integer" : "") << "\r\n";
    writeBody(out, random, routines, routine);
    if (i == first) {
      for (size_t t = first; t < last; ++t) {
        if (routines[t].isTask) {
          out << "    CallTask \"" << routines[t].name << "\", TaskStack\r\n";
          break;
        }
      }
    }
    out << (routine.isFunction ? "End Function\r\n\r\n" : "End Sub\r\n\r\n");
  }
}

void writeMap(const std::filesystem::path& path,
              const std::vector<Routine>& routines) {
  std::ofstream out(path, std::ios::binary);
  out << "BasicX Compiler map file (generated)\r\n\r\n";
  out << "RAM allocated: 157 bytes\r\n\r\n";
  unsigned address = 400;
  out << "FORMAL PARAMETERS\r\n  Address  Size  Name\r\n";
  for (const Routine& routine : routines) {
    for (const Param& param : routine.params) {
      out << "  " << address << "  " << param.size << "  "
          << moduleName(routine.module) << "." << routine.name << "."
          << param.name << "\r\n";
      address += param.size;
    }
  }
  out << "\r\nLOCAL VARIABLES\r\n  Address  Size  Name\r\n";
  for (const Routine& routine : routines) {
    for (const Param& local : routine.locals) {
      out << "  " << address << "  " << local.size << "  "
          << moduleName(routine.module) << "." << routine.name << "."
          << local.name << "\r\n";
      address += local.size;
    }
    out << "  " << address << "  2  " << moduleName(routine.module) << "."
        << routine.name << ".Count\r\n";
    address += 2;
  }
  out << "\r\nCODE MEMORY\r\n  0  100  " << moduleName(0) << ".Main\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr,
                 "usage: %s DIR NAME MODULES ROUTINES_PER_MODULE [SEED]\n",
                 argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const std::string name = argv[2];
  const size_t modules = std::strtoul(argv[3], nullptr, 10);
  const size_t perModule = std::strtoul(argv[4], nullptr, 10);
  const uint64_t seed = argc > 5 ? std::strtoull(argv[5], nullptr, 10) : 1;
  if (modules == 0 || perModule == 0) {
    std::fprintf(stderr, "MODULES and ROUTINES_PER_MODULE must be positive\n");
    return 2;
  }
  std::filesystem::create_directories(dir);
  Random random(seed);
  const std::vector<Routine> routines =
      planRoutines(random, modules, perModule);
  std::ofstream project(dir / (name + ".bxp"), std::ios::binary);
  for (size_t m = 0; m < modules; ++m) {
    project << moduleName(m) << ".bas\r\n";
    writeModule(dir, random, routines, m, m * perModule, (m + 1) * perModule);
  }
  writeMap(dir / (name + ".mpp"), routines);
  return 0;
}
