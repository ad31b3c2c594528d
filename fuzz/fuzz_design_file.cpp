// Fuzzes the design-file reader on whole files: any bytes are either a
// design or a refusal that names the file, never a crash or a hang; a design
// read is written again, and that text reads back to the same design and is
// written the same.
#include <cstdint>
#include <string>
#include <variant>

#include "design_file/design_file.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantor;
  const auto read = parse_design(std::string_view(reinterpret_cast<const char*>(data), size), "f.vantor");
  if (const auto* refused = std::get_if<DesignFileError>(&read)) {
    FUZZ_CHECK(refused->message.rfind("f.vantor", 0) == 0, "the message does not name the file: " + refused->message);
    return 0;
  }
  const std::string written = design_text(std::get<DiscRequest>(read));
  const auto again = parse_design(written, "f.vantor");
  FUZZ_CHECK(std::holds_alternative<DiscRequest>(again), "a design written does not read back:\n" + written);
  const DiscRequest &design = std::get<DiscRequest>(read), &back = std::get<DiscRequest>(again);
  FUZZ_CHECK(back.kind == design.kind && back.incremental == design.incremental && back.absolute == design.absolute &&
                 design_text(back) == written,
             "a design read back differs:\n" + written);
  return 0;
}
