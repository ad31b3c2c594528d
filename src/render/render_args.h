// The command line of vantor-render:
//   vantor-render incremental [NAME=TEXT | BUTTON]... [--inverse] [--dpi P] [--crop]
//                 [--progress] [--report] [-o FILE]
//   vantor-render absolute    [NAME=TEXT | BUTTON]... [--dpi P] [--crop] [--progress]
//                 [--report] [-o FILE]
// with -o, --report or both.
// Entries are made on the design window's values in the order given
// (enter_controls); every control not named keeps its design-time value.
#pragma once

#include <span>
#include <string>
#include <variant>

#include "request/request.h"

namespace vantor {

// An export request and what only the command line asks for.
struct RenderRequest : ExportRequest {
  bool progress = false;  // progress lines from the start, terminal or not
  bool report = false;    // the design report on standard output; output may then be empty
};

// A mistake in the command line: one line that says what is wrong.
struct UsageError {
  std::string reason;
};
struct HelpRequest {};

// args are the arguments after the program name.
std::variant<RenderRequest, UsageError, HelpRequest> parse_render_args(std::span<const std::string> args);

// The text of --help: the synopsis, the options, the exit statuses and
// every control name of both windows with its design-time value.
std::string render_usage();

}  // namespace vantor
