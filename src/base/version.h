// The version of Memtally. The build sets it once, from the project version
// in CMakeLists.txt, so the banner, --version and the documents agree.
#ifndef MEMTALLY_BASE_VERSION_H_
#define MEMTALLY_BASE_VERSION_H_

#ifndef MEMTALLY_VERSION
#error "MEMTALLY_VERSION is defined by the build (CMakeLists.txt)"
#endif

namespace memtally {

// The version number alone: "0.7".
inline constexpr char kVersion[] = MEMTALLY_VERSION;

// What --version prints: "Memtally v0.7" and a newline.
inline constexpr char kVersionLine[] = "Memtally v" MEMTALLY_VERSION "\n";

// The banner printed first by every report: the version line and an empty
// line.
inline constexpr char kBanner[] = "Memtally v" MEMTALLY_VERSION "\n\n";

}  // namespace memtally

#endif  // MEMTALLY_BASE_VERSION_H_
