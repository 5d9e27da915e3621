// The few printf-style conversions the report and the messages use, built
// without a locale and without a size limit on names.
#ifndef MEMTALLY_BASE_FORMAT_H_
#define MEMTALLY_BASE_FORMAT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace memtally {

// Appends value in decimal, right-aligned in at least `width` columns padded
// with `fill` ("%4u", "%6u", "%7u", or "%02u" with '0'); a wider number
// takes more columns.
void appendUnsigned(std::string& out, uint64_t value, int width = 0,
                    char fill = ' ');

// Appends text left-aligned, padded with blanks to `width` and cut after
// `width` characters ("%-35.35s").
void appendColumn(std::string& out, std::string_view text, size_t width);

// Appends `count` blanks ("%23.23s" with an empty text).
void appendBlanks(std::string& out, size_t count);

// Returns value in decimal ("%u", "%lu").
std::string decimal(uint64_t value);

}  // namespace memtally

#endif  // MEMTALLY_BASE_FORMAT_H_
