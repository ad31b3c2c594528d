#include "render/render_args.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <vector>

#include "absolute/absolute_fields.h"

namespace vantor {

namespace {

std::optional<int> whole_number_in(std::string_view text, int min, int max) {
  const std::optional<int> v = control_detail::whole_number(text);
  if (!v || *v < min || *v > max) return std::nullopt;
  return v;
}

// The lines of --help for one window's controls, from its table and the
// design-time values.
template <class Values>
std::string control_list(const ControlTable<Values>& table, Values defaults) {
  std::string texts, checks, positions, options, displays;
  std::string group;
  // Items wrapped to lines of at most 78 characters, each indented.
  auto item = [](std::string& list, const std::string& text) {
    constexpr std::size_t kWidth = 78;
    const std::string indent = "    ";
    if (list.empty()) {
      list = indent + text;
      return;
    }
    const std::size_t line_start = list.rfind('\n') + 1;  // 0 on the first line
    list += (list.size() - line_start + 1 + text.size() > kWidth ? "\n" + indent : std::string(" ")) + text;
  };
  for (const ControlField<Values>& f : table) {
    switch (f.kind) {
      case ControlKind::TextBox:
        item(texts, f.name + "=\"" + f.text(defaults) + "\"");
        break;
      case ControlKind::CheckBox:
        item(checks, f.name + "=" + (f.flag(defaults) ? "1" : "0"));
        break;
      case ControlKind::Position:
        item(positions, f.name + "=" + integer_text(f.position(defaults)) + " (" + integer_text(f.min) + " to " +
                            integer_text(f.max) + ")");
        break;
      case ControlKind::Option: {
        std::string text = f.name + (f.selected(defaults) ? "*" : "");
        if (f.group == group) {
          options += " | " + text;
        } else {
          group = f.group;
          options += (options.empty() ? "" : "\n") + std::string("    ") + f.group + ": " + text;
        }
        break;
      }
      case ControlKind::Display:
        item(displays, f.name);
        break;
    }
  }
  std::string out;
  out += "  text boxes, NAME=TEXT as typed (design-time text shown):\n" + texts + "\n";
  if (!checks.empty()) out += "  check boxes, NAME=1 checked or NAME=0:\n" + checks + "\n";
  out += "  scroll bars and sliders, NAME=N:\n" + positions + "\n";
  out += "  option buttons, BUTTON selects it (* selected at design time):\n" + options + "\n";
  out += "  displays, not inputs:\n" + displays + "\n";
  return out;
}

// The options that switch something on: given at most once, with no value.
struct Switch {
  std::string_view name;
  bool RenderRequest::*field;
};
const Switch kSwitches[] = {{"--inverse", &RenderRequest::inverse}, {"--crop", &RenderRequest::crop},
                            {"--mirror", &RenderRequest::mirror},   {"--negative", &RenderRequest::negative},
                            {"--report", &RenderRequest::report},   {"--progress", &RenderRequest::progress},
                            {"--check", &RenderRequest::check},     {"--marks", &RenderRequest::marks},
                            {"--target-in-hole", &RenderRequest::target_in_hole}};

constexpr double kMaxBiasUm = 100000;

}  // namespace

std::variant<RenderRequest, UsageError, HelpRequest, DesignFileError> parse_render_args(
    std::span<const std::string> args) {
  if (std::find_if(args.begin(), args.end(), [](const std::string& a) { return a == "--help" || a == "-h"; }) !=
      args.end())
    return HelpRequest{};
  if (args.empty()) return UsageError{"say what to draw: incremental, absolute or a design file (.vantor)"};
  RenderRequest request;
  std::string design_file;
  if (args[0] == "incremental")
    request.kind = DiscKind::Incremental;
  else if (args[0] == "absolute")
    request.kind = DiscKind::Absolute;
  else if (is_design_file_name(args[0]))
    design_file = args[0];
  else
    return UsageError{"the first argument is the kind of disc, incremental or absolute, or a design file "
                      "(.vantor), not \"" + args[0] + "\""};

  std::vector<ControlEntry> entries;
  bool have_dpi = false, have_output = false, have_bias = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    // An option's value follows it, or is attached: --dpi=600, -ofile.bmp.
    std::string a = args[i];
    std::optional<std::string> attached;
    if (const std::size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
      attached = a.substr(eq + 1);
      a.resize(eq);
    } else if (a.rfind("-o", 0) == 0 && a.size() > 2) {
      attached = a.substr(2);
      a = "-o";
    }
    auto value = [&]() -> std::optional<std::string> {
      if (attached) return attached;
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };
    const auto* const on_off = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                            [&a](const Switch& s) { return s.name == a; });
    if (on_off != std::end(kSwitches)) {
      if (attached) return UsageError{a + " takes no value"};
      if (request.*on_off->field) return UsageError{a + " is given twice"};
      request.*on_off->field = true;
    } else if (a == "--mask") {
      if (attached) return UsageError{a + " takes no value"};
      if (request.drawing == IncDrawing::SensorMask) return UsageError{a + " is given twice"};
      request.drawing = IncDrawing::SensorMask;
    } else if (a == "--dpi") {
      if (have_dpi) return UsageError{"--dpi is given twice"};
      const std::optional<std::string> text = value();
      if (!text) return UsageError{"--dpi needs a value"};
      const std::optional<int> dpi = whole_number_in(*text, 1, kMaxDpi);
      if (!dpi)
        return UsageError{"--dpi takes a whole number of pixels per inch from 1 to " + integer_text(kMaxDpi) +
                          ", not \"" + *text + "\""};
      request.dpi = *dpi;
      have_dpi = true;
    } else if (a == "--bias") {
      if (have_bias) return UsageError{"--bias is given twice"};
      const std::optional<std::string> text = value();
      if (!text) return UsageError{"--bias needs a value"};
      const std::optional<double> bias = parse_number(*text);
      if (!bias || std::fabs(*bias) > kMaxBiasUm)
        return UsageError{"--bias takes micrometres from -" + integer_text(kMaxBiasUm) + " to " +
                          integer_text(kMaxBiasUm) + ", not \"" + *text + "\""};
      request.bias_um = *bias;
      have_bias = true;
    } else if (a == "--process") {
      if (request.process) return UsageError{"--process is given twice"};
      const std::optional<std::string> text = value();
      if (!text) return UsageError{"--process needs a value"};
      auto process = parse_process(*text);
      if (std::string* why = std::get_if<std::string>(&process)) return UsageError{*why};
      request.process = std::get<Process>(process);
    } else if (a == "-o" || a == "--output") {
      if (have_output) return UsageError{"the output file is given twice"};
      const std::optional<std::string> path = value();
      if (!path) return UsageError{a + " needs a value"};
      if (path->empty()) return UsageError{"the output file name is empty"};
      const std::optional<FileFormat> format = format_of_path(*path);
      if (!format || format_info(*format).code_table)
        return UsageError{"the output file \"" + *path + "\" must end in " + extension_list()};
      request.output = *path;
      request.format = *format;
      have_output = true;
    } else if (a == "--save-design") {
      if (!request.save_design.empty()) return UsageError{"--save-design is given twice"};
      const std::optional<std::string> path = value();
      if (!path) return UsageError{"--save-design needs a value"};
      if (!is_design_file_name(*path)) return UsageError{"the design file \"" + *path + "\" must end in .vantor"};
      request.save_design = *path;
    } else if (a == "--code-table") {
      if (!request.code_table.empty()) return UsageError{"--code-table is given twice"};
      const std::optional<std::string> path = value();
      if (!path || path->empty()) return UsageError{"--code-table needs a value"};
      const std::optional<FileFormat> format = format_of_path(*path);
      if (!format || !format_info(*format).code_table)
        return UsageError{"the code table \"" + *path + "\" must end in " + extension_list(FormatGroup::CodeTable)};
      request.code_table = *path;
    } else if (!a.empty() && a[0] == '-') {
      return UsageError{"no option \"" + a + "\""};
    } else if (const std::size_t eq = a.find('='); eq != std::string::npos) {
      entries.push_back({a.substr(0, eq), a.substr(eq + 1)});
    } else {
      entries.push_back({a, std::nullopt});
    }
  }

  if (!design_file.empty()) {
    auto read = read_design_file(design_file, design_file);
    if (DesignFileError* unreadable = std::get_if<DesignFileError>(&read)) return std::move(*unreadable);
    const DiscRequest& design = std::get<DiscRequest>(read);
    request.kind = design.kind;
    request.incremental = design.incremental;
    request.absolute = design.absolute;
  }
  if (request.inverse && request.kind == DiscKind::Absolute)
    return UsageError{"--inverse draws incremental discs only"};
  if (request.target_in_hole && !request.marks) return UsageError{"--target-in-hole is one of the --marks"};
  if (request.drawing == IncDrawing::SensorMask && request.kind == DiscKind::Absolute)
    return UsageError{"--mask draws the sensor mask of incremental discs only"};
  if (!request.code_table.empty() && request.kind == DiscKind::Incremental)
    return UsageError{"--code-table is for absolute discs only"};
  const std::optional<std::string> refused =
      request.kind == DiscKind::Incremental
          ? enter_controls(incremental_fields(), request.incremental, std::span<const ControlEntry>(entries))
          : enter_controls(absolute_fields(), request.absolute, std::span<const ControlEntry>(entries));
  if (refused) return UsageError{*refused};
  if (request.check && !request.process) return UsageError{"--check needs --process NAME (" + process_names() + ")"};
  if (!have_output && !request.report && !request.check && request.save_design.empty() && request.code_table.empty())
    return UsageError{"no output file: give -o FILE (" + extension_list() +
                      "), --report, --check, --save-design FILE or --code-table FILE"};
  return request;
}

ExportRequest RenderRequest::code_table_request() const {
  ExportRequest r = *this;
  r.output = code_table;
  r.format = *format_of_path(code_table);
  return r;
}

namespace {

// The presets for --help: a line each with its figures, then its source.
std::string process_help() {
  std::string s;
  for (const ProcessPreset& p : process_presets()) {
    std::string figures;
    for (const ProcessFigure& f : p.figures)
      figures += (figures.empty() ? "" : ",") + std::string(f.key) + "=" + general_text(f.value);
    s += "                " + std::string(p.name) + ":" + figures + "  " + std::string(p.title) + "\n";
  }
  s += "              (lengths in micrometres; README: Made for a process)\n";
  return s;
}

}  // namespace

std::string render_usage() {
  std::string u =
      "Usage:\n"
      "  vantor-render incremental [NAME=TEXT | BUTTON]... [--inverse] [--mask] [OPTION]...\n"
      "  vantor-render absolute    [NAME=TEXT | BUTTON]... [OPTION]...\n"
      "  vantor-render FILE.vantor [NAME=TEXT | BUTTON]... [OPTION]...\n"
      "\n"
      "Draws one disc as its design window does when freshly opened (or when the\n"
      "design file FILE.vantor, saved by a window's \"Save Design...\" or by\n"
      "--save-design, is opened in it), the entries made, \"Draw\" (\"Draw Inverse\"\n"
      "with --inverse) clicked and the picture saved.  Entries are made in the\n"
      "order given, after the file's values, which they override; a control that\n"
      "is not named keeps its value.  NAME=TEXT types TEXT into a text box, sets a\n"
      "check box (0 or 1) or moves a scroll bar or slider; a balance box is then\n"
      "validated as when the focus leaves it (clamped to " + integer_text(-kBalanceLimit) + " ... " +
      integer_text(kBalanceLimit) + ", its scroll bar\n"
      "moved).  A bare BUTTON selects an option button.  Give -o FILE, --report,\n"
      "--save-design FILE, --code-table FILE or more than one of them.\n"
      "\n"
      "  -o FILE, --output FILE\n"
      "              the file to write; its extension gives the format: .bmp,\n"
      "              .png and .tif (CCITT Group 4) 1 bit a pixel, .svg and .pdf\n"
      "              the disc as one path of closed outlines (rim, shaft hole,\n"
      "              slots), .gbr Gerber RS-274X (the disc dark, the shaft hole and\n"
      "              slots clear regions), .dxf R12 outlines of the open areas and\n"
      "              the rim; all at true size\n"
      "  --dpi P     pixels per inch, 1 to " + integer_text(kMaxDpi) + "; the picture area stays 13000 x 9000\n"
      "              twips (default 96: the file the window saves, pixel for pixel);\n"
      "              in vector files the outlines are one such pixel wide\n"
      "  --crop      only the disc's bounding square, with a margin of 1 % of its\n"
      "              diameter (widened to hold the --marks); the pixels are those\n"
      "              of the whole picture\n"
      "  --inverse   the inverse drawing (incremental only)\n"
      "  --mask      incremental only: the sensor mask instead of the disc, on the\n"
      "              same picture area with the same options, so that the files of\n"
      "              the two lie on each other: on each channel's ring, Mask_windows\n"
      "              windows (one on an Index track) one slot wide and one cycle\n"
      "              apart, centred on Mask_angle (degrees clockwise from 12 o'clock)\n"
      "  --mirror    film emulsion side down: the picture mirrored left to right\n"
      "              (every artwork format)\n"
      "  --negative  black and white exchanged (every artwork format)\n"
      "  --marks     aids for assembly over the drawing, at true size: a centre\n"
      "              target round the rim, the cut line on the rim, a scale bar of\n"
      "              2 in or 50 mm with ticks every 0.1 in or 1 mm, and a title\n"
      "              block of the design's entries and the resolution; none of them\n"
      "              changes a pixel inside the disc (.dxf holds the open areas only)\n"
      "  --target-in-hole\n"
      "              with --marks, the centre target also inside the shaft hole\n"
      "  --report    the design report on standard output: each track's radii,\n"
      "              slots, slot and bar widths, counts and lines per inch, the\n"
      "              smallest feature against the pixel size at --dpi\n"
      "  --bias MICRONS\n"
      "              edge compensation: every edge of the slots and of the shaft\n"
      "              hole moved outward by MICRONS (negative: inward) in every file\n"
      "              and in the report; a slot's sides turn about the centre so that\n"
      "              they move by MICRONS at the track's middle radius.  A bias that\n"
      "              closes a slot or joins slots, tracks, the rim or the shaft hole\n"
      "              is refused (status 1) and nothing is written\n"
      "  --process NAME[:KEY=VALUE,...]\n"
      "              the process the report checks the design against: every\n"
      "              track's narrowest slot and bar at its inner radius, its slots'\n"
      "              radial width and the gaps between the rim, the tracks and the\n"
      "              shaft hole, after the bias, against the process's narrowest\n"
      "              clear or dark feature and against 2 pixels at --dpi:\n" + process_help() +
      "  --check     with --process: exit 1 when a feature fails the check (the\n"
      "              report, or without --report standard error, names it); the\n"
      "              files are written all the same\n"
      "  --progress  report the progress on standard error from the start, one line\n"
      "              a step; without it, only on a terminal once a drawing takes a\n"
      "              second, rewritten in place\n"
      "  --save-design FILE.vantor\n"
      "              write the design, with the entries made, to a design file,\n"
      "              whether the disc can be drawn or not: every control one line\n"
      "              of TOML (README: Design files)\n"
      "  --code-table FILE\n"
      "              absolute only: what the sensors read at each step of the turn,\n"
      "              taken from the disc as drawn, as CSV (.csv: start_deg,\n"
      "              end_deg, code, bits, position) or as a C header (.h: a table\n"
      "              from every code to its position, -1 where it is not unique)\n"
      "  -h, --help  this text\n"
      "\n"
      "Exit status: 0 the file is written; 1 the drawing was refused (its message\n"
      "goes to standard error as the window shows it), the picture is too large or\n"
      "the file could not be written, and no file is written, or --check found a\n"
      "feature that fails; 2 a usage error or a design file that cannot be read.\n"
      "\n"
      "incremental (the window Inc_form):\n";
  u += control_list(incremental_fields(), IncFormValues{});
  u += "\nabsolute (the window Abs_form):\n";
  u += control_list(absolute_fields(), AbsoluteEntries{});
  u +=
      "\nExamples:\n"
      "  vantor-render incremental RES=360 ED=1.5 CH2_I bal_1scroll=10 -o disc.bmp\n"
      "  vantor-render absolute Res_exp=10 Bin_type abs_bal=-5 --dpi 2400 --crop -o abs.png\n"
      "  vantor-render absolute Res_exp=8 gray_full_type --code-table codes.csv\n"
      "  vantor-render incremental RES=360 --save-design disc.vantor\n"
      "  vantor-render incremental RES=360 Mask_angle=90 --mask --dpi 2400 --crop -o mask.png\n"
      "  vantor-render disc.vantor ED=3 -o disc.bmp\n";
  return u;
}

}  // namespace vantor
