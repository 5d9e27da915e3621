// The text of --path: the deepest call chain of the top routine and of every
// task, printed after the estimate.
#ifndef MEMTALLY_REPORT_CHAIN_LISTING_H_
#define MEMTALLY_REPORT_CHAIN_LISTING_H_

#include "base/console.h"
#include "analysis/analysis.h"

namespace memtally {

// Prints an empty line, then one block per chain start (the top routine,
// then every task in table order), the blocks separated by empty lines:
//   Deepest call chain from Main.Main (51 bytes):
//     Main.Main                           15 + 0 + 2 = 17
// A chain that reaches a routine an earlier block lists ends there with
//     ... continues as listed above from Serial.SendNumber
// In bound mode a lower bound's heading says "(at least 51 bytes)", a
// recursion is one step, with the members of one of several below it,
//     Sensor.ReadSensor (recursion)       3 x 11 = 33
//       of Sensor.ReadSensor, Sensor.Recalibrate
//     Serial.SendNumber (recursion)       1 x 11 = 11  (depth unknown: counted once)
// a routine whose stack annotation is its total ends the chain,
//     Serial.Parse                        80 (stack annotation)
// and so does the external routine whose annotated size gave the last
// step's callee bytes:
//     Delay                               12 (outside the project, annotated)
void printCallChains(Console& console, const Analysis& analysis);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_CHAIN_LISTING_H_
