// The design report: the numbers of a disc that matter for manufacture and
// for the encoder's electronics, read from the drawing itself (its disc geometry),
// as plain text for a dialog or standard output and as numbers.
//
// Lengths are in the artwork's unit (mm or in); widths along a track are
// arc lengths at the track's middle radius; angles play no part in the
// text.  Numbers are written without the locale ("0.0625").
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "export/artwork.h"

namespace vantor {

struct TrackNumbers {
  double inner = 0, outer = 0;  // radii
  double middle = 0;            // (inner + outer) / 2
  double width = 0;             // outer - inner, radial
  int slot_count = 0;           // = cycles per revolution
  bool slots_open = true;       // clear slots on a dark disc (the normal drawing)
  // Arc lengths at the middle radius, smallest and largest.  A track whose
  // one slot is the whole ring has no bars (bars = 0, widths 0).
  double slot_min = 0, slot_max = 0;
  int bars = 0;
  double bar_min = 0, bar_max = 0;
  double lines_per_inch = 0;  // slots / (2 pi middle), the middle in inches
};

// A feature that misses a minimum of the check: its size and each minimum
// it falls below with the rule that sets it.
struct CheckFailure {
  std::string what;  // "the narrowest slot of track 3 at its inner radius (clear)"
  double size_um = 0;
  std::vector<std::pair<double, std::string>> missed;  // (minimum in µm, rule)
};

struct DesignNumbers {
  // Not empty: the drawing was not analysed, and nothing else is set but
  // `process` (such a drawing fails the check: nothing of it can be measured).
  std::string problem;
  Unit unit = Unit::Inch;
  double dpi = 96;
  bool mirror = false, negative = false;  // the film options
  double rim_radius = 0, shaft_radius = 0;
  bool inverse = false;
  bool sensor_mask = false;  // a sensor mask: its tracks' slots are windows
  std::vector<TrackNumbers> tracks;  // track 1 (the outermost) first

  // Two tracks with one slot count N >= 2 a quarter cycle apart (channels A
  // and B): indices into tracks, and 4 N counts per revolution; -1 and 0
  // when there is no such pair.
  int quadrature_a = -1, quadrature_b = -1;
  long long quadrature_counts = 0;
  // Tracks from the rim inwards with 2^(k-1), ..., 2, 1 slots (Binary and
  // Grey) or 2^(k-2), ..., 2, 1, 1 slots (Gray over the whole turn), k >= 2,
  // are a k-bit absolute code of 2^k positions; 0 and 0 otherwise.
  int code_bits = 0;
  long long code_positions = 0;
  // Of such a code, read from the disc as drawn (export/code_table.h): the
  // steps a turn, the codes read on more than one step, and whether the
  // codes run forward and back (Grey).
  long code_steps = 0;
  long code_repeated = 0;
  bool code_back_and_forth = false;

  // The smallest slot or bar width or radial track width; 0 without tracks.
  double smallest_feature = 0;
  std::string smallest_feature_what;  // e.g. "the slots of track 3"
  double smallest_feature_pixels = 0; // at dpi

  bool tiny_feature = false;  // smallest_feature_pixels < 2
  bool into_shaft = false;    // a track reaches into or touches the shaft hole
  bool overlap = false;       // tracks overlap or touch
  bool beyond_rim = false;    // a track reaches the rim
  std::vector<std::string> warnings;  // one sentence each, as in the text

  double bias_um = 0;  // the edge compensation the numbers include
  // The manufacturability check, when a process is chosen: every track's
  // narrowest slot and bar at its inner radius and its radial width, and the
  // gaps between the rim, the tracks and the shaft hole, each against the
  // process's narrowest clear or dark feature (as the drawing's polarity
  // makes it) and against two pixels at dpi.
  std::optional<Process> process;
  int checked_features = 0;
  std::vector<CheckFailure> check_failures;  // empty: every feature passes
  bool check_failed() const { return process && (!problem.empty() || !check_failures.empty()); }
};

DesignNumbers design_numbers(const Artwork& artwork);

// The report's text, lines ending in '\n'; the reason when the drawing
// cannot be analysed.  With a process it ends in the check's verdict.
std::string design_report(const DesignNumbers& numbers);
std::string design_report(const Artwork& artwork);
// The check's lines alone: the verdict and a line for each failure.
std::string check_text(const DesignNumbers& numbers);

}  // namespace vantor
