// The code table of a disc: what sensors on every track read at each step
// of the turn, taken from the disc as drawn (its geometry), not from the
// formulas of a code.  Written as CSV for people and as a C header with a
// lookup table from code to position for firmware.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "geometry/disc_geometry.h"

namespace vantor {

// One step between two code edges.  Angles in degrees, counter-clockwise
// from 3 o'clock, start < end; the steps follow each other round the turn
// from the first code edge at or after 3 o'clock, so the last step ends
// past 360 at the first step's start plus 360.
struct CodeStep {
  double start_deg = 0, end_deg = 0;
  // Bit n is what track n + 1 from the rim reads, 1 over an open area: the
  // outermost track is bit 0, the innermost the most significant bit.
  unsigned long code = 0;
  // The step's number counted from 0 in the table, when no other step
  // reads the same code.
  std::optional<long> position;
};

struct CodeTable {
  std::string problem;  // not empty: the drawing was not analysed, or has too many tracks
  int bits = 0;         // the tracks
  std::vector<CodeStep> steps;
  long distinct = 0;    // codes read somewhere on the turn
  long repeated = 0;    // codes read on more than one step
  // Codes read forward over one half-turn and back over the other, as a
  // Grey disc reads them: every code on two steps, but for at most two read
  // once, over the double step where the sequence turns.
  bool back_and_forth = false;
};

// At most this many tracks make a code table (a code must fit the C
// header's lookup table).
inline constexpr int kMaxCodeBits = 20;

CodeTable code_table(const DiscGeometry& geometry);

// A header row "start_deg,end_deg,code,bits,position", then one row a step:
// the angles with six decimals, the code in decimal and as binary digits
// (the innermost track first), the position or nothing.
std::string code_table_csv(const CodeTable& table);
// A C header: the number of bits and steps and a table from every code of
// `bits` bits to its position, -1 where the code is not read or is read
// more than once.
std::string code_table_header(const CodeTable& table);

}  // namespace vantor
