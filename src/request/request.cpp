#include "request/request.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>
#include <variant>

#include "absolute/absolute_renderer.h"
#include "incremental/incremental_renderer.h"

namespace vantor {

DrawOutcome draw_disc(const DiscRequest& request, Surface& surface) {
  if (request.kind == DiscKind::Incremental)
    return render_incremental(request.incremental.design, request.inverse ? Polarity::Inverse : Polarity::Normal,
                              surface, request.drawing);
  const auto built = build_absolute_design(request.absolute);
  if (const Message* refused = std::get_if<Message>(&built)) return {.message = *refused, .zoom_diam = {}};
  return render_absolute(std::get<AbsoluteDesign>(built), surface);
}

namespace {

constexpr std::array<FileFormatInfo, 9> kFormats = {{
    {FileFormat::Png, "png", "", "PNG image, 1 bit a pixel", true},
    {FileFormat::Bmp, "bmp", "", "BMP image, 1 bit a pixel", true},
    {FileFormat::Tiff, "tif", "tiff", "TIFF image, 1 bit a pixel, CCITT Group 4", true},
    {FileFormat::Svg, "svg", "", "SVG drawing", false},
    {FileFormat::Pdf, "pdf", "", "PDF drawing", false},
    {FileFormat::Gerber, "gbr", "", "Gerber RS-274X", false},
    {FileFormat::Dxf, "dxf", "", "DXF R12 outlines of the open areas", false},
    {FileFormat::CodeCsv, "csv", "", "Code table, CSV", false, true},
    {FileFormat::CodeHeader, "h", "", "Code table, C header", false, true},
}};

// The order in which messages name the extensions.
constexpr std::array<FileFormat, 9> kNamingOrder = {
    FileFormat::Bmp, FileFormat::Png,    FileFormat::Tiff,    FileFormat::Svg,       FileFormat::Pdf,
    FileFormat::Gerber, FileFormat::Dxf, FileFormat::CodeCsv, FileFormat::CodeHeader};

}  // namespace

std::span<const FileFormatInfo> file_formats() { return kFormats; }

const FileFormatInfo& format_info(FileFormat format) {
  return *std::find_if(kFormats.begin(), kFormats.end(), [format](const auto& f) { return f.format == format; });
}

std::optional<FileFormat> format_of_path(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;
  std::string ext(name.substr(dot + 1));
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const FileFormatInfo& f : kFormats)
    if (f.extension == ext || (!f.alias.empty() && f.alias == ext)) return f.format;
  return std::nullopt;
}

std::string extension_list(FormatGroup group) {
  std::vector<std::string_view> names;
  for (FileFormat f : kNamingOrder) {
    const FileFormatInfo& info = format_info(f);
    if (group == FormatGroup::CodeTable ? info.code_table : !info.code_table && (group == FormatGroup::Artwork || info.raster))
      names.push_back(info.extension);
  }
  std::string list;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) list += i + 1 == names.size() ? " or " : ", ";
    list += "." + std::string(names[i]);
  }
  return list;
}

}  // namespace vantor
