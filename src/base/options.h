// The option word: the listings asked for on the command line, and the bit
// that marks the definitions pass over the modules.
#ifndef MEMTALLY_BASE_OPTIONS_H_
#define MEMTALLY_BASE_OPTIONS_H_

namespace memtally {

inline constexpr int OPT_DETAIL = 0x01;   // -d: detailed analysis listing
inline constexpr int OPT_UNUSED = 0x02;   // -u: unused routines listing
inline constexpr int OPT_CALLERS = 0x04;  // -c: collect and list callers
// Set only while the modules are scanned for definitions.
inline constexpr int SCAN_DEFINITIONS = 0x8000;

}  // namespace memtally

#endif  // MEMTALLY_BASE_OPTIONS_H_
