// Writing a design's artwork to a file in any export format: the raster
// formats drawn band by band into a 1-bit image, the vector formats written
// from the figure log.  vantor-render and the design windows' export dialog
// both write through here.  Needs Qt Gui only.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/messages.h"
#include "request/request.h"

namespace vantor {

struct ExportOutcome {
  enum class Kind {
    Written,    // the file is complete
    Refused,    // the design's own refusal: `message`, as the window shows it, or
                // with message None a bias the disc cannot take: `reason`
    Failed,     // too large, no memory, not writable, a format refused: `reason`
    Cancelled,  // stopped by the progress callback
  };
  Kind kind = Kind::Written;
  Message message = Message::None;
  std::string reason;  // one sentence, without the file's name
};

// Called as the drawing goes: `done` of `total` steps; returning false
// cancels the export.  writing() is called once before the file is written.
struct ExportProgress {
  std::function<bool(std::uint64_t done, std::uint64_t total)> drawn;
  std::function<void()> writing;
};

// Draws the request and writes request.output in request.format.  The file
// appears complete or not at all: on any outcome but Written no file is left
// and an existing file is untouched.
ExportOutcome export_file(const ExportRequest& request, const ExportProgress& progress = {});

// Writes the bytes to the file at path through a temporary file that
// replaces it when complete: on failure the reason, and an existing file is
// untouched.
std::optional<QString> write_bytes_atomically(const std::string& bytes, const QString& path);

// The request's design report (as text) at its density; when the design
// would not draw, its refusal and the message as the text, and when it
// cannot take the bias, the bias's refusal as `refusal` and the text.
struct ReportOutcome {
  Message refused = Message::None;
  std::string refusal;
  std::string text;
  // With a process: the features the check finds below a minimum, as the
  // report's check lines; empty when every feature passes.
  std::string check_failures;
};
ReportOutcome export_report(const ExportRequest& request);

}  // namespace vantor
