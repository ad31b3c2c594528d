#include "request/process.h"

#include <algorithm>
#include <cmath>

#include "common/numtext.h"
#include "surface/surface.h"

namespace vantor {

namespace {

constexpr double kMaxFigure = 1e6;
// The thinnest metal line photo-etching holds, 0.003 in.
constexpr double kEtchFloorUm = 76.2;

constexpr ProcessFigure kFilm[] = {{"feature", "\u00b5m", 16}};
constexpr ProcessFigure kEtch[] = {{"thickness", "\u00b5m", 100}};
constexpr ProcessFigure kLaser[] = {{"kerf", "\u00b5m", 200}, {"web", "\u00b5m", 500}};
constexpr ProcessFigure kPcb[] = {{"trace", "\u00b5m", 200}, {"space", "\u00b5m", 150}};
constexpr ProcessFigure kToner[] = {
    {"dpi", "dots per inch", 600}, {"spread", "\u00b5m", 25}, {"line", "\u00b5m", 150}, {"space", "\u00b5m", 200}};

constexpr ProcessPreset kPresets[] = {
    {ProcessKind::Film, "film", "photoplotted film", kFilm,
     "JD Photo-Data, \"Large format film resolutions\" (20,000 dpi: lines down to 16 \u00b5m)"},
    {ProcessKind::Etch, "etch", "photo-etched metal", kEtch, "Tech-Etch, \"Design guide: flat parts photo etching\""},
    {ProcessKind::Laser, "laser", "laser-cut sheet", kLaser,
     "Ponoko, \"How much material does the laser burn away?\"; Cut Laser Cut, \"Understanding the kerf\""},
    {ProcessKind::Pcb, "pcb", "copper on a board", kPcb, "AISLER, \"2 Layer Simple design rules\""},
    {ProcessKind::Toner, "toner", "laser printer on transparency", kToner,
     "Hackaday, \"Take your PCBs from good to great: toner transfer\"; \"Thinnest line on a laser printer\" "
     "(pcreview.co.uk)"},
};

std::string trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

// "110", "76.2": micrometres to a tenth.
std::string um(double v) { return general_text(std::round(v * 10) / 10) + " \u00b5m"; }

std::string not_read(const std::string& why) { return "The process's figures do not read: " + why + "."; }

}  // namespace

std::span<const ProcessPreset> process_presets() { return kPresets; }

const ProcessPreset& preset_of(ProcessKind kind) {
  return *std::find_if(std::begin(kPresets), std::end(kPresets), [kind](const ProcessPreset& p) { return p.kind == kind; });
}

ProcessRules process_rules(const Process& process) {
  const auto& f = process.figures;
  ProcessRules r;
  const std::string name(preset_of(process.kind).name);
  switch (process.kind) {
    case ProcessKind::Film:
      r.open_um = r.dark_um = f[0];
      r.open_rule = r.dark_rule = name + ": the smallest feature, " + um(f[0]);
      break;
    case ProcessKind::Etch:
      r.open_um = std::max(1.1 * f[0], kEtchFloorUm);
      r.dark_um = std::max(f[0], kEtchFloorUm);
      r.open_rule = name + ": an opening at least 1.1 x the thickness (" + um(1.1 * f[0]) + ") and " + um(kEtchFloorUm);
      r.dark_rule = name + ": a web at least the thickness (" + um(f[0]) + ") and " + um(kEtchFloorUm);
      break;
    case ProcessKind::Laser:
      r.open_um = f[0];
      r.dark_um = f[1];
      r.open_rule = name + ": a cut at least the kerf, " + um(f[0]);
      r.dark_rule = name + ": the smallest web, " + um(f[1]);
      r.proposed_bias_um = -f[0] / 2;
      break;
    case ProcessKind::Pcb:
      r.open_um = f[1];
      r.dark_um = f[0];
      r.open_rule = name + ": the smallest space, " + um(f[1]);
      r.dark_rule = name + ": the smallest trace, " + um(f[0]);
      break;
    case ProcessKind::Toner: {
      const double dots = 2 * kMicrometresPerInch / f[0];
      r.open_um = std::max(f[3], dots);
      r.dark_um = std::max(f[2], dots);
      r.open_rule = name + ": the smallest space, " + um(f[3]) + ", and 2 dots at " + general_text(f[0]) + " dpi (" +
                    um(dots) + ")";
      r.dark_rule = name + ": the thinnest line, " + um(f[2]) + ", and 2 dots at " + general_text(f[0]) + " dpi (" +
                    um(dots) + ")";
      r.proposed_bias_um = f[1];
      r.spreads_dark = true;
      break;
    }
  }
  return r;
}

double proposed_bias(const Process& process, bool inverse_drawing) {
  const ProcessRules r = process_rules(process);
  return inverse_drawing && r.spreads_dark ? -r.proposed_bias_um : r.proposed_bias_um;
}

std::variant<Process, std::string> process_with_figures(ProcessKind kind, std::string_view text) {
  const ProcessPreset& preset = preset_of(kind);
  Process p{kind, {}};
  for (const ProcessFigure& f : preset.figures) p.figures.push_back(f.value);
  if (trim(text).empty()) return p;
  std::size_t from = 0;
  while (from <= text.size()) {
    const std::size_t comma = std::min(text.find(',', from), text.size());
    const std::string item = trim(text.substr(from, comma - from));
    from = comma + 1;
    const std::size_t eq = item.find('=');
    if (eq == std::string::npos)
      return not_read("\"" + item + "\" is not KEY=VALUE");
    const std::string key = trim(std::string_view(item).substr(0, eq));
    const std::string value = trim(std::string_view(item).substr(eq + 1));
    const auto at = std::find_if(preset.figures.begin(), preset.figures.end(),
                                 [&key](const ProcessFigure& f) { return f.key == key; });
    if (at == preset.figures.end()) {
      std::string keys;
      for (const ProcessFigure& f : preset.figures) keys += (keys.empty() ? "" : ", ") + std::string(f.key);
      return not_read(std::string(preset.name) + " has no figure \"" + key + "\" (its figures: " + keys + ")");
    }
    const std::optional<double> v = parse_number(value);
    if (!v || !(*v > 0) || *v > kMaxFigure)
      return not_read(std::string(at->key) + " takes a number above 0 (" + std::string(at->unit) + "), not \"" + value +
                      "\"");
    p.figures[static_cast<std::size_t>(at - preset.figures.begin())] = *v;
  }
  return p;
}

std::variant<Process, std::string> parse_process(std::string_view text) {
  const std::size_t colon = text.find(':');
  const std::string name = trim(text.substr(0, colon));
  const auto at = std::find_if(std::begin(kPresets), std::end(kPresets),
                               [&name](const ProcessPreset& p) { return p.name == name; });
  if (at == std::end(kPresets)) return "no process \"" + name + "\": the processes are " + process_names();
  return process_with_figures(at->kind, colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1));
}

std::string figures_text(const Process& process) {
  const ProcessPreset& preset = preset_of(process.kind);
  std::string s;
  for (std::size_t i = 0; i < preset.figures.size(); ++i)
    s += (i ? ", " : "") + std::string(preset.figures[i].key) + "=" + general_text(process.figures[i]);
  return s;
}

std::string process_description(const Process& process) {
  const ProcessPreset& preset = preset_of(process.kind);
  std::string s = std::string(preset.name) + " (" + std::string(preset.title) + "):";
  for (std::size_t i = 0; i < preset.figures.size(); ++i) {
    const ProcessFigure& f = preset.figures[i];
    const std::string value = general_text(process.figures[i]);
    s += (i ? ", " : " ") + (f.key == "dpi" ? value + " dpi" : std::string(f.key) + " " + value + " " + std::string(f.unit));
  }
  return s;
}

std::string process_names() {
  std::string s;
  for (std::size_t i = 0; i < std::size(kPresets); ++i)
    s += (i == 0 ? "" : i + 1 == std::size(kPresets) ? " or " : ", ") + std::string(kPresets[i].name);
  return s;
}

}  // namespace vantor
