// What to draw and what to make of it, as the windows and the command line
// both ask for it: the disc (its kind, the entries of its design window and
// its polarity) and the export (file format, density, crop, file).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "absolute/absolute_design.h"
#include "common/messages.h"
#include "incremental/incremental_fields.h"
#include "incremental/incremental_renderer.h"
#include "request/process.h"
#include "surface/surface.h"

namespace vantor {

enum class DiscKind { Incremental, Absolute };

// The disc as a design window holds it, and which of its drawings.
struct DiscRequest {
  DiscKind kind = DiscKind::Incremental;
  IncFormValues incremental;  // read when kind is Incremental
  AbsoluteEntries absolute;   // read when kind is Absolute
  bool inverse = false;       // "Draw Inverse" instead of "Draw"; incremental only
  IncDrawing drawing = IncDrawing::Disc;  // the disc or its sensor mask; incremental only

  Unit unit() const { return kind == DiscKind::Incremental ? incremental.design.unit : absolute.unit; }
};

// Draws the request on a surface (a whole picture or a window of one) as
// the design window's "Draw" or "Draw Inverse" does (the Sensor Mask
// dialog's "Draw Mask" for the mask), including its refusals; what was
// drawn before a failure stays.
DrawOutcome draw_disc(const DiscRequest& request, Surface& surface);

// The disc's artwork (Bmp ... Dxf) or the code table of an absolute disc
// (export/code_table.h).
enum class FileFormat { Bmp, Png, Tiff, Svg, Pdf, Gerber, Dxf, CodeCsv, CodeHeader };

struct FileFormatInfo {
  FileFormat format;
  std::string_view extension;  // lower case, without the dot
  std::string_view alias;      // another extension it is known by, or empty
  std::string_view name;       // as the export dialog lists it
  bool raster;                 // drawn in pixels; otherwise written from the figures
  bool code_table = false;     // what the sensors read, not the artwork; absolute discs only
};

// Every format, in the export dialog's order.
std::span<const FileFormatInfo> file_formats();
const FileFormatInfo& format_info(FileFormat format);
// By the file name's extension, in any case; nullopt for a name without
// one or with another.
std::optional<FileFormat> format_of_path(std::string_view path);
// The extensions of a group of formats, in the order messages name them:
// ".bmp, .png, .tif, .svg, .pdf, .gbr or .dxf" for the artwork.
enum class FormatGroup { Artwork, Raster, CodeTable };
std::string extension_list(FormatGroup group = FormatGroup::Artwork);

inline constexpr int kDefaultDpi = 96;  // the design window's picture
inline constexpr int kMaxDpi = 100000;

// A disc written to a file at a density.
struct ExportRequest : DiscRequest {
  int dpi = kDefaultDpi;
  bool crop = false;   // only the disc's square, with a margin of 1 % of its diameter
  std::string output;  // the file, in the platform's encoding
  FileFormat format = FileFormat::Bmp;
  // Film: the picture mirrored left to right (emulsion side down), black and
  // white exchanged.  Every artwork format; not the code tables.
  bool mirror = false;
  bool negative = false;
  // The aids for assembly over the drawing (request/assembly_aids.h): a
  // centre target round the rim, the cut line, a scale bar and a title
  // block; target_in_hole also draws the target inside the shaft hole.
  bool marks = false;
  bool target_in_hole = false;
  // Edge compensation, micrometres (geometry/bias.h): every edge of the
  // slots and of the shaft hole moved outward.  The window's "Draw" takes
  // none.
  double bias_um = 0;
  // The process the design report checks the features against, if any.
  std::optional<Process> process{};
};

}  // namespace vantor
