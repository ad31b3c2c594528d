#include "export/code_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <unordered_map>

namespace vantor {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kDegrees = 180 / std::numbers::pi;

// Whether the track is open at angle a in [0, 2pi), an angle on no edge.
bool open_at(const DiscTrack& t, double a) {
  const std::vector<AngleInterval>& arcs = t.slot_arcs;
  bool in_slot = false;
  if (!arcs.empty() && arcs.back().start > arcs.back().end)  // the one through 0, last
    in_slot = a >= arcs.back().start || a <= arcs.back().end;
  if (!in_slot) {
    // The last interval starting at or before a; intervals are disjoint.
    auto after = std::upper_bound(arcs.begin(), arcs.end(), a,
                                  [](double v, const AngleInterval& i) { return v < i.start; });
    if (after != arcs.begin()) {
      const AngleInterval& i = *std::prev(after);
      in_slot = i.full_turn() || (i.start <= i.end && a <= i.end);
    }
  }
  return in_slot == t.slots_open;
}

std::string fixed6(double v) {
  char buf[64];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6).ptr);
}

}  // namespace

CodeTable code_table(const DiscGeometry& geometry) {
  CodeTable table;
  if (!geometry.analysed()) {
    table.problem = geometry.problem;
    return table;
  }
  const std::vector<DiscTrack>& tracks = geometry.tracks;
  if (tracks.empty()) {
    table.problem = "the disc has no tracks";
    return table;
  }
  if (tracks.size() > kMaxCodeBits) {
    table.problem = "the disc has " + std::to_string(tracks.size()) + " tracks; a code table holds at most " +
                    std::to_string(kMaxCodeBits);
    return table;
  }
  table.bits = static_cast<int>(tracks.size());

  std::vector<double> edges;
  for (const DiscTrack& t : tracks)
    for (const AngleInterval& i : t.slot_arcs)
      if (!i.full_turn())
        for (double e : {i.start, i.end}) edges.push_back(e >= kTwoPi ? 0.0 : e);
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  if (edges.empty()) edges.push_back(0.0);  // one code all round

  // The code of each step from one edge to the next, the last running
  // through 0 to the first.
  const std::size_t m = edges.size();
  std::vector<unsigned long> codes(m);
  for (std::size_t k = 0; k < m; ++k) {
    const double end = k + 1 < m ? edges[k + 1] : edges[0] + kTwoPi;
    const double middle = std::fmod((edges[k] + end) / 2, kTwoPi);
    for (std::size_t t = 0; t < tracks.size(); ++t)
      if (open_at(tracks[t], middle)) codes[k] |= 1ul << t;
  }

  // Steps of one code run together; the table starts at the first edge
  // where the code changes.
  std::size_t first = 0;
  while (first < m && codes[first] == codes[(first + m - 1) % m]) ++first;
  if (first == m) first = 0;
  for (std::size_t n = 0; n < m; ++n) {
    const std::size_t k = (first + n) % m;
    const double start = (edges[k] + (k < first ? kTwoPi : 0.0)) * kDegrees;
    if (n > 0 && codes[k] == table.steps.back().code) continue;
    if (!table.steps.empty()) table.steps.back().end_deg = start;
    table.steps.push_back({start, 0, codes[k], std::nullopt});
  }
  table.steps.back().end_deg = (edges[first] + kTwoPi) * kDegrees;

  std::unordered_map<unsigned long, int> seen;
  for (const CodeStep& s : table.steps) ++seen[s.code];
  table.distinct = static_cast<long>(seen.size());
  long once = 0, more = 0;
  for (const auto& [code, count] : seen) {
    table.repeated += count > 1;
    once += count == 1;
    more += count > 2;
  }
  table.back_and_forth = table.repeated > 0 && more == 0 && once <= 2;
  for (std::size_t n = 0; n < table.steps.size(); ++n)
    if (seen[table.steps[n].code] == 1) table.steps[n].position = static_cast<long>(n);
  return table;
}

std::string code_table_csv(const CodeTable& table) {
  std::string s = "start_deg,end_deg,code,bits,position\n";
  for (const CodeStep& step : table.steps) {
    std::string bits;
    for (int b = table.bits - 1; b >= 0; --b) bits += (step.code >> b) & 1 ? '1' : '0';
    s += fixed6(step.start_deg) + "," + fixed6(step.end_deg) + "," + std::to_string(step.code) + "," + bits + "," +
         (step.position ? std::to_string(*step.position) : std::string()) + "\n";
  }
  return s;
}

std::string code_table_header(const CodeTable& table) {
  std::vector<long> position(std::size_t{1} << table.bits, -1);
  for (const CodeStep& step : table.steps)
    if (step.position) position[step.code] = *step.position;
  const std::string bits = std::to_string(table.bits), steps = std::to_string(table.steps.size());
  std::string s =
      "/* The code table of an encoder disc, written by Vantor: " + bits + " tracks, " + steps +
      " steps a turn.\n"
      "   disc_code_position[code] is the step at which the sensors read `code`, the steps counted\n"
      "   from 0 counter-clockwise from the first code edge at or after 3 o'clock; the innermost\n"
      "   track is the most significant bit, and an open area reads 1.  -1: the code is not read,\n"
      "   or is read at more than one step. */\n"
      "#ifndef DISC_CODE_TABLE_H\n#define DISC_CODE_TABLE_H\n\n#include <stdint.h>\n\n"
      "#define DISC_CODE_BITS " + bits + "\n#define DISC_CODE_STEPS " + steps + "\n\n"
      "static const int32_t disc_code_position[" + std::to_string(position.size()) + "] = {";
  for (std::size_t c = 0; c < position.size(); ++c)
    s += std::string(c % 16 == 0 ? "\n   " : "") + " " + std::to_string(position[c]) + ",";
  s += "\n};\n\n#endif\n";
  return s;
}

}  // namespace vantor
