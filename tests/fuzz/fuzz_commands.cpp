// The command language on arbitrary text, against the town network loaded
// once: every line gets a documented status. Lines that would reach the disk
// beyond the scratch folder, and runs after a change of times (which can ask
// for millions of steps), are left out.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine_calls.hpp"
#include "fuzz_input.hpp"
#include "scratch.hpp"

#ifndef ORV_FUZZ_TOWN
#error "ORV_FUZZ_TOWN names the network the commands run against"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::open_engine();
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  if (fuzz::reaches_the_disk(text)) return 0;
  const std::string words = fuzz::upper(text);
  if (words.find("TIME") != std::string::npos && words.find("SIMULATE") != std::string::npos) return 0;
  // Each input starts from the same model, so that a finding replays alone.
  if (fuzz::command("LOAD " + fuzz::quoted(ORV_FUZZ_TOWN)) != 0) std::abort();
  fuzz::expect_status(fuzz::command(text), "CmdExec");
  return 0;
}
