// The libFuzzer targets. The Touchstone target takes the file's extension
// from the input's first byte, so that one target covers one-, two-, three-,
// four- and many-port files, .ts files and the extension rules; the same
// byte chooses whether the reader stops at the first error, as in the
// viewer, or reads on after errors, as for korvel check. The SC target
// writes every input as an .sc0 file.
#include <cstddef>
#include <cstdint>

#include "dataset/messages.h"
#include "fuzz/fuzz_driver.h"

#if defined(KORVEL_FUZZ_TOUCHSTONE)
namespace {

const char* const kTouchstoneExtensions[] = {".s1p", ".s2p", ".s3p", ".s4p", ".s12p",
                                             ".s2",  ".S2P", ".s9999", ".ts",  ".z2p"};

// Takes every message and asks the reader to go on after errors.
class ReadOnSink final : public korvel::MessageSink {
 public:
  void report(korvel::Message, const char*) noexcept override {}
  bool collectsAll() const noexcept override { return true; }
};

}  // namespace
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#if defined(KORVEL_FUZZ_TOUCHSTONE)
  if (size == 0) return 0;
  constexpr size_t kChoices = sizeof kTouchstoneExtensions / sizeof kTouchstoneExtensions[0];
  const char* extension = kTouchstoneExtensions[data[0] % kChoices];
  if ((data[0] / kChoices) % 2 == 1) {
    ReadOnSink sink;
    korvel::MessageRoute route(sink);
    korvel::fuzz::driveInput(data + 1, size - 1, extension);
  } else {
    korvel::fuzz::driveInput(data + 1, size - 1, extension);
  }
#else
  korvel::fuzz::driveInput(data, size, ".sc0");
#endif
  return 0;
}
