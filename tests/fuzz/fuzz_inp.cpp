// The INP reader on arbitrary text: it accepts or refuses, never crashes; a
// model it accepts is saved and must read back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "engine_calls.hpp"
#include "scratch.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::open_engine();
  const std::string model = (fuzz::scratch_folder() / "model.inp").string();
  const std::string saved = (fuzz::scratch_folder() / "saved.inp").string();
  {
    std::ofstream out(model, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
  }
  const int loaded = fuzz::command("LOAD " + fuzz::quoted(model));
  fuzz::expect_status(loaded, "LOAD");
  if (loaded != 0) return 0;
  if (fuzz::command("SAVE " + fuzz::quoted(saved)) != 0) {
    std::fprintf(stderr, "a model that was read cannot be saved\n");
    std::abort();
  }
  if (fuzz::command("LOAD " + fuzz::quoted(saved)) != 0) {
    std::fprintf(stderr, "a saved model does not read back\n");
    std::abort();
  }
  return 0;
}
