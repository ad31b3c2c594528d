// Fuzzes the drawing surface with the programs of surface_args.h: every
// refusal and pixel against the reference rasteriser, windows against the
// whole canvas, under the sanitizers.
#include "surface_args.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vantor::fuzz::Input in(data, size);
  const std::string error = vantor::fuzz::SurfaceProgram(in).run();
  FUZZ_CHECK(error.empty(), error);
  return 0;
}
