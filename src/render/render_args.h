// The command line of vantor-render:
//   vantor-render incremental [NAME=TEXT | BUTTON]... [--inverse] [--mask] [--dpi P] [--crop]
//                 [--marks [--target-in-hole]] [--progress] [--report] [--save-design FILE.vantor] [-o FILE]
//   vantor-render absolute    [NAME=TEXT | BUTTON]... [--dpi P] [--crop] [--progress]
//                 [--report] [--save-design FILE.vantor] [--code-table FILE] [-o FILE]
//   vantor-render FILE.vantor [NAME=TEXT | BUTTON]... [the options of its kind]
// each also with [--bias MICRONS] [--process NAME[:KEY=VALUE,...]] [--check],
// with at least one of -o, --report, --check, --save-design and --code-table.
// Entries are made on the design window's values in the order given
// (enter_controls): on a freshly opened window, or on the design read from
// the design file; every control not named keeps its value.
#pragma once

#include <span>
#include <string>
#include <variant>

#include "design_file/design_file.h"
#include "request/request.h"

namespace vantor {

// An export request and what only the command line asks for.
struct RenderRequest : ExportRequest {
  bool progress = false;  // progress lines from the start, terminal or not
  bool report = false;    // the design report on standard output; output may then be empty
  bool check = false;     // exit 1 when a feature fails the process's check (process set)
  std::string save_design;  // the design file to write once the entries are made, or empty
  std::string code_table;   // the code table to write (.csv or .h), or empty; absolute only

  // The request that writes the code table.
  ExportRequest code_table_request() const;
};

// A mistake in the command line: one line that says what is wrong.
struct UsageError {
  std::string reason;
};
struct HelpRequest {};

// args are the arguments after the program name.  A design file that cannot
// be read gives its DesignFileError.
std::variant<RenderRequest, UsageError, HelpRequest, DesignFileError> parse_render_args(
    std::span<const std::string> args);

// The text of --help: the synopsis, the options, the exit statuses and
// every control name of both windows with its design-time value.
std::string render_usage();

}  // namespace vantor
