// The ways of making a disc, each a named set of figures that can be
// edited ("laser:kerf=150"), and what they make of the artwork: the
// narrowest open (clear) and dark feature the process holds, and the bias
// (geometry/bias.h) it proposes.  Lengths are micrometres.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vantor {

enum class ProcessKind { Film, Etch, Laser, Pcb, Toner };

struct ProcessFigure {
  std::string_view key;    // as typed: "kerf"
  std::string_view unit;   // "µm", or "dots per inch"
  double value;            // the preset's figure
};

struct ProcessPreset {
  ProcessKind kind;
  std::string_view name;   // as typed: "laser"
  std::string_view title;  // "laser-cut sheet"
  std::span<const ProcessFigure> figures;
  std::string_view source;  // the published design rules the figures come from
};

// Every preset, in the order --help and the export dialog list them.
std::span<const ProcessPreset> process_presets();
const ProcessPreset& preset_of(ProcessKind kind);

// A process with its figures, one for each of its preset's, in that order.
struct Process {
  ProcessKind kind = ProcessKind::Film;
  std::vector<double> figures;
  bool operator==(const Process&) const = default;
};

// What a process makes of the artwork.
struct ProcessRules {
  double open_um = 0;  // the narrowest clear feature (a gap, a slot of the normal drawing)
  double dark_um = 0;  // the narrowest dark feature (a bar, a web, a trace)
  // Each rule as the check names it: "etch: at least 1.1 x thickness
  // (110.0 µm) and 76.2 µm".
  std::string open_rule, dark_rule;
  // The bias proposed for clear slots (the normal drawing).  A kerf widens
  // what the laser cuts whatever the artwork's colours; toner spreads the
  // dark, so that dark slots take the opposite.
  double proposed_bias_um = 0;
  bool spreads_dark = false;
};
ProcessRules process_rules(const Process& process);
// The bias the process proposes for the slots of a drawing of that polarity.
double proposed_bias(const Process& process, bool inverse_drawing);

// A preset's figures edited by "KEY=VALUE,..." (blanks around items
// allowed; empty: the preset's figures), or the sentence that says why the
// text does not read ("The process's figures do not read: ...").  A value
// is a number above 0 and at most 10^6.
std::variant<Process, std::string> process_with_figures(ProcessKind kind, std::string_view figures);
// "NAME[:KEY=VALUE,...]", as --process takes it.
std::variant<Process, std::string> parse_process(std::string_view text);

// "kerf=200, web=500": what process_with_figures reads back.
std::string figures_text(const Process& process);
// "laser (laser-cut sheet): kerf 200 µm, web 500 µm"; "toner (...): 600 dpi, ..."
std::string process_description(const Process& process);
// "film, etch, laser, pcb or toner"
std::string process_names();

}  // namespace vantor
